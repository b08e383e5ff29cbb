// The AT29C256 identification cycle run when the chip is chosen.
#include <gtest/gtest.h>

#include <rapidcheck.h>

#include "../PropertyCheck.h"
#include "Fakes.h"
#include "FlashRig.h"
#include "catalog/DeviceSelection.h"
#include "ops/EraseChip.h"
#include "ops/FlashId.h"
#include "ops/Program.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

/// Records the write cycles a 28-pin flash would see: address and data taken on
/// the rising edge of WE (register 1 bit 7) while CE is low.
class WriteCycleRecorder : public sim::SimChip {
  public:
    [[nodiscard]] std::string Name() const override { return "Flash Atmel AT29C256"; }
    std::optional<std::uint8_t> Output(const sim::Registers&) override { return std::nullopt; }
    void Latched(const sim::Registers& regs, int reg, std::int64_t) override {
        const bool we = (regs.r[1] & 0x80) != 0;
        if (reg == 1 && we && !lastWe_ && regs.CeActive() && regs.BoardDrivesData())
            cycles.emplace_back(((regs.r[1] & 0x7F) << 8) | regs.r[2], regs.r[4]);
        lastWe_ = we;
    }
    std::vector<std::uint8_t>& Memory() override { return mem_; }
    std::vector<std::pair<int, int>> cycles;

  private:
    bool lastWe_ = true;
    std::vector<std::uint8_t> mem_;
};

TEST(FlashIdCycle, ChoosingTheAT29C256EntersAndLeavesProductIdentification) {
    Rig rig;
    rig.app->svc.deviceChosen = nullptr; // the recorder stays in the socket
    auto chip = std::make_unique<WriteCycleRecorder>();
    WriteCycleRecorder* recorder = chip.get();
    rig.sim->Insert(std::move(chip));
    rig.app->RunGuarded(Form_Load);
    ASSERT_NE(rig.app->board.BoardModel, 0);
    rig.ClearLog();
    ASSERT_TRUE(SelectDevice(*rig.app, 23));
    EXPECT_EQ(recorder->cycles, (std::vector<std::pair<int, int>>{{0x5555, 0xAA},
                                                                  {0x2AAA, 0x55},
                                                                  {0x5555, 0x90},
                                                                  {0x5555, 0xAA},
                                                                  {0x2AAA, 0x55},
                                                                  {0x5555, 0xF0}}));
    // Nothing of its own in the log: only the selection's lines.
    EXPECT_EQ(rig.LogLines().size(), 2u);
    // Other flash types get no such cycle.
    recorder->cycles.clear();
    SelectDevice(*rig.app, 27);
    EXPECT_TRUE(recorder->cycles.empty());
}

/// The row a simulated chip of `socketRow` answers as by its ID: the EN29F040 and
/// A29040 as the AM29F040 they replace; the AM29F020's code is not in the ID table;
/// each SST39SF part as itself.
int AnswersAs(int socketRow) {
    switch (socketRow) {
    case kAm29F010:
    case kSst39SF010A:
    case kSst39SF020A:
    case kSst39SF040:
        return socketRow;
    case kAm29F020:
        return -1;
    default:
        return kAm29F040;
    }
}

// Every pairing of chosen device and chip in the socket, for Program and Erase
// Chip, with every way of answering: another catalog device is touched only when
// the operator says so, the chosen one or an unlisted ID always.
TEST(FlashIdCheck, AnotherDeviceInTheSocketIsTouchedOnlyWhenTheOperatorSaysSo) {
    CheckProperty(36, [] {
        const int chosen = *rc::gen::element(kAm29F010, kAm29F020, kAm29F040, kSst39SF010A,
                                             kSst39SF020A, kSst39SF040);
        const int socket = *rc::gen::element(kA29040, kAm29F010, kAm29F020, kAm29F040, kEn29F040,
                                             kSst39SF010A, kSst39SF020A, kSst39SF040);
        const auto policy = *rc::gen::element(OtherDeviceAnswer::Ask, OtherDeviceAnswer::Refuse,
                                              OtherDeviceAnswer::GoAhead);
        const bool operatorSaysOk = *rc::gen::arbitrary<bool>();
        const bool erase = *rc::gen::arbitrary<bool>();
        RC_TAG(chosen, socket, static_cast<int>(policy), operatorSaysOk, erase);

        ChipRig r;
        // Programming needs an erased chip; an erase shows best on a programmed one.
        const std::size_t size = sim::SimChipSize(socket);
        const auto before =
            erase ? sim::RandomContents(size, 5) : std::vector<std::uint8_t>(size, 0xFF);
        sim::ParallelChip& chip = InsertAnyFlash(r, chosen, socket, before);
        const std::vector<std::uint8_t> image = sim::RandomContents(200, 9);
        if (!erase) r.LoadCode(image);
        SetCheck(r.app.ui.verifyAfterCheck, 0);
        r.app.ops.OnOtherDevice = policy;
        r.rig.dialogs.answers = {MsgResult::Ok, operatorSaysOk ? MsgResult::Ok : MsgResult::Cancel};
        r.app.RunGuarded(erase ? eraseChipButton_Click : programButton_Click);

        const bool other = AnswersAs(socket) != -1 && AnswersAs(socket) != chosen;
        const bool goAhead = policy == OtherDeviceAnswer::GoAhead ||
                             (policy == OtherDeviceAnswer::Ask && operatorSaysOk);
        const auto log = r.rig.LogLines();
        RC_ASSERT(std::any_of(log.begin(), log.end(), [](const std::string& line) {
                      return line.find(", not as the chosen ") != std::string::npos;
                  }) == other);
        const bool asked = std::any_of(
            r.rig.dialogs.boxes.begin(), r.rig.dialogs.boxes.end(), [](const auto& box) {
                return box.title == "Another Device" && box.defaultButton == 1;
            });
        RC_ASSERT(asked == (other && policy == OtherDeviceAnswer::Ask));
        if (other && !goAhead) {
            RC_ASSERT(chip.Memory() == before);
            RC_ASSERT(r.app.ops.Outcome == (policy == OtherDeviceAnswer::Ask ? OpOutcome::Cancelled
                                                                             : OpOutcome::Refused));
            return;
        }
        // The chosen row's datasheet bounds the erase wait: an AMD-type part
        // erasing for seconds outlasts an SST39SF's 100 ms and is given up on.
        if (erase && chosen >= kSst39SF010A && socket < kSst39SF010A) {
            RC_ASSERT(r.app.ops.Outcome == OpOutcome::Failed);
            RC_ASSERT(r.LogHas("TimeOut Failure during Erasing Flash"));
            return;
        }
        RC_ASSERT(r.app.ops.Outcome == OpOutcome::Success);
        if (erase) {
            RC_ASSERT(std::all_of(chip.Memory().begin(), chip.Memory().end(),
                                  [](std::uint8_t byte) { return byte == 0xFF; }));
        } else {
            RC_ASSERT(std::equal(image.begin(), image.end(), chip.Memory().begin()));
        }
    });
}

// The identification driven alone: what the chip answers in its identification
// mode, and its first two bytes once back in read mode.
TEST(FlashCodes, ReadAloneTheyAreTheChipsIdAndItsFirstTwoBytes) {
    CheckProperty(10, [] {
        const auto maker = *rc::gen::arbitrary<std::uint8_t>();
        const auto device = *rc::gen::arbitrary<std::uint8_t>();
        ChipRig r;
        sim::JedecFlash& chip =
            InsertFlash(r, kAm29F040, kAm29F040, sim::RandomContents(512 * 1024, maker + 1U));
        chip.SetIdCodes(maker, device);
        r.app.board.ResetLines();
        const FlashCodes codes = ReadFlashCodes(r.app.board, r.app.dev);
        RC_ASSERT(codes.maker == maker);
        RC_ASSERT(codes.device == device);
        RC_ASSERT(codes.first == chip.Memory()[0]);
        RC_ASSERT(codes.second == chip.Memory()[1]);
        RC_ASSERT(chip.CurrentMode() == sim::JedecFlash::Mode::Read);
    });
}

} // namespace
} // namespace quorbit::test
