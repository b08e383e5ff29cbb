// The simulated 32-pin JEDEC flash at its pins: command cycles, autoselect,
// embedded program and erase with their status bits, and the faults; and the
// SST39SF0x0A, which take the same commands on their own terms.
#include <gtest/gtest.h>

#include <type_traits>

#include "sim/SimFamilies.h"
#include "sim/SimFlash.h"
#include "sim/SimSstFlash.h"

namespace quorbit::sim {
namespace {

template <typename Chip> Chip MakeFlash(const std::string& name, int sizeKB, std::uint8_t fill) {
    std::vector<std::uint8_t> contents(static_cast<std::size_t>(sizeKB) * 1024, fill);
    if constexpr (std::is_same_v<Chip, SstFlash>)
        return SstFlash(name, std::move(contents), Flash32Wiring(sizeKB, false),
                        *FindSstFlashPart(name));
    else
        return JedecFlash(name, std::move(contents), Flash32Wiring(sizeKB, false),
                          *FindJedecFlashVariant(name));
}

/// Drives the chip's pins through the board registers as the board would.
template <typename Chip = JedecFlash> struct PinsOf {
    explicit PinsOf(const std::string& name, int sizeKB, std::uint8_t fill = 0xFF)
        : chip(MakeFlash<Chip>(name, sizeKB, fill)) {
        regs.r = {0x40, 0, 0, 0xC4, 0};
    }
    void Set(int reg, int value) {
        regs.r[static_cast<std::size_t>(reg)] = static_cast<std::uint8_t>(value);
        chip.Latched(regs, reg, nowNs);
        nowNs += 1000;
    }
    /// One write cycle: CE low, WE pulse, CE high; data driven by the board.
    void Write(std::uint32_t address, int data) {
        Set(0, 0x40);
        Set(4, data);
        Set(1, (address >> 8) & 0xFF);
        Set(2, address & 0xFF);
        const int bank = static_cast<int>(address >> 16);
        const int bankBits = (bank & 3) | ((bank & 4) << 1);
        Set(3, 0x84 | bankBits);
        Set(3, 0x04 | bankBits);
        Set(3, 0x00 | bankBits);
        Set(3, 0x04 | bankBits);
        Set(3, 0x84 | bankBits);
    }
    void Command(int command, std::uint32_t a1 = 0x5555, std::uint32_t a2 = 0x2AAA) {
        Write(a1, 0xAA);
        Write(a2, 0x55);
        Write(a1, command);
    }
    /// The sector erase sequence's first five cycles, then 30h at `sector`.
    void SectorErase(std::uint32_t sector) {
        Command(0x80);
        Write(0x5555, 0xAA);
        Write(0x2AAA, 0x55);
        Write(sector, 0x30);
    }
    /// One read: data released, CE and OE low, then both high again.
    int Read(std::uint32_t address) {
        Set(1, (address >> 8) & 0xFF);
        Set(2, address & 0xFF);
        const int bank = static_cast<int>(address >> 16);
        Set(3, 0x44 | (bank & 3) | ((bank & 4) << 1));
        Set(0, 0x00);
        const auto out = chip.Output(regs);
        Set(0, 0x40);
        Set(3, 0xC4);
        return out ? *out : -1;
    }
    void Wait(std::int64_t ns) { nowNs += ns; }

    Chip chip;
    Registers regs;
    std::int64_t nowNs = 0;
};
using Pins = PinsOf<>;
using SstPins = PinsOf<SstFlash>;

TEST(SimJedecFlash, AutoselectShowsTheCodesUntilReset) {
    Pins p("Flash AMD AM29F040", 512, 0x5A);
    EXPECT_EQ(p.Read(0), 0x5A);
    p.Command(0x90, 0x555, 0x2AA); // only A0-A10 are decoded
    EXPECT_EQ(p.Read(0), 0x01);
    EXPECT_EQ(p.Read(1), 0xA4);
    EXPECT_EQ(p.Read(0x70002), 0x00); // sector not protected
    p.Command(0xA0);                  // not taken in autoselect mode
    p.Write(0x100, 0x00);
    EXPECT_EQ(p.Read(1), 0xA4);
    p.Write(0x1234, 0xF0); // reset: one cycle is enough
    EXPECT_EQ(p.Read(0), 0x5A);
    EXPECT_EQ(p.Read(0x100), 0x5A);
}

TEST(SimJedecFlash, VariantsAnswerWithTheirOwnCodes) {
    Pins eon("Flash EON EN29F040", 512);
    eon.Command(0x90);
    EXPECT_EQ(eon.Read(0), 0x1C);
    EXPECT_EQ(eon.Read(1), 0x04);
    Pins small("Flash AMD AM29F010", 128);
    small.Command(0x90);
    EXPECT_EQ(small.Read(1), 0x20);
    // The AMIC part decodes A0-A14: 555h/2AAh is not its unlock address.
    Pins amic("Flash AMIC A29040", 512, 0x33);
    amic.Command(0x90, 0x555, 0x2AA);
    EXPECT_EQ(amic.Read(0), 0x33);
    amic.Command(0x90);
    EXPECT_EQ(amic.Read(0), 0x37);
    EXPECT_EQ(amic.Read(1), 0x86);
}

TEST(SimJedecFlash, ProgramClearsBitsAndPollsOnDq7) {
    Pins p("Flash AMD AM29F040", 512);
    p.Command(0xA0);
    p.Write(0x6ABCD, 0x3C); // bank 6: A18 on register 3 bit 3
    const int first = p.Read(0x6ABCD);
    const int second = p.Read(0x6ABCD);
    EXPECT_EQ(first & 0x80, 0x80) << "DQ7 is the complement of data bit 7 while busy";
    EXPECT_NE(first & 0x40, second & 0x40) << "DQ6 toggles";
    EXPECT_EQ(first & 0x20, 0);
    p.Write(0x6ABCD, 0x00); // ignored while programming
    p.Wait(7000);
    EXPECT_EQ(p.Read(0x6ABCD), 0x3C);
    EXPECT_EQ(p.chip.Memory()[0x6ABCD], 0x3C);
    p.Command(0xA0);
    p.Write(0x6ABCD, 0xF0); // bits only go from 1 to 0
    p.Wait(1'000'000);
    EXPECT_EQ(p.chip.Memory()[0x6ABCD], 0x30);
}

TEST(SimJedecFlash, AZeroToOneAttemptSetsDq5AndOnlyResetIsTaken) {
    Pins p("Flash AMD AM29F010", 128, 0x00);
    p.Command(0xA0);
    p.Write(0x10, 0x80);
    p.Wait(1'000'000);
    EXPECT_EQ(p.Read(0x10) & 0xA0, 0x20); // DQ5 1, DQ7 still the complement
    EXPECT_EQ(p.chip.CurrentMode(), JedecFlash::Mode::Exceeded);
    p.Command(0x90);
    EXPECT_EQ(p.chip.CurrentMode(), JedecFlash::Mode::Exceeded);
    p.Write(0, 0xF0);
    EXPECT_EQ(p.Read(0x10), 0x00);
}

TEST(SimJedecFlash, ADefectiveCellRunsPastTheLimit) {
    Pins p("Flash AMD AM29F010", 128);
    p.chip.StickBit(0x20, 3, true);
    p.Command(0xA0);
    p.Write(0x20, 0x00);
    p.Wait(1'000'000);
    EXPECT_EQ(p.Read(0x20) & 0x20, 0x20);
}

TEST(SimJedecFlash, ChipEraseReadsDq7LowUntilEveryByteIsFF) {
    Pins p("Flash AMD AM29F040", 512, 0x00);
    p.Command(0x80);
    p.Command(0x10);
    EXPECT_EQ(p.Read(0x5555) & 0x88, 0x08); // DQ7 0, DQ3 1
    p.Wait(1'900'000'000);
    EXPECT_EQ(p.Read(0x5555) & 0x80, 0);
    p.Wait(100'000'000);
    EXPECT_EQ(p.Read(0x5555), 0xFF);
    EXPECT_EQ(std::count(p.chip.Memory().begin(), p.chip.Memory().end(), 0xFF), 512 * 1024);
}

TEST(SimJedecFlash, SectorEraseClearsOnlyItsSector) {
    Pins p("Flash AMD AM29F040", 512, 0x00);
    p.SectorErase(0x20000);
    p.Wait(2'000'000'000);
    EXPECT_EQ(p.Read(0x20000), 0xFF);
    EXPECT_EQ(p.Read(0x2FFFF), 0xFF);
    EXPECT_EQ(p.Read(0x1FFFF), 0x00);
    EXPECT_EQ(p.Read(0x30000), 0x00);
}

// DQ3, the sector-erase timer: 0 for the 50 us after each 30h cycle, while more
// sectors are taken; 1 once the erase has begun, when a 30h is no longer taken.
// DQ7 reads 0 and DQ6 toggles all along.
TEST(SimJedecFlash, SectorEraseTimeOutTakesMoreSectorsUntilDq3Rises) {
    Pins p("Flash AMD AM29F040", 512, 0x00);
    p.SectorErase(0x20000);
    const int first = p.Read(0x20000);
    EXPECT_EQ(first & 0x88, 0x00) << "DQ7 0 and DQ3 0 during the time-out";
    p.Write(0x50000, 0x30); // inside the 50 us: a second sector
    const int second = p.Read(0x20000);
    EXPECT_NE(first & 0x40, second & 0x40) << "DQ6 toggles in the time-out too";
    p.Wait(100'000);
    EXPECT_EQ(p.Read(0x20000) & 0x88, 0x08) << "DQ3 1: the erase has begun";
    p.Write(0x60000, 0x30); // too late: ignored like every write while erasing
    p.Wait(20'000'000'000);
    EXPECT_EQ(p.Read(0x20000), 0xFF);
    EXPECT_EQ(p.Read(0x5FFFF), 0xFF);
    EXPECT_EQ(p.Read(0x60000), 0x00);
    EXPECT_EQ(p.Read(0x30000), 0x00);
    EXPECT_EQ(p.Read(0x1FFFF), 0x00);
}

TEST(SimJedecFlash, AnotherCycleInTheSectorEraseTimeOutEndsItWithNothingErased) {
    Pins p("Flash AMD AM29F010", 128, 0x00);
    p.SectorErase(0x4000);
    p.Write(0x5555, 0xAA); // not a sector erase cycle
    EXPECT_EQ(p.chip.CurrentMode(), JedecFlash::Mode::Read);
    p.Wait(20'000'000'000);
    EXPECT_EQ(p.Read(0x4000), 0x00);
}

TEST(SimJedecFlash, AChipEraseHasNoTimeOutDq3ReadsOneAtOnce) {
    Pins p("Flash AMD AM29F010", 128, 0x00);
    p.Command(0x80);
    p.Command(0x10);
    EXPECT_EQ(p.Read(0) & 0x88, 0x08);
}

// A part left erasing answers erase status for ever and takes no command, the
// reset included: DQ6 toggles from read to read, the contents stay unread.
TEST(SimJedecFlash, APartLeftErasingShowsItsStatusForEver) {
    Pins p("Flash AMD AM29F010", 128, 0x3C);
    p.chip.StayErasing();
    p.Wait(100'000'000'000); // past the internal limit of a hanging erase
    const int first = p.Read(0x123);
    p.Write(0, 0xF0);
    p.Command(0xF0);
    const int second = p.Read(0x123);
    EXPECT_EQ(first & 0xB8, 0x08) << "DQ7 0, DQ5 0, DQ3 1";
    EXPECT_EQ(second & 0xB8, 0x08);
    EXPECT_NE(first & 0x40, second & 0x40);
    EXPECT_EQ(p.chip.CurrentMode(), JedecFlash::Mode::Erasing);
    EXPECT_EQ(p.chip.Memory()[0x123], 0x3C);
}

TEST(SimJedecFlash, AHangingEraseNeverCompletesAndKeepsTheContents) {
    Pins p("Flash AMD AM29F040", 512, 0x12);
    p.chip.SetEraseHangs(true);
    p.Command(0x80);
    p.Command(0x10);
    p.Wait(30'000'000'000);
    EXPECT_EQ(p.Read(0x5555) & 0x80, 0);
    p.Write(0, 0xF0); // still erasing: ignored
    EXPECT_EQ(p.Read(0) & 0x80, 0);
    EXPECT_EQ(p.chip.Memory()[0], 0x12);
}

TEST(SimJedecFlash, AWrongCycleEndsTheSequence) {
    Pins p("Flash AMD AM29F040", 512, 0x77);
    p.Write(0x5555, 0xAA);
    p.Write(0x1234, 0x55); // wrong address for the second cycle
    p.Write(0x5555, 0x90);
    EXPECT_EQ(p.Read(0), 0x77);
    p.Write(0x5555, 0xAA);
    p.Write(0x2AAA, 0x55);
    p.Write(0x5555, 0x90);
    EXPECT_EQ(p.Read(0), 0x01);
}

TEST(SimJedecFlash, NoWriteWhileOutputEnableIsLow) {
    Pins p("Flash AMD AM29F040", 512, 0x77);
    p.Set(0, 0x00); // OE low during the command cycles
    for (auto [a, d] : {std::pair{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x90}}) {
        p.Set(4, d);
        p.Set(1, a >> 8);
        p.Set(2, a & 0xFF);
        p.Set(3, 0x04);
        p.Set(3, 0x00);
        p.Set(3, 0x04);
    }
    p.Set(0, 0x40);
    EXPECT_EQ(p.Read(0), 0x77);
}

// The SST39SF parts decode A0-A14: a command at 555h/2AAh (the AM29F010's
// short form) is no command at all, while A15 and up do not matter.
TEST(SimSstFlash, CommandCyclesAt555And2AAAreIgnored) {
    SstPins p("Flash SST SST39SF040", 512, 0x5A);
    p.Command(0x90, 0x555, 0x2AA);
    EXPECT_EQ(p.Read(0), 0x5A);
    p.Command(0xA0, 0x555, 0x2AA);
    p.Write(0x100, 0x00);
    p.Wait(100'000);
    EXPECT_EQ(p.Read(0x100), 0x5A);
    p.Command(0x80, 0x555, 0x2AA);
    p.Command(0x10, 0x555, 0x2AA);
    p.Wait(200'000'000);
    EXPECT_EQ(p.Read(0x200), 0x5A);
    EXPECT_EQ(p.chip.CurrentMode(), SstFlash::Mode::Read);

    p.Command(0x90, 0x75555, 0x72AAA); // A16-A18 do not care
    EXPECT_EQ(p.Read(0), 0xBF);
    EXPECT_EQ(p.Read(1), 0xB7);
    p.Write(0x1234, 0xF0); // the one-cycle exit
    EXPECT_EQ(p.Read(0), 0x5A);
    SstPins small("Flash SST SST39SF010A", 128);
    small.Command(0x90);
    EXPECT_EQ(small.Read(1), 0xB5);
    small.Command(0xF0); // the three-cycle exit
    EXPECT_EQ(small.Read(1), 0xFF);
}

// Byte program 14 us, sector erase (4 KiB) 18 ms, chip erase 70 ms, the
// datasheet's typical times; DQ7 polling and the DQ6 toggle meanwhile, every
// write ignored, and no time-limit flag for a byte that cannot be written.
TEST(SimSstFlash, ProgramAndEraseTakeTheDatasheetTimes) {
    SstPins p("Flash SST SST39SF020A", 256, 0xF0);
    p.Command(0xA0);
    p.Write(0x3ABCD, 0x3C);
    const int first = p.Read(0x3ABCD);
    const int second = p.Read(0x3ABCD); // 12 us after the write
    EXPECT_EQ(first & 0x80, 0x80) << "the complement of bit 7";
    EXPECT_NE(first & 0x40, second & 0x40);
    EXPECT_EQ(p.chip.CurrentMode(), SstFlash::Mode::Programming);
    p.Wait(2'000);
    EXPECT_EQ(p.Read(0x3ABCD), 0x30) << "only bits set in the cell can clear";
    p.Command(0xA0);
    p.Write(0x10, 0x0F); // a 1 asked where the cell holds 0: no error flag
    p.Wait(20'000);
    EXPECT_EQ(p.Read(0x10), 0x00);

    p.Command(0x80);
    p.Write(0x5555, 0xAA);
    p.Write(0x2AAA, 0x55);
    p.Write(0x13456, 0x30);
    p.Wait(17'000'000);
    EXPECT_EQ(p.Read(0x13000) & 0x80, 0) << "still erasing";
    p.Wait(2'000'000);
    EXPECT_EQ(p.Read(0x13000), 0xFF);
    EXPECT_EQ(p.Read(0x13FFF), 0xFF);
    EXPECT_EQ(p.Read(0x12FFF), 0xF0);
    EXPECT_EQ(p.Read(0x14000), 0xF0);

    p.Command(0x80);
    p.Command(0x10);
    p.Command(0xA0); // ignored while erasing
    p.Write(0x20, 0x00);
    p.Wait(69'000'000);
    EXPECT_EQ(p.Read(0) & 0x80, 0);
    p.Wait(2'000'000);
    EXPECT_EQ(p.Read(0), 0xFF);
    EXPECT_EQ(std::count(p.chip.Memory().begin(), p.chip.Memory().end(), 0xFF), 256 * 1024);
}

} // namespace
} // namespace quorbit::sim
