#include "app/Controls.h"

#include <algorithm>

namespace quorbit {
namespace {

Control Make(const char* name, ControlKind kind, const char* caption = "",
             const char* toolTip = "") {
    Control c;
    c.name = name;
    c.kind = kind;
    c.caption = caption;
    c.toolTip = toolTip;
    return c;
}

Control Disabled(Control c) {
    c.enabled = false;
    return c;
}

Control Hidden(Control c) {
    c.visible = false;
    return c;
}

Control Item(const char* name, const char* caption, bool enabled = true) {
    Control c = Make(name, ControlKind::MenuItem, caption);
    c.enabled = enabled;
    return c;
}

} // namespace

Controls::Controls() {
    using K = ControlKind;
    Caption = "QUORBIT-6 Eprom Programmer - Quorbit Devices - www.quorbit.example "
              "(Version 1.0.68)";

    commandFrame = Make("Frame1", K::Frame);
    deviceFrame = Make("Frame2", K::Frame, "Select Device");
    bufferFrame = Make("Frame3", K::Frame, "Code Buffer Hex/Ascii Display");
    portFrame = Make("Frame4", K::Frame, "LPT Port Selection");
    autoOperationsFrame = Hidden(Make("Frame5", K::Frame, "Optional Auto Operations"));
    logFrame = Make("Frame6", K::Frame, "System Log");
    speedFrame = Make("Frame7", K::Frame);
    memoryFrame = Make("Frame8", K::Frame);
    hardwareFrame = Make("Frame9", K::Frame, "Quorbit Hardware Found");
    byteChoiceFrame = Make("Frame10", K::Frame, "Hi / Low Byte Programming",
                           "All Bytes, Even Bytes or Odd Bytes");
    voltageFrame =
        Hidden(Make("FrameVoltageSelection", K::Frame, "Select Device Programming Voltage"));

    Device = Make("Device", K::ListBox, "Please Select Device on this List");
    PleaseSelect = Make("PleaseSelect", K::Label, "Please  Select Device");

    const char* ports[3] = {"378h", "278h", "3BCh"};
    for (std::size_t i = 0; i < 3; ++i) {
        LPTSelection[i] = Make("LPTSelection", K::OptionButton, ports[i]);
        LPTSelection[i].name = "LPTSelection(" + std::to_string(i) + ")";
    }
    PortSelected = Make("PortSelected", K::TextBox, "None",
                        "A card's port base (100h to FFF8h): type it and press Enter");
    QuorbitHardwareFound = Make("QuorbitHardwareFound", K::Label, "NO HARDWARE FOUND !!!");
    QuorbitHardwareFound.foreColor = colour::Red;
    testPortButton =
        Make("TestHardware_button", K::Button, "TestPort", "Test Communication LPT port");

    const char* volts[4] = {"5V", "12.5V", "21V", "25V"};
    const std::uint32_t voltBack[4] = {colour::Rgb(0, 192, 0), colour::Rgb(0, 128, 128),
                                       colour::Rgb(192, 0, 0), colour::Rgb(255, 0, 0)};
    for (std::size_t i = 0; i < 4; ++i) {
        voltageButtons[i] = Disabled(Make("Voltage_button", K::OptionButton, volts[i]));
        voltageButtons[i].name = "Voltage_button(" + std::to_string(i) + ")";
        voltageButtons[i].foreColor = colour::White;
        voltageButtons[i].backColor = voltBack[i];
    }
    voltageButtons[1].toolTip = "Most CMOS actual Eproms use this Programming Voltage.";
    voltageButtons[2].toolTip = voltageButtons[3].toolTip =
        "Carefull. Few Eproms Use This Programming Voltage.  Can damage wrong eproms.";

    const char* hiLow[3] = {"Both", "Hi Byte", "Low Byte"};
    for (std::size_t i = 0; i < 3; ++i) {
        byteChoiceButtons[i] = Make("HiLow_button", K::OptionButton, hiLow[i]);
        byteChoiceButtons[i].name = "HiLow_button(" + std::to_string(i) + ")";
    }
    byteChoiceButtons[0].value = 1;

    blankCheckFirstCheck =
        Hidden(Make("CheckBlankPriorProgramming", K::CheckBox, "Check Blank Before Programming"));
    verifyAfterCheck =
        Hidden(Make("VerifyAfterProgramming", K::CheckBox, "Verify Device After Programming"));
    codeCheck = Disabled(Make("CheckCode", K::CheckBox, "Code"));
    dataCheck = Disabled(Make("CheckData", K::CheckBox, "Data"));

    readButton = Disabled(Make("Read_button", K::Button, "Read ", "Read Whole Device to Buffer"));
    blankButton =
        Disabled(Make("Blank_button", K::Button, "Blank Chk", "Check Device for Blank (Erased)"));
    displayButton = Disabled(
        Make("Display_button", K::Button, "Display", "Display Device's contents on Screen"));
    programButton =
        Disabled(Make("Program_button", K::Button, "Program", "Program Device with Buffer Data"));
    verifyButton =
        Disabled(Make("Verify_button", K::Button, "Verify", "Verify (Compare) Device with File"));
    eraseBufferButton =
        Disabled(Make("Erase_button", K::Button, "Erase Buffer", "Erase Buffer to all \"FF\""));
    eraseChipButton =
        Disabled(Make("EraseFlash_button", K::Button, "Erase Chip", "Erase Flash or Eeprom"));
    showDataButton = Disabled(Make("Show_button", K::Button, "Show Data"));
    openDisplayButton = Make("Command1", K::Button, "Command1");

    speedLabel = Make("Label4", K::Label, "Program Speed");
    speedSlider = Make("Slider1", K::Slider, "", "Slow Down or Speed Up Programming Speed");
    speedSlider.min = 1;
    speedSlider.max = 20;
    speedSlider.value = 18;

    FileNameCodeLabel = Make("FileNameCodeLabel", K::Label, "File Name (Code):");
    FileNameCodeText = Make("FileNameCodeText", K::Label, "Click To Select a File");
    FileNameCodeSize = Make("FileNameCodeSize", K::Label, "(0 Bytes)");
    FileNameDataLabel = Hidden(Make("FileNameDataLabel", K::Label, "File Name (Data):"));
    FileNameDataText = Hidden(Make("FileNameDataText", K::Label, "Click To Select a File"));
    FileNameDataSize = Hidden(Make("FileNameDataSize", K::Label, "(0 Bytes)"));

    readyLamp = Make("Ready_label", K::Label, "NotReady");
    readyLamp.foreColor = colour::Red;
    programLamp = Make("Program_label", K::Label, "Program");
    dataFlowLamp = Make("DataFlow_label", K::Label, "DataFlow");
    errorLamp = Make("Error_label", K::Label, "ERROR");
    for (Control* lamp : {&programLamp, &dataFlowLamp, &errorLamp})
        lamp->foreColor = colour::ButtonFace;

    SystemLog = Make("SystemLog", K::TextBox, "", "Double Click to Save to Quorbit.Log file");
    BufferDisplay =
        Make("BufferDisplay", K::TextBox, "", "Double Click to Save to Quorbit.Buf file");
    pageScrollBar = Make("VScroll1", K::ScrollBar);
    GoToLabel = Make("GoToLabel", K::Label, "Go to address:");
    GoToAddress = Make("GoToAddress", K::TextBox, "",
                       "Type an address in hex and press Enter to show the page that holds it");
    progressBar = Make("ProgressBar1", K::ProgressBar);
    progressBar.max = 100;

    sbStatusBar[0] = Make("sbStatusBar(1)", K::StatusPanel, "Status");
    sbStatusBar[1] = Make("sbStatusBar(2)", K::StatusPanel); // date, filled by the view
    sbStatusBar[2] = Make("sbStatusBar(3)", K::StatusPanel); // time, filled by the view

    const char* keys[5] = {"OpenCode", "SaveCode", "", "OpenData", "SaveData"};
    const char* tips[5] = {"Open File into Code Buffer", "Save Code Buffer Into File", "",
                           "Open File into Data Buffer", "Save Data Buffer into File"};
    for (std::size_t i = 0; i < 5; ++i) {
        tbToolBar[i] = Make("tbToolBar", K::ToolButton, "", tips[i]);
        tbToolBar[i].name = "tbToolBar(" + std::to_string(i + 1) + ")";
        tbToolBar[i].key = keys[i];
    }
    tbToolBar[1].enabled = false;
    tbToolBar[2].visible = tbToolBar[3].visible = tbToolBar[4].visible = false;
    tbToolBar[3].enabled = tbToolBar[4].enabled = false;

    mnuFile = Item("mnuFile", "&File");
    mnuFileOpenCode = Item("mnuFileOpenCode", "&Open Code...");
    mnuFileSaveCode = Item("mnuFileSaveCode", "&Save Code", false);
    mnuFileSaveCodeAs = Item("mnuFileSaveCodeAs", "Save Code &As...", false);
    mnuFileOpenData = Item("mnuFileOpenData", "Open Data...", false);
    mnuFileSaveData = Item("mnuFileSaveData", "Save Data", false);
    mnuFileSaveDataAs = Item("mnuFileSaveDataAs", "Save Data As...", false);
    mnuFileClose = Item("mnuFileClose", "&Close");
    mnuFileExit = Item("mnuFileExit", "E&xit");
    for (std::size_t i = 0; i < mnuFileRecent.size(); ++i) {
        mnuFileRecent[i] = Hidden(Item("mnuFileRecent", ""));
        mnuFileRecent[i].name = "mnuFileRecent(" + std::to_string(i + 1) + ")";
    }
    mnuTools = Item("mnuTools", "&Tools");
    mnuToolsOptions = Item("mnuToolsOptions", "&Options...");
    menuCommand = Item("menuCommand", "&Command");
    menuBlankCheck = Item("menuBlankCheck", "Blank Check Device for Erased");
    menuProgramCode = Item("menuProgramCode", "Program Device Code");
    menuReadCode = Item("menuReadCode", "Read Device Code");
    menuVerifyCode = Item("menuVerifyCode", "Verify Device Code");
    menuProgramData = Item("menuProgramData", "Program Device Data");
    menuReadData = Item("menuReadData", "Read Device Data");
    menuVerifyData = Item("menuVerifyData", "Verify Device Data");
    menuDisplayCode = Item("menuDisplayCode", "Display Device CODE");
    menuDisplayData = Item("menuDisplayData", "Display Device DATA");
    menuEraseCode = Item("menuEraseCode", "Erase CODE Buffer (\"FF\") ");
    menuEraseData = Item("menuEraseData", "Erase DATA Buffer (\"FF\") ");
    menuEraseFlash = Item("menuEraseFlash", "Erase Device Flash Memory");
    menuTestHardware = Item("menuTestHardware", "Test LPT Ports");
    menuProduction = Item("menuProduction", "Production...");
    menuFlashShowCodeID = Item("menuFlashShowCodeID", "Show Flash Code ID#");
    menuNextDifference = Item("menuNextDifference", "&Next Difference", false);
    menuPreviousDifference = Item("menuPreviousDifference", "Pre&vious Difference", false);
    Setup = Item("Setup", "&Setup");
    LoadSetup = Item("LoadSetup", "&Load Setup");
    LoadSetup1 = Item("LoadSetup1", "Load Setup #&1", false);
    LoadSetup2 = Item("LoadSetup2", "Load Setup #&2", false);
    LoadSetup3 = Item("LoadSetup3", "Load Setup #&3", false);
    LoadSetup4 = Item("LoadSetup4", "Load Setup #&4", false);
    SaveSetup = Item("SaveSetup", "&Save Setup");
    SaveSetup1 = Item("SaveSetup1", "Save Setup #&1");
    SaveSetup2 = Item("SaveSetup2", "Save Setup #&2");
    SaveSetup3 = Item("SaveSetup3", "Save Setup #&3");
    SaveSetup4 = Item("SaveSetup4", "Save Setup #&4");
    ForceQuorbit4 = Item("ForceQuorbit4", "Force Set QUORBIT-4");
    ForceQuorbit5 = Item("ForceQuorbit5", "Force Set QUORBIT-5");
    ForceQuorbit6 = Item("ForceQuorbit6", "Force Set QUORBIT-6");
    FastPortAccess = Item("FastPortAccess", "Fast port access");
    FastPortAccess.checkable = true;
    LoopFlashTest = Item("LoopFlashTest", "LoopFlashTest", false);
    ResetFlash = Item("ResetFlash", "ResetFlash", false);
    mnuHelp = Item("mnuHelp", "&Help");
    mnuHelpContents = Item("mnuHelpContents", "&Contents");
    mnuHelpSearchForHelpOn = Item("mnuHelpSearchForHelpOn", "&Search For Help On...");
    mnuHelpAbout = Item("mnuHelpAbout", "&About ");
}

std::vector<Control*> Controls::LPTGroup() {
    return {&LPTSelection[0], &LPTSelection[1], &LPTSelection[2]};
}
std::vector<Control*> Controls::VoltageGroup() {
    return {&voltageButtons[0], &voltageButtons[1], &voltageButtons[2], &voltageButtons[3]};
}
std::vector<Control*> Controls::HiLowGroup() {
    return {&byteChoiceButtons[0], &byteChoiceButtons[1], &byteChoiceButtons[2]};
}

std::vector<Control*> Controls::All() {
    std::vector<Control*> all = {&commandFrame,
                                 &deviceFrame,
                                 &bufferFrame,
                                 &portFrame,
                                 &autoOperationsFrame,
                                 &logFrame,
                                 &speedFrame,
                                 &memoryFrame,
                                 &hardwareFrame,
                                 &byteChoiceFrame,
                                 &voltageFrame,
                                 &Device,
                                 &PleaseSelect,
                                 &PortSelected,
                                 &QuorbitHardwareFound,
                                 &testPortButton,
                                 &blankCheckFirstCheck,
                                 &verifyAfterCheck,
                                 &codeCheck,
                                 &dataCheck,
                                 &readButton,
                                 &blankButton,
                                 &displayButton,
                                 &programButton,
                                 &verifyButton,
                                 &eraseBufferButton,
                                 &eraseChipButton,
                                 &showDataButton,
                                 &openDisplayButton,
                                 &speedLabel,
                                 &speedSlider,
                                 &FileNameCodeLabel,
                                 &FileNameCodeText,
                                 &FileNameCodeSize,
                                 &FileNameDataLabel,
                                 &FileNameDataText,
                                 &FileNameDataSize,
                                 &readyLamp,
                                 &programLamp,
                                 &dataFlowLamp,
                                 &errorLamp,
                                 &SystemLog,
                                 &BufferDisplay,
                                 &pageScrollBar,
                                 &GoToLabel,
                                 &GoToAddress,
                                 &progressBar,
                                 &mnuFile,
                                 &mnuFileOpenCode,
                                 &mnuFileSaveCode,
                                 &mnuFileSaveCodeAs,
                                 &mnuFileOpenData,
                                 &mnuFileSaveData,
                                 &mnuFileSaveDataAs,
                                 &mnuFileClose,
                                 &mnuFileExit,
                                 &mnuTools,
                                 &mnuToolsOptions,
                                 &menuCommand,
                                 &menuBlankCheck,
                                 &menuProgramCode,
                                 &menuReadCode,
                                 &menuVerifyCode,
                                 &menuProgramData,
                                 &menuReadData,
                                 &menuVerifyData,
                                 &menuDisplayCode,
                                 &menuDisplayData,
                                 &menuEraseCode,
                                 &menuEraseData,
                                 &menuEraseFlash,
                                 &menuTestHardware,
                                 &menuProduction,
                                 &menuFlashShowCodeID,
                                 &menuNextDifference,
                                 &menuPreviousDifference,
                                 &Setup,
                                 &LoadSetup,
                                 &LoadSetup1,
                                 &LoadSetup2,
                                 &LoadSetup3,
                                 &LoadSetup4,
                                 &SaveSetup,
                                 &SaveSetup1,
                                 &SaveSetup2,
                                 &SaveSetup3,
                                 &SaveSetup4,
                                 &ForceQuorbit4,
                                 &ForceQuorbit5,
                                 &ForceQuorbit6,
                                 &FastPortAccess,
                                 &LoopFlashTest,
                                 &ResetFlash,
                                 &mnuHelp,
                                 &mnuHelpContents,
                                 &mnuHelpSearchForHelpOn,
                                 &mnuHelpAbout};
    for (auto& c : LPTSelection)
        all.push_back(&c);
    for (auto& c : voltageButtons)
        all.push_back(&c);
    for (auto& c : byteChoiceButtons)
        all.push_back(&c);
    for (auto& c : sbStatusBar)
        all.push_back(&c);
    for (auto& c : tbToolBar)
        all.push_back(&c);
    for (auto& c : mnuFileRecent)
        all.push_back(&c);
    return all;
}

Control* Controls::Find(const std::string& name) {
    for (Control* c : All())
        if (c->name == name) return c;
    return nullptr;
}

void SetScrollMax(Control& bar, int maximum) {
    bar.max = std::max(0, maximum);
    if (bar.value > bar.max) SetPosition(bar, bar.max);
}

} // namespace quorbit
