// Erase Chip: the safety question, the 32-pin chip erase with DQ7 polling, its
// time-out, the AT29C256 erase, and the types that have nothing to erase.
#include <gtest/gtest.h>

#include "FlashRig.h"
#include "PropertyCheck.h"
#include "ops/EraseChip.h"
#include "ops/FlashErase.h"
#include "sim/SimFamilies.h"

namespace quorbit::test {
namespace {

using Lines = std::vector<std::string>;
const std::string kPressed = "Flash Erase Button Pressed";
const std::string kReadBack = "Checking Device for BLANK (Erased)... Wait";
const std::string kBlank = "Device IS BLANK (ERASED)";

class FlashErase : public ::testing::TestWithParam<int> {};

TEST_P(FlashErase, Am29F040IsErasedWholly) {
    ChipRig r(GetParam());
    sim::JedecFlash& chip =
        InsertFlash(r, kAm29F040, kAm29F040, sim::AddressPatternContents(512 * 1024));
    r.Press(r.app.ui.eraseChipButton);
    EXPECT_EQ(r.rig.LogLines(), (Lines{kPressed, "Device ID# 01A4 - AMD am29F040 Flash Memory",
                                       "Device ID# 01A4 - Erase Operation Started.. WAIT!",
                                       kReadBack, kBlank, "Flash Erasing Operation COMPLETED"}));
    EXPECT_EQ(std::count(chip.Memory().begin(), chip.Memory().end(), 0xFF), 512 * 1024);
    EXPECT_EQ(chip.CurrentMode(), sim::JedecFlash::Mode::Read);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    const auto& box = r.rig.dialogs.boxes[0];
    EXPECT_EQ(box.text, "Are you SURE about Erase the Device?");
    EXPECT_EQ(box.title, "Safety Question");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::OkCancel);
    EXPECT_EQ(box.defaultButton, 1) << "Cancel is the default";
}

INSTANTIATE_TEST_SUITE_P(Models, FlashErase, ::testing::Values(4, 6));

TEST(EraseChip, EraseThenProgramThenEraseAgainOnModel4) {
    ChipRig r(4);
    sim::JedecFlash& chip = InsertFlash(r, kAm29F010, kAm29F010, sim::RandomContents(131072, 9));
    r.Press(r.app.ui.eraseChipButton);
    const auto image = sim::RandomContents(131072, 10);
    ProgramWithPflash(r, image);
    EXPECT_TRUE(chip.Memory() == image);
    r.Press(r.app.ui.menuEraseFlash);
    EXPECT_EQ(std::count(chip.Memory().begin(), chip.Memory().end(), 0xFF), 131072);
}

TEST(EraseChip, ACellThatStaysProgrammedAfterDq7SaysDoneIsAFailure) {
    ChipRig r;
    sim::JedecFlash& chip = InsertFlash(r, kAm29F010, kAm29F010, sim::FilledContents(131072, 0x00));
    chip.StickBit(0x1F4B0, 2, false);
    r.Press(r.app.ui.eraseChipButton);
    const Lines lines = r.rig.LogLines();
    EXPECT_EQ(Lines(lines.begin() + 3, lines.end()),
              (Lines{kReadBack, "Device IS NOT BLANK (ERASED)", "Address: 1F4B0 ][ Device Data: FB",
                     "Error Alert was Turned Off", "Erasing Operation NOT COMPLETED!"}));
    EXPECT_FALSE(r.LogHas("Flash Erasing Operation COMPLETED"));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
}

/// The longest erase of the phase shown while the chip erases, in seconds.
double LongestErasingShown(ChipRig& r, std::vector<std::string>& phases) {
    double longest = 0;
    r.progress.onRepaint = [&] {
        const std::string& phase = r.app.report.WaitPhase;
        if (!phase.empty() && (phases.empty() || phases.back() != phase)) phases.push_back(phase);
        if (!phase.empty()) longest = std::max(longest, r.app.report.WaitSeconds);
    };
    r.Press(r.app.ui.eraseChipButton);
    r.progress.onRepaint = nullptr;
    return longest;
}

// The datasheet's longest chip erase, 64 s, waited out on the port's clock (the
// simulated board's: no real time passes), with the wait shown as it goes.
TEST(EraseChip, AnEraseAsLongAsTheDatasheetAllowsIsWaitedOut) {
    ChipRig r;
    ASSERT_TRUE(SelectDevice(r.app, kAm29F040));
    sim::JedecFlashVariant slow = *sim::FindJedecFlashVariant("Flash AMD AM29F040");
    slow.chipEraseNs = 64'000'000'000;
    auto chip =
        std::make_unique<sim::JedecFlash>("Flash AMD AM29F040", sim::FilledContents(524288, 0x3C),
                                          sim::Flash32Wiring(512, false), slow);
    sim::JedecFlash& flash = *chip;
    r.rig.sim->Insert(std::move(chip));
    r.rig.ClearLog();
    const std::int64_t start = r.rig.sim->NowNs();
    std::vector<std::string> phases;
    const double shown = LongestErasingShown(r, phases);

    EXPECT_EQ(r.rig.LogLines(), (Lines{kPressed, "Device ID# 01A4 - AMD am29F040 Flash Memory",
                                       "Device ID# 01A4 - Erase Operation Started.. WAIT!",
                                       kReadBack, kBlank, "Flash Erasing Operation COMPLETED"}));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(std::count(flash.Memory().begin(), flash.Memory().end(), 0xFF), 524288);
    EXPECT_GE(r.rig.sim->NowNs() - start, 64'000'000'000);
    EXPECT_EQ(phases, std::vector<std::string>{"Erasing the chip"});
    EXPECT_GE(shown, 63.0);
    EXPECT_LT(shown, 64.1);
    EXPECT_TRUE(r.app.report.WaitPhase.empty()) << "the wait is over";
}

// No count of reads: the chip is given up on once its longest erase and a quarter
// more have passed, however fast the port polls.
TEST(EraseChip, AnEraseThatNeverFinishesTimesOutAfterTheDatasheetsLongestErase) {
    for (const std::int64_t accessNs : {1000, 100}) {
        ChipRig r;
        r.rig.sim->SetPortAccessNs(accessNs);
        sim::JedecFlash& chip =
            InsertFlash(r, kAm29F040, kAm29F040, sim::FilledContents(524288, 0x3C));
        chip.SetEraseHangs(true);
        const std::int64_t start = r.rig.sim->NowNs();
        std::vector<std::string> phases;
        const double shown = LongestErasingShown(r, phases);
        const std::int64_t taken = r.rig.sim->NowNs() - start;
        EXPECT_GE(taken, 80'000'000'000) << accessNs;
        EXPECT_LT(taken, 81'000'000'000) << accessNs;
        EXPECT_GE(shown, 79.0);
        EXPECT_TRUE(r.app.report.WaitPhase.empty());
        const Lines lines = r.rig.LogLines();
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_EQ(Lines(lines.begin() + 3, lines.end()),
                  (Lines{"TimeOut Failure during Erasing Flash", "Flash Chip is not responding",
                         "Erasing Operation NOT COMPLETED!"}));
        EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
        EXPECT_EQ(chip.Memory()[0], 0x3C);
        EXPECT_EQ(chip.CurrentMode(), sim::JedecFlash::Mode::Exceeded) << "no reset command sent";
    }
}

// A chip whose erase outlasts the program's wait and never sets DQ5 erases on: it
// ignores the reset command and answers every read with its erase status (DQ7 0,
// DQ6 toggling, DQ3 1). Its status bytes
// are not its contents: read, blank check and verify fail and say it is busy.
TEST(EraseChip, AChipStillErasingAfterTheTimeOutIsNeitherReadBlankCheckedNorCompared) {
    ChipRig r;
    sim::JedecFlash& chip = InsertFlash(r, kAm29F010, kAm29F010, sim::FilledContents(131072, 0x08));
    chip.SetEraseNeverEnds(true);
    r.Press(r.app.ui.eraseChipButton);
    ASSERT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    r.LoadCode(std::vector<std::uint8_t>(131072, 0x08)); // what the status reads would match
    for (Control* button : {&r.app.ui.readButton, &r.app.ui.blankButton, &r.app.ui.verifyButton}) {
        ASSERT_EQ(chip.CurrentMode(), sim::JedecFlash::Mode::Erasing);
        r.rig.ClearLog();
        r.app.ops.Outcome = OpOutcome::None;
        r.Press(*button);
        EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed) << button->name;
        EXPECT_TRUE(r.LogHas("Error: the Flash AMD AM29F010 is still busy (an erase or program "
                             "has not ended) and shows its status, not its contents"))
            << button->name;
        for (const char* claim : {"131072 bytes Read from Device", "Device IS BLANK (ERASED)",
                                  "Device Contents MATCHES with Buffer Contents"})
            EXPECT_FALSE(r.LogHas(claim)) << button->name;
        EXPECT_EQ(r.app.board.Reg0Shadow, 0x40) << "the board reset";
        EXPECT_EQ(r.app.board.Reg3Shadow, 0xC4 | r.app.board.DeviceReg3Bits) << "the board reset";
    }
}

// The erase routine driven alone, with the board and the device record: a chip
// that erases ends it with every byte FFh and the chip back in read mode; one that
// never finishes is given up on once the record's longest erase and a quarter more
// have passed on the port's clock, its contents untouched, the wait told as it went.
TEST(EraseChip, DrivenAloneItWaitsTheRecordsLongestEraseAndNoMore) {
    CheckProperty(8, [] {
        // The A29040 is not a row of its own: an AM29F040 chosen, it sits in the socket.
        const int socket =
            *rc::gen::element(kAm29F010, kAm29F040, kA29040, kSst39SF010A, kSst39SF040);
        const int chosen = socket == kA29040 ? kAm29F040 : socket;
        const bool hangs = *rc::gen::arbitrary<bool>();
        ChipRig r;
        sim::ParallelChip& chip = InsertAnyFlash(r, chosen, socket);
        std::fill(chip.Memory().begin(), chip.Memory().end(), std::uint8_t{0x3C});
        dynamic_cast<sim::FlashFaults&>(chip).SetEraseHangs(hangs);
        Board& b = r.app.board;
        b.ResetLines();
        HeardEvents events;
        const EraseOutcome outcome = EraseFlashChip(b, r.app.dev, events);

        RC_ASSERT(outcome.finished == !hangs);
        RC_ASSERT(events.waitsOver == 1);
        const auto& memory = chip.Memory();
        const std::uint8_t left = hangs ? 0x3C : 0xFF;
        RC_ASSERT(std::all_of(memory.begin(), memory.end(), [&](auto v) { return v == left; }));
        if (!hangs) return;
        const int longestMs =
            r.app.dev.facts.chipEraseMaxMs > 0 ? r.app.dev.facts.chipEraseMaxMs : 64'000;
        const std::int64_t boundNs = std::int64_t{longestMs} * 1'250'000;
        RC_ASSERT(outcome.takenNs >= boundNs);
        RC_ASSERT(outcome.takenNs < boundNs + 10'000'000);
        RC_ASSERT(!events.phases.empty());
        RC_ASSERT(events.phases.back() == "Erasing the chip");
        RC_ASSERT(events.waitedSeconds >= static_cast<double>(boundNs) / 1e9);
    });
}

TEST(EraseChip, UnsupportedMakerIsNotErased) {
    ChipRig r;
    sim::JedecFlash& chip = InsertFlash(r, kAm29F040, kAm29F040, sim::FilledContents(524288, 0));
    chip.SetIdCodes(0xBF, 0x07);
    r.Press(r.app.ui.eraseChipButton);
    EXPECT_EQ(r.rig.LogLines(), (Lines{kPressed, "Device ID# BF07 -  Not Valid!!!"}));
    EXPECT_EQ(chip.Memory()[0], 0x00);
}

TEST(EraseChip, CancelLeavesTheChipUntouched) {
    ChipRig r;
    sim::JedecFlash& chip = InsertFlash(r, kAm29F040, kAm29F040, sim::FilledContents(524288, 0));
    r.rig.dialogs.answers = {MsgResult::Cancel};
    const auto accesses = r.rig.sim->Accesses();
    r.Press(r.app.ui.eraseChipButton);
    EXPECT_EQ(r.rig.LogLines(), (Lines{kPressed, "Erasing Operation was Canceled by Operator"}));
    EXPECT_EQ(r.rig.sim->Accesses(), accesses) << "no board access";
    EXPECT_EQ(chip.Memory()[0], 0x00);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Cancelled);
}

TEST(EraseChip, WithAUvEpromSelectedNothingHappens) {
    ChipRig r;
    r.InsertPattern(11); // 27C256
    const auto accesses = r.rig.sim->Accesses();
    EXPECT_FALSE(r.app.ui.eraseChipButton.enabled);
    r.app.RunGuarded(eraseChipButton_Click);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::None);
    EXPECT_TRUE(r.rig.LogLines().empty());
    EXPECT_TRUE(r.rig.dialogs.boxes.empty());
    EXPECT_EQ(r.rig.sim->Accesses(), accesses);
}

class MinimalAt29c256 : public sim::ParallelChip {
  public:
    explicit MinimalAt29c256(std::uint8_t fill)
        : ParallelChip("Flash Atmel AT29C256", std::vector<std::uint8_t>(32768, fill),
                       sim::PageWriteWiring('F')) {}
    std::optional<std::uint8_t> Output(const sim::Registers& regs) override {
        const sim::ChipPins p = Pins(regs);
        if (!p.powered || !p.ce || !p.oe) return std::nullopt;
        if (erasing) return std::uint8_t{0x00};
        if (idMode) return (p.address & 1) ? std::uint8_t{0xDC} : std::uint8_t{0x1F};
        return Cell(p.address);
    }
    bool idMode = false, erasing = false;
    std::vector<int> commands;

  protected:
    void PinsChanged(const sim::ChipPins& before, const sim::ChipPins& now,
                     std::int64_t nowNs) override {
        if (erasing && nowNs >= eraseEnd_) {
            std::fill(Memory().begin(), Memory().end(), 0xFF);
            erasing = false;
        }
        const bool wasWriting = before.ce && before.we && !before.oe;
        if (!wasWriting || (now.ce && now.we)) return;
        history_.emplace_back(before.address, before.boardData);
        if (history_.size() >= 3) {
            const auto n = history_.size();
            if (history_[n - 3] == std::pair<std::uint32_t, std::uint8_t>{0x5555, 0xAA} &&
                history_[n - 2] == std::pair<std::uint32_t, std::uint8_t>{0x2AAA, 0x55} &&
                history_[n - 1].first == 0x5555) {
                const int c = history_[n - 1].second;
                commands.push_back(c);
                if (c == 0x90) idMode = true;
                if (c == 0xF0) idMode = false;
                if (c == 0x10 && commands.size() >= 2 && commands[commands.size() - 2] == 0x80) {
                    erasing = true;
                    eraseEnd_ = nowNs + 20'000'000;
                }
            }
        }
    }

  private:
    std::vector<std::pair<std::uint32_t, std::uint8_t>> history_;
    std::int64_t eraseEnd_ = 0;
};

TEST(EraseAt29c256, ChipEraseThroughItsOwnWriteCycle) {
    ChipRig r;
    ASSERT_TRUE(SelectDevice(r.app, 23));
    auto chip = std::make_unique<MinimalAt29c256>(0x00);
    MinimalAt29c256& at = *chip;
    r.rig.sim->Insert(std::move(chip));
    r.rig.ClearLog();
    r.Press(r.app.ui.eraseChipButton);
    EXPECT_EQ(r.rig.LogLines(), (Lines{kPressed, "Device ID# 1FDC - ATMEL 29C256 Flash Memory",
                                       "Device ID# 1FDC - Erase Operation Started.. WAIT!",
                                       kReadBack, kBlank, "Flash Erasing Operation COMPLETED"}));
    EXPECT_EQ(at.commands, (std::vector<int>{0x90, 0xF0, 0x80, 0x10, 0xF0}));
    EXPECT_EQ(std::count(at.Memory().begin(), at.Memory().end(), 0xFF), 32768);
}

TEST(EraseAt29c256, AnotherChipInTheSocketIsNotSupported) {
    ChipRig r;
    ASSERT_TRUE(SelectDevice(r.app, 23));
    // A part that ignores the commands: a 28-pin EPROM holding 00h.
    r.rig.sim->Insert(
        sim::MakeSimEprom("Eprom 27C256", '4', std::vector<std::uint8_t>(32768, 0x00)));
    r.rig.ClearLog();
    r.app.RunGuarded([](App& app) { EraseAt29c256Chip(app, ReadChipOptions(app)); });
    const Lines lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "Device ID# 0000 - Not Supported");
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

TEST(EraseAt29c256, TheSimulatedAt29c256IsErasedWholly) {
    ChipRig r;
    sim::ParallelChip& chip = r.Insert(23, std::vector<std::uint8_t>(32768, 0x00));
    r.Press(r.app.ui.eraseChipButton);
    EXPECT_EQ(r.rig.LogLines(),
              (std::vector<std::string>{kPressed, "Device ID# 1FDC - ATMEL 29C256 Flash Memory",
                                        "Device ID# 1FDC - Erase Operation Started.. WAIT!",
                                        kReadBack, kBlank, "Flash Erasing Operation COMPLETED"}));
    EXPECT_EQ(std::count(chip.Memory().begin(), chip.Memory().end(), 0xFF), 32768);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
}

} // namespace
} // namespace quorbit::test
