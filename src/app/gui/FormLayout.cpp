#include "app/gui/FormLayout.h"

namespace quorbit::gui {

// Left column: board, operations and programming options. Right: device choice,
// file names, the hex display, lamps and progress, the log. Coordinates are
// pixels in the control area, below the tool bar.
const std::vector<Placement>& MainFormLayout() {
    static const std::vector<Placement> layout = {
        {"Frame9", "", 4, 2, 208, 46},
        {"QuorbitHardwareFound", "Frame9", 8, 15, 128, 28},
        {"TestHardware_button", "Frame9", 138, 16, 62, 24},

        {"Frame4", "", 4, 50, 208, 42},
        {"LPTSelection(0)", "Frame4", 8, 18, 48, 18},
        {"LPTSelection(1)", "Frame4", 56, 18, 48, 18},
        {"LPTSelection(2)", "Frame4", 104, 18, 48, 18},
        {"PortSelected", "Frame4", 154, 16, 46, 21},

        {"Frame1", "", 4, 94, 208, 112},
        {"Read_button", "Frame1", 8, 8, 94, 23},
        {"Blank_button", "Frame1", 106, 8, 94, 23},
        {"Display_button", "Frame1", 8, 33, 94, 23},
        {"Program_button", "Frame1", 106, 33, 94, 23},
        {"Verify_button", "Frame1", 8, 58, 94, 23},
        {"Erase_button", "Frame1", 106, 58, 94, 23},
        {"EraseFlash_button", "Frame1", 8, 83, 94, 23},
        {"Show_button", "Frame1", 106, 83, 94, 23},

        {"Frame10", "", 4, 208, 208, 40},
        {"HiLow_button(0)", "Frame10", 8, 17, 52, 18},
        {"HiLow_button(1)", "Frame10", 62, 17, 66, 18},
        {"HiLow_button(2)", "Frame10", 130, 17, 72, 18},

        {"Frame8", "", 4, 250, 208, 30},
        {"CheckCode", "Frame8", 8, 6, 56, 18},
        {"CheckData", "Frame8", 64, 6, 56, 18},
        {"Command1", "Frame8", 124, 4, 78, 22},

        {"Frame7", "", 4, 282, 208, 34},
        {"Label4", "Frame7", 6, 9, 74, 16},
        {"Slider1", "Frame7", 80, 5, 122, 24},

        // The choice prompt fills the place where the voltage and option frames
        // appear once a device is chosen.
        {"FrameVoltageSelection", "", 4, 318, 208, 40},
        {"Voltage_button(0)", "FrameVoltageSelection", 6, 17, 46, 18},
        {"Voltage_button(1)", "FrameVoltageSelection", 54, 17, 54, 18},
        {"Voltage_button(2)", "FrameVoltageSelection", 110, 17, 45, 18},
        {"Voltage_button(3)", "FrameVoltageSelection", 157, 17, 45, 18},
        {"Frame5", "", 4, 359, 208, 44},
        {"CheckBlankPriorProgramming", "Frame5", 8, 14, 196, 14},
        {"VerifyAfterProgramming", "Frame5", 8, 28, 196, 14},
        {"PleaseSelect", "", 4, 320, 208, 82},

        {"Frame2", "", 218, 0, 206, 42},
        {"Device", "Frame2", 6, 15, 194, 22},

        {"FileNameCodeLabel", "", 430, 5, 92, 16},
        {"FileNameCodeText", "", 522, 5, 116, 16, kGrowWidth},
        {"FileNameCodeSize", "", 638, 5, 61, 16, kFollowRight},
        {"FileNameDataLabel", "", 430, 23, 92, 16},
        {"FileNameDataText", "", 522, 23, 116, 16, kGrowWidth},
        {"FileNameDataSize", "", 638, 23, 61, 16, kFollowRight},
        {"Line1", "", 430, 40, 269, 2, kGrowWidth},

        {"Frame3", "", 218, 44, 481, 257, kGrowWidth},
        {"BufferDisplay", "Frame3", 8, 16, 449, 233, kGrowWidth},
        {"VScroll1", "Frame3", 457, 16, 16, 233, kFollowRight},

        {"Shape2", "", 218, 303, 234, 20},
        {"Ready_label", "", 220, 305, 56, 16},
        {"Program_label", "", 278, 305, 56, 16},
        {"DataFlow_label", "", 336, 305, 58, 16},
        {"Error_label", "", 396, 305, 54, 16},
        {"ProgressBar1", "", 458, 305, 241, 16, kGrowWidth},

        {"Frame6", "", 218, 325, 481, 77, kGrowWidth | kGrowHeight},
        {"SystemLog", "Frame6", 6, 15, 469, 56, kGrowWidth | kGrowHeight},
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
