#include "gui/FormLayout.h"

#include <string_view>

namespace quorbit::gui {

// Left column: board, operations and programming options. Right: device choice,
// lamps and progress, the hex page, file names, the log.
const std::vector<Placement>& MainFormLayout() {
    static const std::vector<Placement> layout = {
        {"LeftColumn", "", 0, 0},
        {"RightColumn", "", 0, 1},

        {"Frame9", "LeftColumn", 0, 0},
        {"QuorbitHardwareFound", "Frame9", 0, 0},
        {"TestHardware_button", "Frame9", 0, 1},

        {"Frame4", "LeftColumn", 1, 0},
        {"LPTSelection(0)", "Frame4", 0, 0},
        {"LPTSelection(1)", "Frame4", 0, 1},
        {"LPTSelection(2)", "Frame4", 0, 2},
        {"PortSelected", "Frame4", 0, 3},

        {"Frame1", "LeftColumn", 2, 0},
        {"Read_button", "Frame1", 0, 0},
        {"Blank_button", "Frame1", 0, 1},
        {"Display_button", "Frame1", 1, 0},
        {"Program_button", "Frame1", 1, 1},
        {"Verify_button", "Frame1", 2, 0},
        {"Erase_button", "Frame1", 2, 1},
        {"EraseFlash_button", "Frame1", 3, 0},
        {"Show_button", "Frame1", 3, 1},

        {"Frame10", "LeftColumn", 3, 0},
        {"HiLow_button(0)", "Frame10", 0, 0},
        {"HiLow_button(1)", "Frame10", 0, 1},
        {"HiLow_button(2)", "Frame10", 0, 2},

        {"Frame8", "LeftColumn", 4, 0},
        {"CheckCode", "Frame8", 0, 0},
        {"CheckData", "Frame8", 0, 1},
        {"Command1", "Frame8", 0, 2},

        {"Frame7", "LeftColumn", 5, 0},
        {"Label4", "Frame7", 0, 0},
        {"Slider1", "Frame7", 0, 1},

        // The choice prompt takes the place where the voltage and option frames
        // appear once a device is chosen.
        {"FrameVoltageSelection", "LeftColumn", 6, 0},
        {"Voltage_button(0)", "FrameVoltageSelection", 0, 0},
        {"Voltage_button(1)", "FrameVoltageSelection", 0, 1},
        {"Voltage_button(2)", "FrameVoltageSelection", 0, 2},
        {"Voltage_button(3)", "FrameVoltageSelection", 0, 3},
        {"Frame5", "LeftColumn", 7, 0},
        {"CheckBlankPriorProgramming", "Frame5", 0, 0},
        {"VerifyAfterProgramming", "Frame5", 1, 0},
        {"PleaseSelect", "LeftColumn", 6, 0, 2, 1},

        {"TopRow", "RightColumn", 0, 0},
        {"Frame2", "TopRow", 0, 0, 2, 1},
        {"Device", "Frame2", 0, 0},
        // The lamps sit in a sunken panel; an unlit lamp shows no text.
        {"Shape2", "TopRow", 0, 1},
        {"Ready_label", "Shape2", 0, 0},
        {"Program_label", "Shape2", 0, 1},
        {"DataFlow_label", "Shape2", 0, 2},
        {"Error_label", "Shape2", 0, 3},
        // Percent, address and times of the running operation, and its Stop.
        {"ProgressRow", "TopRow", 1, 1},
        {"ProgressBar1", "ProgressRow", 0, 0},
        {"Stop_button", "ProgressRow", 0, 1},
        {"ProgressText", "TopRow", 2, 0, 1, 2},

        {"Frame3", "RightColumn", 1, 0},
        {"PageRow", "Frame3", 0, 0, 1, 3},
        {"BufferDisplay", "PageRow", 0, 0},
        {"VScroll1", "PageRow", 0, 1},
        {"GoToLabel", "Frame3", 1, 0},
        {"GoToAddress", "Frame3", 1, 1},

        {"FileNames", "RightColumn", 2, 0},
        {"FileNameCodeLabel", "FileNames", 0, 0},
        {"FileNameCodeText", "FileNames", 0, 1},
        {"FileNameCodeSize", "FileNames", 0, 2},
        {"FileNameDataLabel", "FileNames", 1, 0},
        {"FileNameDataText", "FileNames", 1, 1},
        {"FileNameDataSize", "FileNames", 1, 2},

        {"Frame6", "RightColumn", 3, 0},
        {"SystemLog", "Frame6", 0, 0},
    };
    return layout;
}

const std::vector<Stretch>& MainFormStretch() {
    static const std::vector<Stretch> stretch = {
        {"", false, 1, 1},           // the right column takes the width
        {"LeftColumn", true, 8, 1},  // the left column's frames stay packed at the top
        {"Frame9", false, 0, 1},     // the board found, beside TestPort
        {"RightColumn", true, 1, 3}, // the hex page and the log share the height
        {"RightColumn", true, 3, 2}, {"TopRow", false, 0, 1},
        {"TopRow", false, 1, 1},     {"ProgressRow", false, 0, 1},
        {"Frame3", true, 0, 1},      {"Frame3", false, 2, 1}, // the address field stays short
        {"PageRow", false, 0, 1},    {"FileNames", false, 1, 1},
    };
    return stretch;
}

bool IsLayoutBox(const char* name) {
    for (const char* box :
         {"LeftColumn", "RightColumn", "TopRow", "Shape2", "ProgressRow", "PageRow", "FileNames"})
        if (std::string_view(name) == box) return true;
    return false;
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
        {"mnuFileRecent(1)", 1},
        {"mnuFileRecent(2)", 1},
        {"mnuFileRecent(3)", 1},
        {"mnuFileRecent(4)", 1},
        {"mnuFileRecent(5)", 1},
        {"mnuFileRecent(6)", 1},
        {"mnuFileRecent(7)", 1},
        {"mnuFileRecent(8)", 1},
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
        {"menuNextDifference", 1},
        {"menuPreviousDifference", 1},
        {"-", 1},
        {"menuEraseCode", 1},
        {"menuEraseData", 1},
        {"menuEraseFlash", 1},
        {"-", 1},
        {"menuTestHardware", 1},
        {"menuProduction", 1},
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
        {"FastPortAccess", 1},
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
