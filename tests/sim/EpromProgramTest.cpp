// Programmable UV EPROMs: a pulse under the datasheet's program condition ANDs the
// driven byte into the cell; any missing condition writes nothing. Weak and stuck
// cells, program-verify reads and the fault texts that make them.
#include <gtest/gtest.h>

#include <stdexcept>

#include "sim/SimEprom.h"
#include "sim/SimFaults.h"

namespace quorbit::sim {
namespace {

/// A chip on bare register values, each change latched as the board would.
struct Pins {
    explicit Pins(char subtype, std::size_t size)
        : chip("chip", std::vector<std::uint8_t>(size, 0xFF), EpromModelOf(subtype)) {
        regs.r = {0x40, 0x00, 0x00, 0xC6, 0x00}; // OE, CE off; 28-pin VCC on
    }
    void Set(int reg, int value) {
        regs.r[static_cast<std::size_t>(reg)] = static_cast<std::uint8_t>(value);
        nowNs += 1000;
        chip.Latched(regs, reg, nowNs);
    }
    void Bits(int reg, int set, int clear) {
        Set(reg, (regs.r[static_cast<std::size_t>(reg)] | set) & ~clear);
    }
    void CeLow() { Bits(3, 0, 0x80); }
    void CeHigh() { Bits(3, 0x80, 0); }
    /// Time passes as for one pulse of the datasheet's width.
    void HoldPulse() { nowNs += chip.Model().pulseNs; }
    SimEprom chip;
    Registers regs;
    std::int64_t nowNs = 0;
};

// 27C256: VPP on pin 1 through register-0 bit 4, CE pulses with OE high.
void CePulse27C256(Pins& p, int data, int reg0, int reg3Drive = 0) {
    p.Set(4, data);
    p.Set(0, reg0);
    p.Bits(3, reg3Drive, 0x40 & ~reg3Drive); // data pins driven unless asked otherwise
    p.CeLow();
    p.HoldPulse();
    p.CeHigh();
}

TEST(EpromProgramming, PulseUnderProgramConditionAndsTheByteIntoTheCell) {
    Pins p('4', 32768);
    p.Set(2, 0x34);
    p.Set(1, 0x12); // address 1234h
    CePulse27C256(p, 0x5A, 0x50);
    EXPECT_EQ(p.chip.Memory()[0x1234], 0x5A);
    CePulse27C256(p, 0xF0, 0x50); // a pulse never sets a bit back to 1
    EXPECT_EQ(p.chip.Memory()[0x1234], 0x50);
    EXPECT_EQ(p.chip.PulsesAt(0x1234), 2);
    EXPECT_EQ(p.chip.TotalPulses(), 2);
    EXPECT_EQ(p.chip.Memory()[0x1235], 0xFF);
}

TEST(EpromProgramming, AMissingConditionWritesNothing) {
    struct Case {
        const char* what;
        int reg0;
        int reg3Drive;
    };
    for (const Case c : {Case{"no VPP", 0x40, 0}, Case{"VPP on pin 1 of a 32-pin part", 0x60, 0},
                         Case{"VPP on the OE/VPP pin", 0xC0, 0}, Case{"OE active", 0x10, 0},
                         Case{"data pins released", 0x50, 0x40}}) {
        Pins p('4', 32768);
        CePulse27C256(p, 0x00, c.reg0, c.reg3Drive);
        EXPECT_EQ(p.chip.Memory()[0], 0xFF) << c.what;
        EXPECT_EQ(p.chip.TotalPulses(), 0) << c.what;
    }
    Pins unpowered('4', 32768);
    unpowered.Bits(3, 0, 0x02); // VCC pin switched off
    CePulse27C256(unpowered, 0x00, 0x50);
    EXPECT_EQ(unpowered.chip.Memory()[0], 0xFF);
}

TEST(EpromProgramming, PgmPartsTakeThePulseOnPgmWithCeLowOnly) {
    Pins p('6', 131072);   // 27C010: PGM on register-3 bit 2, VPP on pin 1 (bit 5)
    p.Set(3, 0x0C | 0x80); // PGM high, CE off, data driven
    p.Set(4, 0x11);
    p.Set(0, 0x60);
    p.CeLow();
    p.HoldPulse();
    p.CeHigh(); // a CE pulse is not a program pulse on these parts
    EXPECT_EQ(p.chip.Memory()[0], 0xFF);
    p.Bits(3, 0, 0x80 | 0x04); // CE low, PGM low
    p.HoldPulse();
    p.Bits(3, 0x04, 0); // PGM high
    EXPECT_EQ(p.chip.Memory()[0], 0x11);
    p.Bits(3, 0x80, 0); // CE off: PGM pulses now do nothing
    p.Set(4, 0x00);
    p.Bits(3, 0, 0x04);
    p.HoldPulse();
    p.Bits(3, 0x04, 0);
    EXPECT_EQ(p.chip.Memory()[0], 0x11);
}

TEST(EpromProgramming, A27C256VerifiesWithCeHighWhileVppIsOn) {
    Pins p('4', 32768);
    p.chip.Memory()[0] = 0x3C;
    p.Set(0, 0x10); // VPP on, OE low, CE high
    EXPECT_EQ(p.chip.Output(p.regs), std::optional<std::uint8_t>(0x3C));
    p.Set(0, 0x00); // VPP off, CE high: standby
    EXPECT_EQ(p.chip.Output(p.regs), std::nullopt);
    // A 27C512 (OE/VPP shared) shows nothing while VPP is on its OE pin.
    Pins shared('5', 65536);
    shared.Set(0, 0xC0);
    shared.CeLow();
    EXPECT_EQ(shared.chip.Output(shared.regs), std::nullopt);
}

/// One 27C512 pulse of `widthNs` on address 0 (CE low with VPP on OE/VPP).
void Pulse27C512(Pins& p, std::int64_t widthNs) {
    p.Set(0, 0xC0);
    p.CeLow();
    p.nowNs += widthNs - 1000; // the CE-high latch adds its own microsecond
    p.CeHigh();
    p.Set(0, 0x00);
}

TEST(EpromProgramming, ACellTakesOnceItsPulsesAddUpToItsProgrammingTime) {
    for (const char subtype : {'1', '2', '3', '4', '5', '6', '7', '8', '9'}) {
        const EpromModel model = EpromModelOf(subtype);
        SimEprom chip("chip", std::vector<std::uint8_t>(4096, 0xFF), model);
        std::int64_t shortest = model.pulseNs, longest = 0;
        for (std::uint32_t a = 0; a < 4096; ++a) {
            shortest = std::min(shortest, chip.ProgrammingNsNeeded(a));
            longest = std::max(longest, chip.ProgrammingNsNeeded(a));
        }
        // Cells differ, and each takes within one pulse of the datasheet's width.
        EXPECT_LT(shortest, model.pulseNs / 2) << subtype;
        EXPECT_LT(longest, model.shortestPulseNs) << subtype;
        EXPECT_GT(longest, model.pulseNs * 3 / 4) << subtype;
    }
    Pins p('5', 65536); // 27C512: 100 us
    p.chip.MakeWeak(0, 3);
    const std::int64_t need = p.chip.ProgrammingNsNeeded(0);
    EXPECT_GT(need, 2 * p.chip.Model().pulseNs); // two pulses' worth more than its share
    std::vector<ProgramPulse> seen;
    p.chip.onPulse = [&](const ProgramPulse& pulse) { seen.push_back(pulse); };
    p.regs.vppDecivolts = 125;
    p.Set(4, 0x42);
    p.Bits(3, 0, 0x40);
    // Pulses of a fifth of the datasheet's width: the cell reads erased until they
    // add up to its time.
    const std::int64_t width = p.chip.Model().pulseNs / 5;
    while (p.chip.Memory()[0] == 0xFF && seen.size() < 100)
        Pulse27C512(p, width);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>((need + width - 1) / width));
    for (std::size_t i = 0; i + 1 < seen.size(); ++i)
        EXPECT_FALSE(seen[i].took) << i;
    EXPECT_TRUE(seen.back().took);
    EXPECT_EQ(seen.back().widthNs, width);
    EXPECT_EQ(seen.back().cellNs, width * static_cast<std::int64_t>(seen.size()));
    EXPECT_EQ(seen.back().data, 0x42);
    EXPECT_EQ(p.chip.Memory()[0], 0x42);
    EXPECT_EQ(p.chip.PulsesAt(0), static_cast<int>(seen.size()));
    EXPECT_EQ(p.chip.VppLevelsUsed(), std::set<int>{125});
}

TEST(EpromProgramming, VppRaisedWhileCeIsAlreadyLowStillProgramsUntilCeRises) {
    Pins p('5', 65536);
    p.Set(4, 0x0F);
    p.Bits(3, 0, 0x40);
    p.CeLow();
    p.Set(0, 0xC0); // VPP comes on with CE low
    p.regs.vppDecivolts = 210;
    p.HoldPulse();
    p.CeHigh();
    EXPECT_EQ(p.chip.Memory()[0], 0x0F);
    EXPECT_EQ(p.chip.PulsesAt(0), 1);
}

TEST(SimFaults, TextsMakeStuckAndWeakCellsAndBadOnesAreRefused) {
    SimEprom chip("chip", std::vector<std::uint8_t>(4096, 0xFF), EpromModelOf('1'));
    ApplyFaults(chip, "1F3:0:0,stuck:10:7:0,weak:ABC:60", 4096);
    Registers regs;
    regs.r = {0x00, 0x21, 0xF3, 0x00, 0x00}; // 2732: VCC on register-1 bit 5, address 1F3h
    EXPECT_EQ(chip.Output(regs), std::optional<std::uint8_t>(0xFE));
    regs.r[1] = 0x20;
    regs.r[2] = 0x10;
    EXPECT_EQ(chip.Output(regs), std::optional<std::uint8_t>(0x7F));
    for (const char* bad : {"1F3:8:0", "1000:0:0", "weak:ABC", "weak:ABC:0", "weak:XYZ:5",
                            "glitch:1:2", "1F3:0:0,", ""}) {
        EXPECT_THROW(ApplyFaults(chip, bad, 4096), std::invalid_argument) << bad;
    }
    try {
        ApplyFaults(chip, "weak:1:x", 4096);
        ADD_FAILURE() << "a malformed weak cell was accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("weak:ADDRESS:PULSES"), std::string::npos);
    }
}

} // namespace
} // namespace quorbit::sim
