#pragma once
// The main window's controls and menus as a plain model, named as the window
// names them. The Qt view mirrors this; tests read it directly.
#include <array>
#include <string>
#include <vector>

#include "app/Control.h"

namespace quorbit {

enum class WindowState { Normal, Minimized, Maximized };

struct WindowRect {
    // Outer rectangle in twips (15 twips per pixel at 96 dpi).
    double left = 100, top = 100, width = 10800, height = 6500;
    WindowState state = WindowState::Normal;
};

struct Controls {
    Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    std::string Caption;
    WindowRect Window;

    // Frames
    Control commandFrame, deviceFrame, bufferFrame, portFrame, autoOperationsFrame, logFrame,
        speedFrame, memoryFrame, hardwareFrame, byteChoiceFrame, voltageFrame;

    // Device choice
    Control Device, PleaseSelect;

    // Port and board
    std::array<Control, 3> LPTSelection;
    Control PortSelected, QuorbitHardwareFound, testPortButton;

    // Voltage, byte choice, options
    std::array<Control, 4> voltageButtons;
    std::array<Control, 3> byteChoiceButtons;
    Control blankCheckFirstCheck, verifyAfterCheck, codeCheck, dataCheck;

    // Operation buttons
    Control readButton, blankButton, displayButton, programButton, verifyButton, eraseBufferButton,
        eraseChipButton, showDataButton, openDisplayButton;

    // Speed
    Control speedLabel, speedSlider;

    // File names
    Control FileNameCodeLabel, FileNameCodeText, FileNameCodeSize;
    Control FileNameDataLabel, FileNameDataText, FileNameDataSize;

    // Lamps
    Control readyLamp, programLamp, dataFlowLamp, errorLamp;

    // Log, display, progress, status bar, tool bar
    Control SystemLog, BufferDisplay, pageScrollBar, progressBar;
    /// A hex address typed here shows the page that holds it.
    Control GoToLabel, GoToAddress;
    std::array<Control, 3> sbStatusBar; // text panel, date panel, time panel
    std::array<Control, 5> tbToolBar;   // index 0 is button 1

    // Menus
    Control mnuFile, mnuFileOpenCode, mnuFileSaveCode, mnuFileSaveCodeAs, mnuFileOpenData,
        mnuFileSaveData, mnuFileSaveDataAs, mnuFileClose, mnuFileExit;
    /// The code files opened or saved last, newest first ("mnuFileRecent(1)"...);
    /// hidden while unused.
    std::array<Control, 8> mnuFileRecent;
    Control mnuTools, mnuToolsOptions;
    Control menuCommand, menuBlankCheck, menuProgramCode, menuReadCode, menuVerifyCode,
        menuProgramData, menuReadData, menuVerifyData, menuDisplayCode, menuDisplayData,
        menuEraseCode, menuEraseData, menuEraseFlash, menuTestHardware, menuFlashShowCodeID;
    /// One image into one chip after another, with serial numbers and a record.
    Control menuProduction;
    /// The pages of the differing bytes of the last verify, one range after another.
    Control menuNextDifference, menuPreviousDifference;
    Control Setup, LoadSetup, LoadSetup1, LoadSetup2, LoadSetup3, LoadSetup4, SaveSetup, SaveSetup1,
        SaveSetup2, SaveSetup3, SaveSetup4, ForceQuorbit4, ForceQuorbit5, ForceQuorbit6,
        LoopFlashTest, ResetFlash;
    /// The fast port mode, ticked while on; kept in the port file.
    Control FastPortAccess;
    Control mnuHelp, mnuHelpContents, mnuHelpSearchForHelpOn, mnuHelpAbout;

    /// Option groups as lists, for SetOption.
    std::vector<Control*> LPTGroup();
    std::vector<Control*> VoltageGroup();
    std::vector<Control*> HiLowGroup();

    /// Every control, for views and tests that walk the whole window.
    std::vector<Control*> All();
    /// Looks a control up by name ("LPTSelection(1)", "tbToolBar(2)" for arrays,
    /// 1-based for the tool bar as its buttons are numbered). Null when unknown.
    Control* Find(const std::string& name);
};

/// Scroll-bar maximum as the program computes it; a negative value (less than
/// one page of data) is shown as a single page.
void SetScrollMax(Control& bar, int maximum);

} // namespace quorbit
