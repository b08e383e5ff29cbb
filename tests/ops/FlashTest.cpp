// The 32-pin flash chips: identification, byte programming with read-back, the
// failure after 49 writes and the Atmel makers' read-back after the wait.
#include <gtest/gtest.h>

#include "FlashRig.h"
#include "PropertyCheck.h"
#include "ops/FlashId.h"
#include "sim/SimFamilies.h"
#include "sim/SimSstFlash.h"

namespace quorbit::test {
namespace {

using Lines = std::vector<std::string>;
const std::string kIdStart = "Reading Flash Code ID_________________ wait";

struct IdCase {
    int selectRow, chipRow;
    std::string line;
};

class FlashIdOf : public ::testing::TestWithParam<IdCase> {};

TEST_P(FlashIdOf, EachSimulatedChip) {
    const IdCase& c = GetParam();
    ChipRig r;
    sim::ParallelChip& chip = InsertAnyFlash(r, c.selectRow, c.chipRow);
    r.Press(r.app.ui.menuFlashShowCodeID);
    EXPECT_EQ(r.rig.LogLines(), (Lines{kIdStart, c.line}));
    if (auto* amd = dynamic_cast<sim::JedecFlash*>(&chip)) {
        EXPECT_EQ(amd->CurrentMode(), sim::JedecFlash::Mode::Read) << "left in read mode";
    } else {
        auto* sst = dynamic_cast<sim::SstFlash*>(&chip);
        ASSERT_NE(sst, nullptr);
        EXPECT_EQ(sst->CurrentMode(), sim::SstFlash::Mode::Read) << "left in read mode";
    }
    EXPECT_EQ(r.app.board.Reg0Shadow & 0x08, 0) << "board indicator off again";
}

INSTANTIATE_TEST_SUITE_P(
    Chips, FlashIdOf,
    ::testing::Values(
        IdCase{kAm29F040, kAm29F040, "Device ID# 01A4 - AMD am29F040 Flash Memory"},
        IdCase{kAm29F010, kAm29F010, "Device ID# 0120 - AMD am29F010 Flash Memory"},
        IdCase{kAm29F020, kAm29F020, "Device ID# 0134 -  Not Valid!!!"},
        IdCase{kAm29F040, kEn29F040, "Device ID# 1C04 - EON EN29F040 Flash Memory"},
        IdCase{kAm29F040, kA29040, "Device ID# 3786 - AMIC A29040 Flash Memory"},
        IdCase{kSst39SF010A, kSst39SF010A, "Device ID# BFB5 - SST SST39SF010A Flash Memory"},
        IdCase{kSst39SF020A, kSst39SF020A, "Device ID# BFB6 - SST SST39SF020A Flash Memory"},
        IdCase{kSst39SF040, kSst39SF040, "Device ID# BFB7 - SST SST39SF040 Flash Memory"}));

TEST(FlashId, UnlistedCodeIsNotValidAndEmptySocketIsNotAFlashUnit) {
    ChipRig r;
    InsertFlash(r, kAm29F040, kAm29F040).SetIdCodes(0xBF, 0x07);
    r.Press(r.app.ui.menuFlashShowCodeID);
    EXPECT_EQ(r.rig.LogLines(), (Lines{kIdStart, "Device ID# BF07 -  Not Valid!!!"}));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);

    r.rig.sim->Remove();
    r.rig.ClearLog();
    r.Press(r.app.ui.menuFlashShowCodeID);
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{kIdStart, "*** Not a Flash Unit, Address 00&01 = FlashCode ***",
                     "Device ID# FFFF -  Not Valid!!!"}));
}

TEST(FlashId, CommandCyclesAreSixtySixPortWritesWithoutPauses) {
    ChipRig r;
    InsertFlash(r, kAm29F040, kAm29F040);
    const Board& b = r.app.board;
    const int shadows[5] = {b.Reg0Shadow, b.Reg1Shadow, b.Reg2Shadow, b.Reg3Shadow, b.Reg4Shadow};
    r.app.board.DisableOutput();
    const auto before = r.rig.sim->Accesses();
    const auto timeBefore = r.rig.sim->NowNs();
    SendFlashCommand(r.app.board, r.app.dev, 0x90);
    // Its own DisableOutput latch (four writes, three pauses), then 66 writes without a pause.
    EXPECT_EQ(r.rig.sim->Accesses() - before, 4u + 66u);
    const std::int64_t pauses = 3LL * b.PortDelayCount * 10 * kDelayStepNanoseconds;
    EXPECT_EQ(r.rig.sim->NowNs() - timeBefore, 70 * sim::kPortAccessNs + pauses);
    EXPECT_EQ(r.rig.sim->Regs().r[1], 0x55);
    EXPECT_EQ(r.rig.sim->Regs().r[2], 0x55);
    EXPECT_EQ(b.Reg1Shadow, shadows[1]);
    EXPECT_EQ(b.Reg3Shadow, shadows[3]);
    EXPECT_EQ(b.Reg4Shadow, shadows[4]);
}

class FlashRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(FlashRoundTrip, Am29F040ProgramsEveryBankThroughTheBankMap) {
    ChipRig r(GetParam());
    sim::JedecFlash& chip = InsertFlash(r, kAm29F040, kAm29F040);
    const auto image = sim::AddressPatternContents(512 * 1024);
    const auto programmed = ProgramWithPflash(r, image);
    EXPECT_EQ(r.rig.LogLines(), (Lines{"Device ID# 01A4 - AMD am29F040 Flash Memory",
                                       "Device ID# 01A4 - Start programming"}));
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->Succeeded());
    EXPECT_TRUE(chip.Memory() == image) << "banks 4-7 reach A18 on register 3 bit 3";
    EXPECT_EQ(r.progress.maxSeen, 2048);
    EXPECT_EQ(r.progress.valueSeen, 2048);
}

INSTANTIATE_TEST_SUITE_P(Models, FlashRoundTrip, ::testing::Values(4, 6));

/// Counts the write cycles that end at one address.
class CountingFlash : public sim::JedecFlash {
  public:
    CountingFlash(std::uint32_t watched, const sim::JedecFlashVariant& v)
        : JedecFlash("Flash AMD AM29F010", std::vector<std::uint8_t>(128 * 1024, 0xFF),
                     sim::Flash32Wiring(128, false), v),
          watched_(watched) {}
    int writes = 0;

  protected:
    void PinsChanged(const sim::ChipPins& before, const sim::ChipPins& now,
                     std::int64_t nowNs) override {
        if (before.ce && before.we && !before.oe && !now.we && now.address == watched_) ++writes;
        JedecFlash::PinsChanged(before, now, nowNs);
    }

  private:
    std::uint32_t watched_;
};

CountingFlash& InsertCounting(ChipRig& r, std::uint32_t watched, std::uint8_t maker = 0x01,
                              std::uint8_t device = 0x20) {
    EXPECT_TRUE(SelectDevice(r.app, kAm29F010));
    sim::JedecFlashVariant v = *sim::FindJedecFlashVariant("Flash AMD AM29F010");
    v.maker = maker;
    v.device = device;
    auto chip = std::make_unique<CountingFlash>(watched, v);
    CountingFlash& ref = *chip;
    r.rig.sim->Insert(std::move(chip));
    r.rig.ClearLog();
    return ref;
}

TEST(FlashProgram, AByteThatWillNotProgramEndsAfter49WritesNamingItsAddress) {
    ChipRig r;
    CountingFlash& chip = InsertCounting(r, 0x1ABCD);
    chip.StickBit(0x1ABCD, 2, true);
    std::vector<std::uint8_t> image(128 * 1024, 0x11);
    image[0x1ABCD] = 0x00;
    const auto programmed = ProgramWithPflash(r, image);
    EXPECT_EQ(chip.writes, 49);
    const Lines lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[2], "*** Programming Failure ***");
    EXPECT_EQ(lines[3].rfind("*** Address:1ABCDh, Programming BYTE:0h, Read BYTE:", 0), 0u)
        << lines[3];
    EXPECT_EQ(lines[4], "*** Aborting Programming.");
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->failure.has_value());
    EXPECT_EQ(chip.Memory()[0x1ABCC], 0x11) << "the bytes before it were programmed";
    EXPECT_EQ(chip.Memory()[0x1ABCE], 0xFF) << "nothing after it";
    ASSERT_FALSE(r.rig.dialogs.boxes.empty());
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Program or Compare Error");
}

TEST(FlashProgram, AtmelMakerBytesAreReadBackAfterTheWait) {
    // Maker 1Fh: each byte is written, the 1 ms write time waited, then read back.
    ChipRig r;
    CountingFlash& chip = InsertCounting(r, 0x00042, 0x1F, 0xD5);
    chip.StickBit(0x00042, 7, true);
    std::vector<std::uint8_t> image(128 * 1024, 0xFF);
    image[0x41] = 0x12;
    image[0x42] = 0x34;
    const auto programmed = ProgramWithPflash(r, image);
    EXPECT_EQ(r.rig.LogLines()[0], "Device ID# 1FD5 - ATMEL 29C010 Flash Memory");
    EXPECT_EQ(chip.writes, 49) << "a byte that did not take is written again";
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->failure.has_value()) << "never reported as programmed";
    EXPECT_TRUE(r.LogHas("*** Programming Failure ***"));
    EXPECT_EQ(chip.Memory()[0x41], 0x12);
}

TEST(FlashProgram, AtmelMakerChipWithoutDefectsProgramsWholly) {
    ChipRig r;
    CountingFlash& chip = InsertCounting(r, 0x100, 0x1F, 0xD5);
    const auto image = sim::RandomContents(128 * 1024, 7);
    const auto before = r.rig.sim->NowNs();
    const auto programmed = ProgramWithPflash(r, image);
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->Succeeded());
    EXPECT_TRUE(chip.Memory() == image);
    EXPECT_EQ(chip.writes, 1);
    EXPECT_GE(r.rig.sim->NowNs() - before, 131072LL * 1'000'000) << "1 ms per byte";
}

TEST(FlashProgram, UnsupportedMakerIsNotProgrammed) {
    ChipRig r;
    sim::JedecFlash& chip = InsertFlash(r, kAm29F040, kAm29F040);
    chip.SetIdCodes(0xBF, 0x07);
    const auto programmed = ProgramWithPflash(r, std::vector<std::uint8_t>(512 * 1024, 0x00));
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{"Device ID# BF07 -  Not Valid!!!", "Device ID# BF07 - Not Supported"}));
    EXPECT_FALSE(programmed) << "the chip is left alone";
    EXPECT_EQ(std::count(chip.Memory().begin(), chip.Memory().end(), 0xFF), 512 * 1024);
}

TEST(FlashProgram, HiByteImageWritesOnlyItsOwnLength) {
    ChipRig r;
    sim::JedecFlash& chip = InsertFlash(r, kAm29F010, kAm29F010);
    // A stale image from an earlier run must not reach the upper half.
    std::fill(r.app.ops.ProgramImage.begin(), r.app.ops.ProgramImage.end(), 0x00);
    SetOption(r.app.ui.HiLowGroup(), 1, true);
    const auto code = sim::RandomContents(128 * 1024, 3);
    const auto programmed = ProgramWithPflash(r, code);
    ASSERT_EQ(r.app.ops.ProgramLength, 64 * 1024);
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->Succeeded());
    for (std::size_t i = 0; i < 64 * 1024; ++i)
        ASSERT_EQ(chip.Memory()[i], code[2 * i + 1]) << i;
    EXPECT_EQ(std::count(chip.Memory().begin() + 64 * 1024, chip.Memory().end(), 0xFF), 64 * 1024);
}

TEST(FlashMenu, ResetFlashReturnsTheChipToReadMode) {
    ChipRig r;
    sim::JedecFlash& chip = InsertFlash(r, kAm29F040, kAm29F040);
    Reset(r.app);
    r.app.board.DriveDataPins();
    SendFlashCommand(r.app.board, r.app.dev, 0x90);
    ASSERT_EQ(chip.CurrentMode(), sim::JedecFlash::Mode::Autoselect);
    r.app.ui.ResetFlash.enabled = true;
    r.Press(r.app.ui.ResetFlash);
    EXPECT_EQ(chip.CurrentMode(), sim::JedecFlash::Mode::Read);
}

TEST(FlashMenu, LoopFlashTestRepeatsTheSameByteProgram) {
    ChipRig r;
    CountingFlash& chip = InsertCounting(r, 0x000);
    SetPosition(r.app.ui.speedSlider, 1);
    Reset(r.app);
    r.app.board.DriveDataPins(); // as the programming routine leaves the data drive
    r.app.ops.ProgramImage[0] = 0xA5;
    r.app.ui.LoopFlashTest.enabled = true;
    r.rig.ClearLog(); // the slider logs its own line
    r.Press(r.app.ui.LoopFlashTest);
    EXPECT_EQ(chip.writes, 1000);
    EXPECT_EQ(chip.Memory()[0], 0xA5);
    EXPECT_TRUE(r.rig.LogLines().empty());
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

// A program that runs past the chip's limit leaves it showing status (DQ5) until a
// reset command: the read that follows must still give the chip's contents.
TEST(Flash, ReadAfterAFailedProgramGivesTheContentsNotTheStatus) {
    ChipRig r;
    const auto contents = sim::FilledContents(131072, 0x00);
    InsertFlash(r, kAm29F010, kAm29F010, contents);
    r.LoadCode({0x12}); // 12h cannot be written over 00h
    SetCheck(r.app.ui.verifyAfterCheck, 0);
    Fire(r.app.ui.programButton.onClick);
    ASSERT_TRUE(r.LogHas("*** Aborting Programming."));
    Fire(r.app.ui.readButton.onClick);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.Code(131072), contents);
}

// The byte writer driven alone, with the board, the device, the maker and a part
// of an image, on an erased chip with one bit stuck high: every held byte below the
// one the cell cannot take is written, the others passed over, and the outcome says
// where it gave up: the address, the byte written and what the chip showed, its
// embedded program past its limit (DQ5 set, DQ7 the complement of the byte's bit 7).
TEST(FlashRoutine, DrivenAloneItGivesUpWhereABitStuckHighCannotBeCleared) {
    CheckProperty(12, [] {
        const HeldImage image = DrawHeldImage(1, 400);
        const int stuckBit = *rc::gen::inRange(0, 8);
        ChipRig r;
        sim::JedecFlash& chip =
            InsertFlash(r, kAm29F010, kAm29F010, sim::FilledContents(131072, 0xFF));
        chip.StickBit(image.bad, stuckBit, true);
        const std::uint8_t wanted = image.bytes[image.bad];
        const bool cannotTake = image.Holds(image.bad) && ((wanted >> stuckBit) & 1) == 0;

        Board& b = r.app.board;
        b.ResetLines();
        HeardEvents events;
        const ProgramOutcome outcome = ProgramFlash(b, r.app.dev, 0x01, image.ToWrite(), events);

        RC_ASSERT(outcome.Succeeded() == !cannotTake);
        RC_ASSERT(events.steps == 512);
        const std::uint32_t end =
            cannotTake ? image.bad : static_cast<std::uint32_t>(image.bytes.size());
        for (std::uint32_t a = 0; a < end; ++a)
            RC_ASSERT(chip.ReadsAs(a) == (image.Holds(a) ? image.bytes[a] : 0xFF));
        if (!cannotTake) return;
        const ProgramFailureAt& at = *outcome.failure;
        RC_ASSERT(at.address == static_cast<std::int32_t>(image.bad));
        RC_ASSERT(at.wrote == wanted);
        RC_ASSERT((at.read & 0x20) != 0);
        RC_ASSERT(((at.read ^ wanted) & 0x80) != 0);
        RC_ASSERT(b.Reg0Shadow == 0x40); // every programming voltage off, OE inactive
    });
}

} // namespace
} // namespace quorbit::test
