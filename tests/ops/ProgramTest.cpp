// The Program command's common flow: the safety question and its Cancel, the blank
// check first, the verify after, Hi Byte images, the voltage choice of the 2732A,
// a device without a routine, no board, and a chip that does not match its routine.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "catalog/Catalog.h"
#include "ops/ProgramTable.h"
#include "sim/SimEprom.h"

namespace quorbit::test {
namespace {

using Lines = std::vector<std::string>;
constexpr int k27C256 = 11;
constexpr int k2732A = 2;

sim::SimEprom& AsEprom(sim::ParallelChip& chip) {
    return dynamic_cast<sim::SimEprom&>(chip);
}

TEST(Program, CancelInTheSafetyQuestionProgramsNothingAndResetsTheBoard) {
    ChipRig r;
    sim::SimEprom& chip = AsEprom(r.Insert(k27C256, {}));
    r.LoadCode(sim::RandomContents(32768, 1));
    r.rig.dialogs.answers.push_back(MsgResult::Cancel);
    r.app.board.Reg0Shadow = 0x00; // something to be reset
    r.Press(r.app.ui.programButton);

    EXPECT_EQ(r.rig.LogLines(),
              (Lines{"Programming Button Pressed", "Programming was Canceled by Operator"}));
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    const auto& box = r.rig.dialogs.boxes[0];
    EXPECT_EQ(box.text, "Program the Device?");
    EXPECT_EQ(box.title, "Safety Question");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::OkCancel);
    EXPECT_EQ(box.defaultButton, 1); // Cancel
    EXPECT_EQ(chip.TotalPulses(), 0);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Cancelled);
    EXPECT_EQ(r.app.board.Reg0Shadow, 0x40);
    EXPECT_TRUE(r.rig.sound.played.empty());
}

TEST(Program, SuccessTurnsTheLampsOffPlaysOkAndTheMenuEntryDoesTheSame) {
    ChipRig r;
    sim::SimEprom& chip = AsEprom(r.Insert(k27C256, {}));
    const auto image = sim::RandomContents(32768, 2);
    r.LoadCode(image);
    SetPosition(r.app.ui.pageScrollBar, 5);
    Fire(r.app.ui.menuProgramCode.onClick);
    EXPECT_TRUE(r.LogHas("Programming Device Successfull"));
    EXPECT_TRUE(chip.Memory() == image);
    EXPECT_EQ(r.app.ui.pageScrollBar.value, 0);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.app.ui.programLamp.foreColor, colour::ButtonFace);
    EXPECT_EQ(r.app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("ok.wav")});
    EXPECT_EQ(chip.VppLevelsUsed(), std::set<int>{125});
}

TEST(Program, BlankCheckFirstStopsAtAProgrammedChipAndGoesOnWithABlankOne) {
    ChipRig r;
    std::vector<std::uint8_t> used(32768, 0xFF);
    used[0x100] = 0x7F;
    sim::SimEprom& chip = AsEprom(r.Insert(k27C256, used));
    r.LoadCode(sim::RandomContents(32768, 3));
    SetCheck(r.app.ui.blankCheckFirstCheck, 1);
    r.Press(r.app.ui.programButton);
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{"Programming Button Pressed", "Checking Device for BLANK (Erased)... Wait",
                     "Device IS NOT BLANK (ERASED)", "Address: 100 ][ Device Data: 7F",
                     "Error Alert was Turned Off"}));
    EXPECT_EQ(chip.TotalPulses(), 0);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);

    chip.Memory()[0x100] = 0xFF; // erased under the lamp
    r.rig.ClearLog();
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("Device IS BLANK (ERASED)"));
    EXPECT_TRUE(r.LogHas("Programming Device Successfull"));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
}

TEST(Program, VerifyAfterRunsOnSuccessOnly) {
    ChipRig r;
    sim::SimEprom& chip = AsEprom(r.Insert(k27C256, {}));
    const auto image = sim::RandomContents(32768, 4);
    r.LoadCode(image);
    SetCheck(r.app.ui.verifyAfterCheck, 1);
    r.Press(r.app.ui.programButton);
    const auto lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[2], "Programming Device Successfull");
    EXPECT_EQ(lines[3], "Verify Function Started... Wait");
    EXPECT_EQ(lines[4], "Device Contents MATCHES with Buffer Contents");
    EXPECT_EQ(lines[5], "Device CHKSUMM = $" + ChecksumText(image));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);

    // A cell that cannot take: the failure report, and no verify after it.
    chip.Memory().assign(32768, 0xFF);
    chip.StickBit(0, 0, true);
    r.rig.ClearLog();
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("*** Programming Failure ***"));
    EXPECT_FALSE(r.LogHas("Verify Function Started... Wait"));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_FALSE(r.LogHas("*** The chip was not blank there: erase it under UV light, or tick "
                          "\"Check Blank Before Programming\""))
        << "a bit that will not program is no sign of an earlier image";
}

TEST(Program, AFailureAtAByteProgrammedBeforeSaysTheChipNeedsErasing) {
    ChipRig r;
    std::vector<std::uint8_t> used(32768, 0xFF);
    used[0x20] = 0x0F; // an earlier image's byte: its high bits only UV light raises
    AsEprom(r.Insert(k27C256, used));
    r.LoadCode(std::vector<std::uint8_t>(0x40, 0xF0));
    r.Press(r.app.ui.programButton);
    const std::string hint = "*** The chip was not blank there: erase it under UV light, or "
                             "tick \"Check Blank Before Programming\"";
    EXPECT_TRUE(r.LogHas("*** Address:20h, Programming BYTE:F0h, Read BYTE:0h"));
    EXPECT_TRUE(r.LogHas(hint));
    const auto& box = r.rig.dialogs.boxes.back();
    EXPECT_EQ(box.text, "Program or Compare Error");
    EXPECT_EQ(box.informative,
              "Programming stopped at 20h: wrote F0h, read back 0h.\r\n" + hint.substr(4) + ".");
}

TEST(Program, HiByteWritesTheOddBufferBytesFromAddressZero) {
    ChipRig r;
    sim::SimEprom& chip = AsEprom(r.Insert(k27C256, {}));
    const auto code = sim::RandomContents(32768, 5);
    r.LoadCode(code);
    SetOption(r.app.ui.HiLowGroup(), 1, true);
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("Programming Device Successfull"));
    for (std::size_t a = 0; a < 0x4000; ++a)
        ASSERT_EQ(chip.Memory()[a], code[2 * a + 1]) << a;
    for (std::size_t a = 0x4000; a < 0x8000; ++a) {
        ASSERT_EQ(chip.Memory()[a], 0xFF) << a;
        ASSERT_EQ(chip.PulsesAt(static_cast<std::uint32_t>(a)), 0) << a;
    }
}

/// Register 0 (voltage selection bits) while each pulse ends, VPP levels, and the virtual time from
/// the button press to the first pulse.
struct VoltageRun {
    std::set<int> reg0;
    std::set<int> levels;
    std::int64_t toFirstPulseNs = -1;
    bool settlingLogged = false;
};

VoltageRun Program2732A(int model, std::size_t voltageOption) {
    ChipRig r(model);
    sim::SimEprom& chip = AsEprom(r.Insert(k2732A, {}));
    r.LoadCode(sim::RandomContents(4096, 6));
    if (voltageOption != 1) SetOption(r.app.ui.VoltageGroup(), voltageOption, true);
    VoltageRun run;
    std::int64_t pressed = r.rig.sim->NowNs();
    chip.onPulse = [&](const sim::ProgramPulse&) {
        // Without bit 7 (VPP on OE/VPP) and bit 3 (the blinking indicator).
        run.reg0.insert(r.rig.sim->Regs().r[0] & 0x77);
        if (run.toFirstPulseNs < 0) run.toFirstPulseNs = r.rig.sim->NowNs() - pressed;
    };
    r.rig.ClearLog();
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("Programming Device Successfull"));
    run.levels = chip.VppLevelsUsed();
    run.settlingLogged = r.LogHas("Wait 1500ms second VPP Settling");
    return run;
}

TEST(Program, The2732AChoosesItsVoltageAndWaitsForItToSettle) {
    const VoltageRun low = Program2732A(6, 1);
    EXPECT_EQ(low.reg0, std::set<int>{0x48 & 0x77});
    EXPECT_EQ(low.levels, std::set<int>{125});
    EXPECT_FALSE(low.settlingLogged);
    EXPECT_LT(low.toFirstPulseNs, 1'000'000'000); // only the 500 ms address settling

    const VoltageRun mid = Program2732A(6, 2);
    EXPECT_EQ(mid.reg0, std::set<int>{0x4A & 0x77});
    EXPECT_EQ(mid.levels, std::set<int>{210});
    EXPECT_TRUE(mid.settlingLogged);
    EXPECT_GE(mid.toFirstPulseNs, 2'000'000'000);

    const VoltageRun high = Program2732A(6, 3);
    EXPECT_EQ(high.reg0, std::set<int>{0x4B & 0x77});
    EXPECT_EQ(high.levels, std::set<int>{250});
    EXPECT_GE(high.toFirstPulseNs, 2'000'000'000);

    const VoltageRun model4 = Program2732A(4, 3); // model 4 has one supply
    EXPECT_EQ(model4.reg0, std::set<int>{0x4C & 0x77});
    EXPECT_EQ(model4.levels, std::set<int>{125});
}

TEST(Program, AnAT29F040ForcedSelectableIsNotSupportedButStillVerifiedWhenAsked) {
    ChipRig r;
    // The row is listed as not available; the test makes it choosable.
    r.app.ui.Device.items[29] = PaddedName("Flash Atmel AT29F040");
    r.Insert(29, {});
    ASSERT_EQ(r.app.dev.DeviceType, "FN");
    r.LoadCode(std::vector<std::uint8_t>(524288, 0xFF));
    SetCheck(r.app.ui.verifyAfterCheck, 1);
    SetCheck(r.app.ui.blankCheckFirstCheck, 0);
    r.Press(r.app.ui.programButton);
    const auto lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Device Not Supported - Status 9 - Please Report");
    EXPECT_EQ(lines[2], "Verify Function Started... Wait");
    EXPECT_FALSE(r.LogHas("Programming Device Successfull"));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused); // a match does not make it a success
    EXPECT_EQ(r.rig.sound.played.front(), r.Sound("error.wav"));
    EXPECT_NE(r.app.ui.errorLamp.foreColor, colour::Red); // no error alert
}

TEST(Program, ASerialEepromSkipsTheBlankCheckAndEndsWithItsBusLinesParked) {
    ChipRig r;
    ASSERT_TRUE(SelectDevice(r.app, 36)); // 24C08
    r.LoadCode(std::vector<std::uint8_t>(1024, 0x00));
    SetCheck(r.app.ui.blankCheckFirstCheck, 1);
    r.Press(r.app.ui.programButton);
    EXPECT_FALSE(r.LogHas("Checking Device for BLANK (Erased)... Wait"));
    const auto& regs = r.rig.sim->Regs();
    EXPECT_TRUE(regs.CeActive()); // SCL low
    EXPECT_TRUE(regs.OeActive()); // SDA low
    EXPECT_EQ(regs.r[1], 0);
    EXPECT_EQ(regs.r[2], 0);
}

TEST(Program, WithoutAKnownBoardNothingIsAskedOrProgrammed) {
    ChipRig r;
    sim::SimEprom& chip = AsEprom(r.Insert(k27C256, {}));
    r.LoadCode(sim::RandomContents(32768, 7));
    r.app.board.BoardModel = 0;
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("No QUORBIT board is known - the device was not accessed"));
    EXPECT_FALSE(r.LogHas("Programming Device Successfull"));
    for (const auto& box : r.rig.dialogs.boxes)
        EXPECT_NE(box.title, "Safety Question");
    EXPECT_EQ(chip.TotalPulses(), 0);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

TEST(Program, ARoutineThatPutsVppOnTheWrongPinFailsAtTheFirstByte) {
    ChipRig r;
    // 27C040 chosen, a 27C256 in the socket: VPP goes to socket pin 1, where the
    // 27C256 has no VPP pin, so no pulse programs it.
    ASSERT_TRUE(SelectDevice(r.app, 19));
    auto chip = sim::MakeParallelSimChip(k27C256, {});
    sim::SimEprom& eprom = AsEprom(*chip);
    r.rig.sim->Insert(std::move(chip));
    std::vector<std::uint8_t> image(524288, 0xFF);
    image[0] = 0x12;
    r.LoadCode(image);
    r.rig.ClearLog();
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("*** Address:0h, Programming BYTE:12h, Read BYTE:FFh"));
    EXPECT_EQ(eprom.TotalPulses(), 0);
    EXPECT_EQ(eprom.Memory()[0], 0xFF);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
}

TEST(Program, DataMemoryHasNoRoutine) {
    ChipRig r;
    r.app.ui.codeCheck.value = 0;
    r.app.ui.dataCheck.value = 1;
    r.Insert(k27C256, {});
    r.app.ui.codeCheck.value = 0;
    r.app.ui.dataCheck.value = 1;
    r.app.ui.programButton.enabled = true;
    r.Press(r.app.ui.programButton);
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Please Write A90S2313 Program Data Routine");
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

} // namespace
} // namespace quorbit::test
