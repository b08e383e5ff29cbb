// Blank check: the first byte that is not FFh, its address across banks, and the
// error alert it raises.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "ops/BlankCheck.h"

namespace quorbit::test {
namespace {

using Lines = std::vector<std::string>;
const std::string kStart = "Checking Device for BLANK (Erased)... Wait";

TEST(Blank, Erased2732AIsBlankAfterSixteenPages) {
    ChipRig r;
    r.Insert(2, {});
    r.Press(r.app.ui.blankButton);
    EXPECT_EQ(r.rig.LogLines(), (Lines{kStart, "Device IS BLANK (ERASED)"}));
    EXPECT_EQ(r.progress.valueSeen, 16);
    EXPECT_EQ(r.app.ui.progressBar.value, 0);
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("ok.wav")});
    EXPECT_EQ(r.app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
    EXPECT_TRUE(r.rig.dialogs.boxes.empty());
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_TRUE(BlankCheckParallelChip(r.app));
}

TEST(Blank, ProgrammedFirstByteIsReportedAsAddressZero) {
    ChipRig r;
    std::vector<std::uint8_t> bytes(32768, 0xFF);
    bytes[0] = 0x00;
    r.Insert(11, bytes);
    r.Press(r.app.ui.blankButton);
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{kStart, "Device IS NOT BLANK (ERASED)", "Address: 0 ][ Device Data: 0",
                     "Error Alert was Turned Off"}));
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Program or Compare Error");
    EXPECT_EQ(r.rig.dialogs.boxes[0].title, "Critical Message");
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("error.wav")});
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_EQ(r.app.ui.errorLamp.foreColor, colour::ButtonFace);
}

struct FirstProgrammedByte {
    int row;
    std::uint32_t address;
    std::string line;
};

class BlankFindsTheByte : public ::testing::TestWithParam<FirstProgrammedByte> {};

TEST_P(BlankFindsTheByte, AtItsAddressAcrossBanks) {
    const auto& c = GetParam();
    ChipRig r;
    std::vector<std::uint8_t> bytes(sim::SimChipSize(c.row), 0xFF);
    bytes[c.address] = 0x5A;
    bytes.back() = 0x00; // a later byte must not be the one reported
    r.Insert(c.row, bytes);
    EXPECT_FALSE(BlankCheckParallelChip(r.app));
    const Lines lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Blank, BlankFindsTheByte,
    ::testing::Values(FirstProgrammedByte{15, 0x1ABCD, "Address: 1ABCD ][ Device Data: 5A"},
                      // Bank 5 of the AM29F040 sits on register 3 bits 3 and 0.
                      FirstProgrammedByte{27, 0x50001, "Address: 50001 ][ Device Data: 5A"},
                      FirstProgrammedByte{21, 0xFFF00, "Address: FFF00 ][ Device Data: 5A"},
                      // X28C256 page 40h has A14 on register 1 bit 7.
                      FirstProgrammedByte{33, 0x4000, "Address: 4000 ][ Device Data: 5A"}));

TEST(Blank, SerialEepromGetsOnlyTheMissingRoutineMessage) {
    ChipRig r;
    ASSERT_TRUE(SelectDevice(r.app, 37)); // 24C16: blankButton is disabled, call the handler
    r.rig.ClearLog();
    r.rig.dialogs.boxes.clear();
    const auto accesses = r.rig.sim->Accesses();
    blankButton_Click(r.app);
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Please Write Missing Routines at BLANKCODE");
    EXPECT_EQ(r.rig.dialogs.boxes[0].title, "Missing Routine");
    EXPECT_TRUE(r.rig.LogLines().empty());
    EXPECT_EQ(r.rig.sim->Accesses(), accesses);
}

TEST(Blank, NoBoardMeansNotCheckedAndNotBlank) {
    ChipRig r(0);
    ASSERT_TRUE(SelectDevice(r.app, 11));
    const auto accesses = r.rig.sim->Accesses();
    EXPECT_FALSE(BlankCheckParallelChip(r.app));
    EXPECT_EQ(r.rig.sim->Accesses(), accesses);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

TEST(Alert, DisablesTheFourButtonsWhileUpAndRestoresEachAsItWas) {
    ChipRig r;
    AlertSnapshotDialogs dialogs(r.app);
    r.app.svc.dialogs = &dialogs;
    std::vector<std::uint8_t> bytes(32768, 0xFF);
    bytes[0x100] = 0x7F;
    r.Insert(11, bytes);
    r.LoadCode(std::vector<std::uint8_t>(32768, 0xFF)); // Program and Verify enabled
    r.app.ui.displayButton.enabled = false;             // one that was off stays off
    r.Press(r.app.ui.blankButton);

    ASSERT_EQ(dialogs.snapshots.size(), 1u);
    const auto& up = dialogs.snapshots[0];
    EXPECT_TRUE(up.errorLampRed);
    EXPECT_FALSE(up.program || up.verify || up.read || up.display);
    EXPECT_EQ(r.app.report.SavedProgramEnabled, "True");
    EXPECT_EQ(r.app.report.SavedDisplayEnabled, "False");
    const auto& ui = r.app.ui;
    EXPECT_TRUE(ui.programButton.enabled);
    EXPECT_TRUE(ui.verifyButton.enabled);
    EXPECT_TRUE(ui.readButton.enabled);
    EXPECT_FALSE(ui.displayButton.enabled);
    EXPECT_EQ(ui.errorLamp.foreColor, colour::ButtonFace);
    EXPECT_FALSE(r.rig.sim->Regs().CeActive()); // board reset when the alert cleared
}

} // namespace
} // namespace quorbit::test
