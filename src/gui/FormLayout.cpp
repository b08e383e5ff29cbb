#include "gui/FormLayout.h"

namespace quorbit::gui {

// Left column: board, operations and programming options. Right: device choice,
// lamps and progress, the hex display, file names, the log. Coordinates are
// pixels in the control area, below the tool bar.
const std::vector<Placement>& MainFormLayout() {
    static const std::vector<Placement> layout = {
        {"Frame9", "", 4, 2, 208, 44},
        {"QuorbitHardwareFound", "Frame9", 8, 15, 128, 26},
        {"TestHardware_button", "Frame9", 138, 15, 62, 24},

        {"Frame4", "", 4, 48, 208, 40},
        {"LPTSelection(0)", "Frame4", 4, 17, 53, 18},
        {"LPTSelection(1)", "Frame4", 57, 17, 53, 18},
        {"LPTSelection(2)", "Frame4", 110, 17, 54, 18},
        {"PortSelected", "Frame4", 166, 14, 38, 21},

        {"Frame1", "", 4, 90, 208, 110},
        {"Read_button", "Frame1", 8, 7, 94, 23},
        {"Blank_button", "Frame1", 106, 7, 94, 23},
        {"Display_button", "Frame1", 8, 32, 94, 23},
        {"Program_button", "Frame1", 106, 32, 94, 23},
        {"Verify_button", "Frame1", 8, 57, 94, 23},
        {"Erase_button", "Frame1", 106, 57, 94, 23},
        {"EraseFlash_button", "Frame1", 8, 82, 94, 23},
        {"Show_button", "Frame1", 106, 82, 94, 23},

        {"Frame10", "", 4, 202, 208, 40},
        {"HiLow_button(0)", "Frame10", 4, 17, 52, 18},
        {"HiLow_button(1)", "Frame10", 57, 17, 66, 18},
        {"HiLow_button(2)", "Frame10", 124, 17, 78, 18},

        {"Frame8", "", 4, 244, 208, 30},
        {"CheckCode", "Frame8", 8, 6, 56, 18},
        {"CheckData", "Frame8", 64, 6, 56, 18},
        {"Command1", "Frame8", 124, 4, 78, 22},

        {"Frame7", "", 4, 276, 208, 34},
        {"Label4", "Frame7", 6, 9, 86, 16},
        {"Slider1", "Frame7", 92, 5, 110, 24},

        // The choice prompt fills the place where the voltage and option frames
        // appear once a device is chosen.
        {"FrameVoltageSelection", "", 4, 312, 208, 40},
        {"Voltage_button(0)", "FrameVoltageSelection", 4, 17, 41, 18},
        {"Voltage_button(1)", "FrameVoltageSelection", 46, 17, 58, 18},
        {"Voltage_button(2)", "FrameVoltageSelection", 105, 17, 48, 18},
        {"Voltage_button(3)", "FrameVoltageSelection", 154, 17, 48, 18},
        {"Frame5", "", 4, 354, 208, 48},
        {"CheckBlankPriorProgramming", "Frame5", 6, 15, 200, 15},
        {"VerifyAfterProgramming", "Frame5", 6, 30, 200, 15},
        {"PleaseSelect", "", 4, 314, 208, 88},

        {"Frame2", "", 218, 0, 248, 42},
        {"Device", "Frame2", 6, 15, 236, 22},

        // The lamps sit in a sunken panel; an unlit lamp shows no text.
        {"Shape2", "", 472, 2, 227, 21},
        {"Ready_label", "", 474, 4, 58, 17},
        {"Program_label", "", 533, 4, 54, 17},
        {"DataFlow_label", "", 588, 4, 57, 17},
        {"Error_label", "", 646, 4, 51, 17},
        {"ProgressBar1", "", 472, 27, 227, 14, kGrowWidth},

        {"Frame3", "", 218, 44, 481, 257, kGrowWidth},
        {"BufferDisplay", "Frame3", 8, 16, 449, 233, kGrowWidth},
        {"VScroll1", "Frame3", 457, 16, 16, 233, kFollowRight},

        {"FileNameCodeLabel", "", 222, 303, 100, 16},
        {"FileNameCodeText", "", 322, 303, 300, 16, kGrowWidth},
        {"FileNameCodeSize", "", 624, 303, 75, 16, kFollowRight},
        {"FileNameDataLabel", "", 222, 319, 100, 16},
        {"FileNameDataText", "", 322, 319, 300, 16, kGrowWidth},
        {"FileNameDataSize", "", 624, 319, 75, 16, kFollowRight},

        {"Frame6", "", 218, 339, 481, 63, kGrowWidth | kGrowHeight},
        {"SystemLog", "Frame6", 6, 15, 469, 44, kGrowWidth | kGrowHeight},
    };
    return layout;
}

const std::vector<MenuEntry>& MainMenuLayout() {
    static const std::vector<MenuEntry> menus = {
        {"mnuFile", 0},
        {"mnuFileOpenCode", 1},
        {"mnuFileSaveCode", 1},
        {"mnuFileSaveCodeAs", 1},
        {"-", 1},
        {"mnuFileOpenData", 1},
        {"mnuFileSaveData", 1},
        {"mnuFileSaveDataAs", 1},
        {"-", 1},
        {"mnuFileClose", 1},
        {"mnuFileExit", 1},

        {"mnuTools", 0},
        {"mnuToolsOptions", 1},

        {"menuCommand", 0},
        {"menuBlankCheck", 1},
        {"-", 1},
        {"menuProgramCode", 1},
        {"menuReadCode", 1},
        {"menuVerifyCode", 1},
        {"-", 1},
        {"menuProgramData", 1},
        {"menuReadData", 1},
        {"menuVerifyData", 1},
        {"-", 1},
        {"menuDisplayCode", 1},
        {"menuDisplayData", 1},
        {"-", 1},
        {"menuEraseCode", 1},
        {"menuEraseData", 1},
        {"menuEraseFlash", 1},
        {"-", 1},
        {"menuTestHardware", 1},
        {"-", 1},
        {"menuFlashShowCodeID", 1},

        {"Setup", 0},
        {"LoadSetup", 1},
        {"LoadSetup1", 2},
        {"LoadSetup2", 2},
        {"LoadSetup3", 2},
        {"LoadSetup4", 2},
        {"-", 1},
        {"SaveSetup", 1},
        {"SaveSetup1", 2},
        {"SaveSetup2", 2},
        {"SaveSetup3", 2},
        {"SaveSetup4", 2},
        {"-", 1},
        {"ForceQuorbit4", 1},
        {"ForceQuorbit5", 1},
        {"ForceQuorbit6", 1},
        {"-", 1},
        {"LoopFlashTest", 1},
        {"ResetFlash", 1},

        {"mnuHelp", 0},
        {"mnuHelpContents", 1},
        {"mnuHelpSearchForHelpOn", 1},
        {"-", 1},
        {"mnuHelpAbout", 1},
    };
    return menus;
}

} // namespace quorbit::gui
