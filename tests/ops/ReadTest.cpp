// Read: log lines, checksum, buffer, enabled commands; refusals that touch nothing.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "SerialRig.h"
#include "link/PortFile.h"
#include "ops/Read.h"
#include "ops/Serial24Cxx.h"

namespace quorbit::test {
namespace {

using Lines = std::vector<std::string>;

const Lines kReadTail = {"Data is available at above Window, use Scroll Bar",
                         "You can Save the file using [FILE - Save As] menu"};

Lines ReadLines(const std::vector<std::uint8_t>& chip, const std::string& checksum) {
    Lines lines = {std::to_string(chip.size()) + " bytes Read from Device",
                   "Device CHKSUMM = $" + checksum, DeviceSumsLine(chip)};
    lines.insert(lines.end(), kReadTail.begin(), kReadTail.end());
    return lines;
}

TEST(Read, ErasedChipOf32KGivesChecksum8000AndUnlocksTheBufferCommands) {
    ChipRig r;
    r.Insert(11, sim::FilledContents(32768, 0xFF));
    r.app.buf.CodeBuffer[5] = 0x00;
    r.Press(r.app.ui.readButton);

    EXPECT_EQ(r.rig.LogLines(), ReadLines(sim::FilledContents(32768, 0xFF), "8000"));
    EXPECT_EQ(r.app.buf.CodeBuffer[5], 0xFF);
    EXPECT_EQ(r.app.ops.DeviceChecksumText, "8000");
    EXPECT_EQ(r.app.ui.pageScrollBar.max, 127);
    const auto& ui = r.app.ui;
    for (const Control* c :
         {&ui.verifyButton, &ui.menuVerifyCode, &ui.programButton, &ui.menuProgramCode,
          &ui.eraseBufferButton, &ui.menuEraseCode, &ui.mnuFileSaveCodeAs})
        EXPECT_TRUE(c->enabled) << c->name;
    EXPECT_EQ(r.app.buf.CodeBufferLoaded, 1);
    EXPECT_EQ(r.app.DisplayMode, "Read");
    EXPECT_EQ(ui.dataFlowLamp.foreColor, colour::ButtonFace);
    EXPECT_EQ(ui.progressBar.value, 0);
    EXPECT_EQ(ui.sbStatusBar[0].caption, "");
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("ok.wav")});
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    // Reset at the end: chip enable and output enable inactive again.
    EXPECT_FALSE(r.rig.sim->Regs().CeActive());
    EXPECT_FALSE(r.rig.sim->Regs().OeActive());
    // The first page is on show.
    EXPECT_NE(ui.BufferDisplay.caption.find("000000| FFFFFFFF FFFFFFFF"), std::string::npos);
}

TEST(Read, SmallChecksumKeepsLeadingZerosAnd2732AIsSixteenPages) {
    ChipRig r;
    std::vector<std::uint8_t> bytes(4096, 0x00);
    bytes[4095] = 0xFF;
    r.Insert(2, bytes);
    r.Press(r.app.ui.readButton);
    EXPECT_EQ(r.rig.LogLines(), ReadLines(bytes, "00FF"));
    EXPECT_EQ(r.app.ui.pageScrollBar.max, 15);
    EXPECT_EQ(r.progress.maxSeen, 16);
}

TEST(Read, CoversTheWholeChipEvenAfterAShorterFileWasLoaded) {
    ChipRig r;
    sim::ParallelChip& chip = r.InsertPattern(11);
    r.LoadCode(std::vector<std::uint8_t>(1000, 0x11));
    ASSERT_EQ(r.app.dev.DeviceSize, 1000);
    r.Press(r.app.ui.readButton);

    EXPECT_EQ(r.rig.LogLines()[0], "32768 bytes Read from Device");
    EXPECT_TRUE(r.Code(32768) == chip.Memory());
    EXPECT_EQ(r.progress.maxSeen, 128);
    EXPECT_EQ(r.app.ui.pageScrollBar.max, 127);
    // Saving now writes the whole chip that was read.
    EXPECT_EQ(r.app.dev.DeviceSize, 32768);
    const auto out = r.rig.dir / "saved.bin";
    ASSERT_TRUE(WriteCodeFile(r.app, out.string()));
    EXPECT_EQ(ReadBytes(out).size(), 32768u);
}

TEST(Read, CodeReadRunsBeforeTheDataMemoryMessage) {
    ChipRig r;
    r.Insert(11, sim::FilledContents(32768, 0xFF));
    r.app.ui.dataCheck.value = 1;
    r.Press(r.app.ui.readButton);
    const Lines lines = r.rig.LogLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "32768 bytes Read from Device");
    EXPECT_EQ(lines[5], "Start Device Reading Operation");
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Please Write AT90S2313 Eeprom Read Routine");
    EXPECT_EQ(r.rig.dialogs.boxes[0].title, "Routine Not Ready");
    // The data read reads nothing: no lit lamp, CE and OE released, status cleared.
    EXPECT_EQ(r.app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
    EXPECT_EQ(r.app.board.Reg3Shadow & 0x80, 0x80);
    EXPECT_EQ(r.app.board.Reg0Shadow & 0x40, 0x40);
    EXPECT_EQ(r.app.ui.sbStatusBar[0].caption, "");
}

TEST(Read, MenuEntryReadsLikeTheButton) {
    ChipRig r;
    r.Insert(6, sim::FilledContents(8192, 0x01));
    Fire(r.app.ui.menuReadCode.onClick);
    EXPECT_EQ(r.rig.LogLines(), ReadLines(sim::FilledContents(8192, 0x01), "2000"));
}

TEST(ReadRefused, FamilyWithoutRoutineShowsOnlyTheMessage) {
    ChipRig r;
    r.Insert(11, {});
    // As the CAT28C256's row (34, N/A) would configure it: no routine reads it.
    r.app.dev.DeviceFamily = "E";
    r.app.dev.DeviceType = "EO";
    r.app.dev.routines = CatalogTable()[34].routines;
    const auto accesses = r.rig.sim->Accesses();
    readButton_Click(r.app);
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Please Write Missing Routines at READCODE");
    EXPECT_EQ(r.rig.dialogs.boxes[0].title, "Routine Not Ready");
    EXPECT_TRUE(r.rig.LogLines().empty());
    EXPECT_EQ(r.rig.sim->Accesses(), accesses);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

struct Serial : ::testing::Test {
    SerialRig r;
    Serial() { std::fill_n(r.app.buf.CodeBuffer.begin(), 1024, 0x5A); }
};

TEST_F(Serial, ReadLogsTheCountWithoutAChecksumAndParksTheBus) {
    r.Insert(kRow24C08, sim::FilledContents(1024, 0x33));
    r.Press(r.app.ui.readButton);
    // No 16-bit checksum for a serial chip, but its CRC32 and SHA-1 like every chip's.
    Lines expected = {"1024 bytes Read from Device",
                      DeviceSumsLine(sim::FilledContents(1024, 0x33))};
    expected.insert(expected.end(), kReadTail.begin(), kReadTail.end());
    EXPECT_EQ(r.rig.LogLines(), expected);
    EXPECT_EQ(r.Code(1024), std::vector<std::uint8_t>(1024, 0x33));
    EXPECT_EQ(r.app.ui.pageScrollBar.max, 3);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    // Serial bus lines parked: clock (chip enable) low, output enable on, registers 1 and 2 zero.
    EXPECT_TRUE(r.rig.sim->Regs().CeActive());
    EXPECT_TRUE(r.rig.sim->Regs().OeActive());
    EXPECT_EQ(r.rig.sim->Regs().r[1], 0);
}

TEST_F(Serial, ChipThatDoesNotAcknowledgeIsReportedAndTheButtonsStillUnlock) {
    r.InsertNothing(kRow24C08);
    r.Press(r.app.ui.readButton);
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{std::string(50, '*'), "Device 24CXX DOES NOT RESPOND - ACK Error",
                     "Check Chip Installation Position on Socket", "Error Alert was Turned Off"}));
    EXPECT_EQ(Read24CXX(r.app), 200) << "the read alone tells the samples it waited";
    EXPECT_TRUE(r.app.ui.verifyButton.enabled);
    EXPECT_EQ(r.app.buf.CodeBufferLoaded, 1);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_EQ(r.rig.dialogs.boxes.at(0).text, "Program or Compare Error");
}

TEST(NoBoard, ReadIsRefusedWithoutAnyPortAccess) {
    ChipRig r(0);
    ASSERT_EQ(r.app.board.BoardModel, 0);
    ASSERT_TRUE(SelectDevice(r.app, 11));
    r.rig.ClearLog();
    r.rig.dialogs.boxes.clear();
    const auto accesses = r.rig.sim->Accesses();
    r.Press(r.app.ui.readButton);
    EXPECT_EQ(r.rig.sim->Accesses(), accesses);
    EXPECT_EQ(r.rig.LogLines(), Lines{"No QUORBIT board is known - the device was not accessed"});
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_NE(r.rig.dialogs.boxes[0].text.find("TestPort"), std::string::npos);
    EXPECT_EQ(r.app.buf.CodeBufferLoaded, 0);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

TEST(NoBoard, UnknownModelFromThePortFileIsRefusedLikeNoBoard) {
    // A port file naming model 7 leaves the latch codes unset and the read-back
    // decoding nothing: a blank check would see whatever DataIn last held.
    ChipRig r(6);
    r.Insert(11, sim::FilledContents(32768, 0x00));
    WriteBytes(r.rig.dir / "app" / "quorbit6.ini", "IO_PORT = 378\r\nMODEL = 7\r\n");
    LoadPortFile(r.app);
    ASSERT_EQ(r.app.board.BoardModel, 7);
    r.app.board.DataIn = 0xFF;
    r.rig.ClearLog();
    r.rig.dialogs.boxes.clear();
    r.Press(r.app.ui.blankButton);
    EXPECT_EQ(r.rig.LogLines(), Lines{"No QUORBIT board is known - the device was not accessed"});
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

TEST(NoBoard, ForcedModelWithoutAPortSaysThatNoPrinterPortIsChosen) {
    ChipRig r(0);
    ASSERT_EQ(r.app.board.DataPort, 0);
    Fire(r.app.ui.ForceQuorbit5.onClick);
    ASSERT_EQ(r.app.board.BoardModel, 5);
    ASSERT_TRUE(SelectDevice(r.app, 11));
    r.rig.ClearLog();
    r.rig.dialogs.boxes.clear();
    const auto accesses = r.rig.sim->Accesses();
    r.Press(r.app.ui.readButton);
    EXPECT_EQ(r.rig.sim->Accesses(), accesses);
    EXPECT_EQ(r.rig.LogLines(), Lines{"No printer port is chosen - the device was not accessed"});
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    const std::string& text = r.rig.dialogs.boxes[0].text;
    EXPECT_NE(text.find("No printer port is chosen"), std::string::npos);
    EXPECT_NE(text.find("LPT"), std::string::npos);
    EXPECT_EQ(text.find("force its model"), std::string::npos); // it is forced already
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

TEST(NoBoard, ForcedModelOnAChosenPortReads) {
    ChipRig r(5);
    r.app.board.BoardModel = 0; // as if the probe had not found it
    Fire(r.app.ui.ForceQuorbit5.onClick);
    r.Insert(2, sim::FilledContents(4096, 0x01));
    r.Press(r.app.ui.readButton);
    EXPECT_EQ(r.rig.LogLines(), ReadLines(sim::FilledContents(4096, 0x01), "1000"));
}

} // namespace
} // namespace quorbit::test
