// Saving the working setup to a slot file and restoring it through the controls.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalog/DeviceSelection.h"
#include "setups/SetupRig.h"
#include "setups/Setups.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;

struct Setups : ::testing::Test, SetupRig {
    /// A 27256 (12.5, 21 or 25 V) at 25 V on 278h, low bytes, both options,
    /// slow speed, with a code file loaded.
    std::string BurnSetup() {
        SetListIndex(app.ui.Device, 10);
        WriteBytes(rig.dir / "image.bin", std::string(300, '\x5A'));
        rig.dialogs.fileAnswers.push_back((rig.dir / "image.bin").string());
        Fire(app.ui.mnuFileOpenCode.onClick);
        SetOption(app.ui.VoltageGroup(), 3, true);
        SetCheck(app.ui.blankCheckFirstCheck, 1);
        SetCheck(app.ui.verifyAfterCheck, 2);
        SetOption(app.ui.LPTGroup(), 1, true);
        SetOption(app.ui.HiLowGroup(), 2, true);
        SetPosition(app.ui.speedSlider, 7);
        return (rig.dir / "image.bin").string();
    }
    void SaveSlot(Control& item, std::optional<std::string> name) {
        rig.dialogs.inputAnswers.push_back(std::move(name));
        Fire(item.onClick);
    }
};

TEST_F(Setups, SavedFileHoldsTheNineteenItemsToTheCharacter) {
    const std::string image = BurnSetup();
    rig.ClearLog();
    SaveSlot(app.ui.SaveSetup2, "Burn 27256");
    EXPECT_EQ(rig.dialogs.inputs,
              std::vector<std::string>{"Please input a NAME for this Setup|Saving Name Input"});
    EXPECT_EQ(ReadWork("QBSetup2.INI"),
              CrLfLines({"SetupName = Burn 27256", "sFILE = " + image, "Device.Index = 10",
                         "Voltage_button(0).Value = False", "Voltage_button(1).Value = False",
                         "Voltage_button(2).Value = False", "Voltage_button(3).Value = True",
                         "CheckBlankPriorProgramming.Value = 1", "VerifyAfterProgramming.Value = 2",
                         "LPTSelection(0).Value = False", "LPTSelection(1).Value = True",
                         "LPTSelection(2).Value = False", "PortSelected.Text = 278h",
                         "HiLow_button(0).Value = False", "HiLow_button(1).Value = False",
                         "HiLow_button(2).Value = True", "Slider1.Value = 7", "CheckCode.Value = 1",
                         "CheckData.Value = 0"}));
    EXPECT_EQ(rig.LogLines(),
              std::vector<std::string>{"Setup Saved as QBSetup2.INI, named:Burn 27256"});
}

TEST_F(Setups, RoundTripRestoresAllNineteenItemsInAFreshProgram) {
    const std::string image = BurnSetup();
    SaveSlot(app.ui.SaveSetup2, "Burn 27256");
    const std::string saved = ReadWork("QBSetup2.INI");
    const std::string before = Snapshot();

    SetupRig fresh;
    fresh.WriteWork("QBSetup2.INI", saved);
    Fire(fresh.app.ui.LoadSetup2.onClick);
    App& b = fresh.app;
    EXPECT_TRUE(fresh.rig.dialogs.boxes.empty());
    EXPECT_EQ(b.ui.Device.listIndex, 10);
    EXPECT_EQ(b.dev.DeviceName, "Eprom 27256");
    EXPECT_TRUE(b.ui.voltageButtons[3].selected() && !b.ui.voltageButtons[1].selected());
    EXPECT_EQ(b.dev.VppVolts, 25);
    EXPECT_EQ(b.ui.blankCheckFirstCheck.value, 1);
    EXPECT_EQ(b.ui.verifyAfterCheck.value, 2);
    EXPECT_TRUE(b.ui.LPTSelection[1].selected());
    EXPECT_EQ(b.board.DataPort, 0x278);
    EXPECT_EQ(b.ui.PortSelected.caption, "278h");
    EXPECT_TRUE(b.ui.byteChoiceButtons[2].selected() && !b.ui.byteChoiceButtons[0].selected());
    EXPECT_EQ(b.ui.speedSlider.value, 7);
    // The slider handler ran after the device's: slow half, medium factor of a 27256.
    EXPECT_EQ(b.board.PortDelayCount, 13 * 100 + 2);
    EXPECT_EQ(b.buf.CodeFileName, image);
    EXPECT_EQ(b.buf.CodeBufferLoaded, 1);
    EXPECT_EQ(b.buf.CodeBuffer[299], 0x5A);
    EXPECT_TRUE(b.ui.programButton.enabled);
    // The restored program is the saved one, down to every control; saving it
    // again gives the same file.
    EXPECT_EQ(fresh.Snapshot(), before);
    fresh.rig.dialogs.inputAnswers.push_back("Burn 27256");
    Fire(b.ui.SaveSetup2.onClick);
    EXPECT_EQ(fresh.ReadWork("QBSetup2.INI"), saved);
}

TEST_F(Setups, RestoreLogsItsFrameAndRunsTheHandlersInFileOrder) {
    WriteWork("QBSetup1.INI", SavedSetupText([](App& source) {
                  SetListIndex(source.ui.Device, 11);
                  SetPosition(source.ui.speedSlider, 9);
                  SetOption(source.ui.LPTGroup(), 2, true);
              }));
    Fire(app.ui.LoadSetup1.onClick);
    EXPECT_EQ(rig.LogLines(), (std::vector<std::string>{
                                  ">>>>>>>>>>>>",
                                  "RESTORING SETUP FROM QBSetup1.INI",
                                  "Most Common Programming Voltage Selected: 12.5 Volts!!!",
                                  "Device Eprom 27C256 was Selected",
                                  "Device Size is: 32768 Bytes, Initial VPP suggested: 12.5V",
                                  "Port Selection changed to 3BCh",
                                  "Program Speed Slider set to: 9",
                                  "SETUP RESTORED FROM QBSetup1.INI",
                                  ">>>>>>>>>>>>",
                              }));
    EXPECT_TRUE(app.ui.voltageFrame.visible && app.ui.autoOperationsFrame.visible);
    EXPECT_EQ(app.board.DataPort, 0x3BC);
    EXPECT_EQ(app.board.BoardModel, 6); // a port choice is not a board detection
}

TEST_F(Setups, EmptyOrCancelledNameGivesNoNameSetupAndTheSlotDigit) {
    SaveSlot(app.ui.SaveSetup2, "");
    EXPECT_EQ(ReadWork("QBSetup2.INI").substr(0, 29), "SetupName = No Name Setup 2\r\n");
    SaveSlot(app.ui.SaveSetup4, std::nullopt);
    const std::string fresh = ReadWork("QBSetup4.INI");
    EXPECT_EQ(fresh.substr(0, 29), "SetupName = No Name Setup 4\r\n");
    // A fresh start: no file, no device, the start-up choices, the scanned port.
    EXPECT_NE(fresh.find("\r\nsFILE = \r\nDevice.Index = -1\r\n"), std::string::npos);
    EXPECT_NE(fresh.find("\r\nPortSelected.Text = 378h\r\nHiLow_button(0).Value = True\r\n"),
              std::string::npos);
    EXPECT_NE(fresh.find("\r\nSlider1.Value = 18\r\nCheckCode.Value = 0\r\n"), std::string::npos);
    EXPECT_EQ(rig.LogLines(),
              (std::vector<std::string>{"Setup Saved as QBSetup2.INI, named:No Name Setup 2",
                                        "Setup Saved as QBSetup4.INI, named:No Name Setup 4"}));
}

TEST_F(Setups, ANameWithALineBreakStaysOnTheNameLine) {
    SaveSlot(app.ui.SaveSetup1, "two\r\nlines");
    EXPECT_EQ(ReadWork("QBSetup1.INI").substr(0, 34), "SetupName = two  lines\r\nsFILE = \r\n");
}

TEST_F(Setups, EmptyFileLineRestoresTheControlsAndLoadsNoFile) {
    WriteWork("QBSetup3.INI", SavedSetupText([](App& source) {
                  SetListIndex(source.ui.Device, 25);
                  SetCheck(source.ui.blankCheckFirstCheck, 1);
              }));
    Fire(app.ui.LoadSetup3.onClick);
    EXPECT_EQ(app.dev.DeviceName, "Flash AMD AM29F010");
    EXPECT_EQ(app.ui.blankCheckFirstCheck.value, 1);
    EXPECT_EQ(app.buf.CodeBufferLoaded, 0);
    EXPECT_EQ(app.buf.CodeFileName, "");
    EXPECT_TRUE(rig.dialogs.boxes.empty());
    for (const auto& line : rig.LogLines())
        EXPECT_EQ(line.find("was read into Buffer"), std::string::npos) << line;
}

TEST_F(Setups, MenuOpeningEnablesOnlyTheSlotsWithAFileCaptionedWithTheirNames) {
    std::string third = SavedSetupText([](App& a) { SetListIndex(a.ui.Device, 3); });
    third.replace(0, third.find("\r\n"), "SetupName = Third one");
    WriteWork("qbsetup3.ini", third);
    Fire(app.ui.Setup.onClick);
    EXPECT_FALSE(app.ui.LoadSetup1.enabled || app.ui.LoadSetup2.enabled ||
                 app.ui.LoadSetup4.enabled);
    EXPECT_TRUE(app.ui.LoadSetup3.enabled);
    EXPECT_EQ(app.ui.LoadSetup3.caption, "Third one");
    EXPECT_EQ(app.ui.LoadSetup1.caption, "Load Setup #&1");
    EXPECT_EQ(app.ui.LoadSetup4.caption, "Load Setup #&4");

    // The file found in another letter case is the one loaded and saved over.
    Fire(app.ui.LoadSetup3.onClick);
    EXPECT_EQ(app.dev.DeviceName, "Eprom 2732B");
    SaveSlot(app.ui.SaveSetup3, "again");
    EXPECT_EQ(ReadWork("qbsetup3.ini").substr(0, 19), "SetupName = again\r\n");
    int slotFiles = 0;
    for (const auto& entry : fs::directory_iterator(app.svc.workFolder))
        slotFiles += entry.path().filename() != "qbsetup3.ini";
    EXPECT_EQ(slotFiles, 0); // no second file beside it

    // A slot file that went away disables its item again; the caption stays.
    fs::remove(Work("qbsetup3.ini"));
    Fire(app.ui.Setup.onClick);
    EXPECT_FALSE(app.ui.LoadSetup3.enabled);
    EXPECT_EQ(app.ui.LoadSetup3.caption, "Third one");
}

} // namespace
} // namespace quorbit::test
