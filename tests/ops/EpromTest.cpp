// The five UV EPROM routines, each on its simulated chip through models 4 and 6:
// a random image programmed and read back, FFh bytes never pulsed, the indicator
// blinking at the routine's pace, a weak cell getting long pulses from the 56th,
// and a stuck cell ending in the failure report; and the routine driven alone,
// with its arguments, on a chip with a bad cell.
#include <gtest/gtest.h>

#include <algorithm>

#include "ChipRig.h"
#include "PropertyCheck.h"
#include "ops/Eprom.h"
#include "sim/SimEprom.h"

namespace quorbit::test {
namespace {

struct Case {
    int row;
    const char* chip;
    int toggleEvery; // bytes between two blinks of the program lamp
    int model;
};

std::vector<Case> AllCases() {
    const Case chips[] = {
        {2, "2732A", 64, 0},    {6, "2764", 512, 0},     {9, "27C128", 512, 0},
        {11, "27C256", 512, 0}, {13, "27C512", 1024, 0}, {15, "27C010", 512, 0},
        {17, "27C020", 512, 0}, {19, "27C040", 512, 0},  {21, "27C080", 1024, 0},
    };
    std::vector<Case> cases;
    for (int model : {4, 6})
        for (Case c : chips) {
            c.model = model;
            cases.push_back(c);
        }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return std::string("Eprom") + info.param.chip + "_Model" + std::to_string(info.param.model);
}

sim::SimEprom& AsEprom(sim::ParallelChip& chip) {
    return dynamic_cast<sim::SimEprom&>(chip);
}

class ProgramsEveryEprom : public ::testing::TestWithParam<Case> {};

TEST_P(ProgramsEveryEprom, RandomImageIsProgrammedAndReadsBackEqual) {
    const Case c = GetParam();
    ChipRig r(c.model);
    const std::size_t size = sim::SimChipSize(c.row);
    auto image = sim::RandomContents(size, 11);
    image[7] = 0xFF; // an erased byte in the image is left alone
    sim::SimEprom& chip = AsEprom(r.Insert(c.row, {}));
    r.LoadCode(image);
    int lampChanges = 0;
    auto lamp = r.app.ui.programLamp.foreColor;
    r.progress.onRepaint = [&] {
        if (r.app.ui.programLamp.foreColor != lamp) ++lampChanges;
        lamp = r.app.ui.programLamp.foreColor;
    };
    r.Press(r.app.ui.programButton);

    EXPECT_EQ(r.rig.LogLines(), (std::vector<std::string>{"Programming Button Pressed",
                                                          "Programming Started... Wait ",
                                                          "Programming Device Successfull"}));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_TRUE(chip.Memory() == image);
    EXPECT_EQ(chip.PulsesAt(7), 0);
    // Lamp on, one blink per toggleEvery bytes, lamp off at the end.
    EXPECT_EQ(lampChanges, 2 + static_cast<int>(size) / c.toggleEvery);
    EXPECT_EQ(r.progress.valueSeen, 99);
    EXPECT_EQ(r.app.ui.progressBar.value, 0);
    EXPECT_EQ(r.app.board.Reg0Shadow, 0x40); // board reset: voltages off, OE inactive
    EXPECT_FALSE(r.rig.sim->Regs().CeActive());

    r.rig.ClearLog();
    r.Press(r.app.ui.readButton);
    EXPECT_TRUE(r.Code(size) == image);
}

INSTANTIATE_TEST_SUITE_P(Routines, ProgramsEveryEprom, ::testing::ValuesIn(AllCases()), CaseName);

class ErasedImage : public ::testing::TestWithParam<Case> {};

/// Every chip on model 6, the chips up to 64 KiB on model 4 too.
std::vector<Case> ErasedImageCases() {
    std::vector<Case> cases;
    for (const Case& c : AllCases())
        if (c.model == 6 || sim::SimChipSize(c.row) <= 65536) cases.push_back(c);
    return cases;
}

TEST_P(ErasedImage, AllFFImageGivesNoPulseAndSucceeds) {
    const Case c = GetParam();
    ChipRig r(c.model);
    sim::SimEprom& chip = AsEprom(r.Insert(c.row, {}));
    r.LoadCode(std::vector<std::uint8_t>(sim::SimChipSize(c.row), 0xFF));
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("Programming Device Successfull"));
    EXPECT_EQ(chip.TotalPulses(), 0);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
}

INSTANTIATE_TEST_SUITE_P(Routines, ErasedImage, ::testing::ValuesIn(ErasedImageCases()), CaseName);

// ---- Weak and stuck cells, one chip per routine ------------------------------------

class EpromCellFaults : public ::testing::TestWithParam<Case> {};

std::vector<Case> OnePerRoutine() {
    std::vector<Case> cases;
    for (const Case& c : AllCases())
        if (c.row == 2 || c.row == 9 || c.row == 11 || c.row == 13 || c.row == 15)
            cases.push_back(c);
    return cases;
}

constexpr std::uint32_t kCell = 0x123;

std::vector<std::uint8_t> OneByteImage(int row, std::uint8_t value) {
    std::vector<std::uint8_t> image(sim::SimChipSize(row), 0xFF);
    image[kCell] = value;
    image[kCell + 1] = 0x55;
    return image;
}

// A cell that needs 70 datasheet pulses' worth of programming time: 55 pulses
// near the datasheet's width are not enough, the longer pulses from the 56th make
// up the rest; the 2732's timed 5 ms pulse is never lengthened.
TEST_P(EpromCellFaults, WeakCellGetsLongPulsesFromThe56thUntilItHasItsTime) {
    const Case c = GetParam();
    ChipRig r(c.model);
    sim::SimEprom& chip = AsEprom(r.Insert(c.row, {}));
    chip.MakeWeak(kCell, 70);
    std::vector<sim::ProgramPulse> pulses;
    chip.onPulse = [&](const sim::ProgramPulse& p) {
        if (p.address == kCell) pulses.push_back(p);
    };
    r.LoadCode(OneByteImage(c.row, 0x3C));
    r.Press(r.app.ui.programButton);

    EXPECT_TRUE(r.LogHas("Programming Device Successfull"));
    EXPECT_EQ(chip.Memory()[kCell], 0x3C);
    ASSERT_GE(pulses.size(), 57u) << "55 pulses cannot make 70 pulses' worth";
    ASSERT_LE(pulses.size(), 70u);
    EXPECT_TRUE(pulses.back().took) << "no pulse after the one that completed the cell";
    EXPECT_FALSE(pulses[pulses.size() - 2].took);
    for (std::size_t i = 1; i < 55; ++i) // the pulses of one byte are alike until the 56th
        EXPECT_EQ(pulses[i].widthNs, pulses[0].widthNs) << i;
    if (c.row == 2) {
        EXPECT_EQ(pulses.back().widthNs, pulses[0].widthNs);
        EXPECT_GE(pulses.back().widthNs, 5'000'000);
    } else {
        EXPECT_GT(pulses[55].widthNs, 4 * pulses[54].widthNs);
    }
    EXPECT_EQ(chip.PulsesAt(kCell + 1), 1);
}

TEST_P(EpromCellFaults, StuckCellEndsInTheFailureReportAfter254Pulses) {
    const Case c = GetParam();
    ChipRig r(c.model);
    AlertSnapshotDialogs dialogs(r.app);
    r.app.svc.dialogs = &dialogs;
    sim::SimEprom& chip = AsEprom(r.Insert(c.row, {}));
    chip.StickBit(kCell, 3, true); // bit 3 never programs to 0
    r.LoadCode(OneByteImage(c.row, 0x00));
    SetCheck(r.app.ui.verifyAfterCheck, 1);
    r.Press(r.app.ui.programButton);

    EXPECT_EQ(r.rig.LogLines(), (std::vector<std::string>{
                                    "Programming Button Pressed", "Programming Started... Wait ",
                                    "*** Programming Failure ***",
                                    "*** Address:123h, Programming BYTE:0h, Read BYTE:8h",
                                    "*** Aborting Programming.", "Error Alert was Turned Off"}));
    EXPECT_EQ(chip.PulsesAt(kCell), 254);
    EXPECT_EQ(chip.PulsesAt(kCell + 1), 0); // programming stopped at the failing byte
    ASSERT_EQ(dialogs.boxes.size(), 2u);    // safety question, critical message
    EXPECT_EQ(dialogs.boxes[1].text, "Program or Compare Error");
    EXPECT_TRUE(dialogs.snapshots[1].errorLampRed);
    EXPECT_FALSE(dialogs.snapshots[1].program || dialogs.snapshots[1].verify);
    EXPECT_TRUE(r.app.ui.programButton.enabled); // restored with the alert
    EXPECT_EQ(r.app.ui.errorLamp.foreColor, colour::ButtonFace);
    ASSERT_TRUE(r.app.ops.ProgramFailure.has_value());
    EXPECT_EQ(r.app.ops.ProgramFailure->address, static_cast<std::int32_t>(kCell));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("error.wav")});
    EXPECT_EQ(r.app.board.Reg0Shadow, 0x40);
}

INSTANTIATE_TEST_SUITE_P(Routines, EpromCellFaults, ::testing::ValuesIn(OnePerRoutine()), CaseName);

// ---- The routine driven alone --------------------------------------------------------

// A part of an image, held here and there, on a chip with one bad cell: a byte
// programmed before, or a bit stuck at 1. The routine, given only the board, the
// device and the image, writes every held byte below the first one the cell cannot
// take, passes the others over, and says where it gave up: the address, the byte
// it wrote and the byte the chip shows there.
TEST(EpromRoutine, DrivenAloneItWritesTheHeldBytesAndGivesUpWhereACellCannotTakeItsByte) {
    CheckProperty(25, [] {
        const Case c = *rc::gen::elementOf(AllCases());
        const auto length = *rc::gen::inRange(1, 600);
        const auto bytes = *rc::gen::container<std::vector<std::uint8_t>>(
            static_cast<std::size_t>(length), rc::gen::arbitrary<std::uint8_t>());
        const auto mask = *rc::gen::container<std::vector<int>>(static_cast<std::size_t>(length),
                                                                rc::gen::inRange(0, 2));
        const auto bad = static_cast<std::uint32_t>(*rc::gen::inRange(0, length));
        const bool programmedBefore = *rc::gen::arbitrary<bool>();
        const auto before = *rc::gen::inRange<std::uint8_t>(0x00, 0xFF); // never FFh
        const int stuckBit = *rc::gen::inRange(0, 8);

        ChipRig r(c.model);
        std::vector<std::uint8_t> contents(sim::SimChipSize(c.row), 0xFF);
        if (programmedBefore) contents[bad] = before;
        sim::SimEprom& chip = AsEprom(r.Insert(c.row, contents));
        const auto stuck = static_cast<std::uint8_t>(programmedBefore ? 0U : 1U << stuckBit);
        if (!programmedBefore) chip.StickBit(bad, stuckBit, true);

        const Coverage held = HeldBy(mask);
        const std::uint8_t wanted = bytes[bad];
        const bool cannotTake =
            mask[bad] != 0 && (programmedBefore ? wanted != before && (wanted & ~before) != 0
                                                : (wanted & stuck) == 0);
        const std::int32_t end = cannotTake ? static_cast<std::int32_t>(bad) : length;

        Board& b = r.app.board;
        b.ResetLines();
        b.LatchAddress();
        HeardEvents events;
        const ProgramOutcome outcome =
            ProgramEprom(b, r.app.dev, {bytes, held, static_cast<std::int32_t>(length)}, events);

        RC_ASSERT(outcome.Succeeded() == !cannotTake);
        if (cannotTake) {
            RC_ASSERT(outcome.failure->address == static_cast<std::int32_t>(bad));
            RC_ASSERT(outcome.failure->wrote == wanted);
            RC_ASSERT(outcome.failure->read == (chip.Memory()[bad] | stuck));
            RC_ASSERT(b.Reg0Shadow == 0x40); // every programming voltage off, OE inactive
        }
        int blinks = 0;
        for (std::int32_t a = 0; a < end; ++a) {
            const auto at = static_cast<std::size_t>(a);
            RC_ASSERT((chip.Memory()[at] | (at == bad ? stuck : 0)) ==
                      (mask[at] != 0 ? bytes[at] : contents[at]));
            if (mask[at] != 0 && a % c.toggleEvery == 0) ++blinks;
        }
        RC_ASSERT(events.advanced == end);
        RC_ASSERT(events.blinks == blinks);
        RC_ASSERT(!events.lines.empty() && events.lines.back() == "Programming Started... Wait ");
    });
}

} // namespace
} // namespace quorbit::test
