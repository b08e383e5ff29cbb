// Lamps, event sounds, the progress bar and the status bar. Every change is
// shown at once: an operation publishes it for the window from its own thread.
#include <filesystem>

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {
namespace {

void SetLamp(App& app, Control& lamp, std::uint32_t colour) {
    lamp.foreColor = colour;
    app.Repaint();
}

} // namespace

void ErrorLampOn(App& app) {
    app.ui.errorLamp.foreColor = colour::Red;
    ProgramLampOff(app);
    DataFlowLampOff(app);
    app.Repaint();
}
void ErrorLampOff(App& app) {
    SetLamp(app, app.ui.errorLamp, colour::ButtonFace);
}
void ProgramLampOn(App& app) {
    SetLamp(app, app.ui.programLamp, colour::Green);
}
void ProgramLampOff(App& app) {
    SetLamp(app, app.ui.programLamp, colour::ButtonFace);
}
void DataFlowLampOn(App& app) {
    SetLamp(app, app.ui.dataFlowLamp, colour::Green);
}
void DataFlowLampOff(App& app) {
    SetLamp(app, app.ui.dataFlowLamp, colour::ButtonFace);
}

void ToggleProgramIndicator(App& app) {
    Control& lamp = app.ui.programLamp;
    SetLamp(app, lamp, lamp.foreColor == colour::ButtonFace ? colour::Green : colour::ButtonFace);
    // The board's LED blinks with the lamp on the screen.
    app.board.FlipBoardIndicator();
}

void PlayEventSound(App& app, const std::string& eventName) {
    const char* file = "error.wav";
    if (eventName == "INIT")
        file = "init.wav";
    else if (eventName == "ERROR")
        file = "error.wav";
    else if (eventName == "DONE")
        file = "done.wav";
    else if (eventName == "SLIDE")
        file = "slide.wav";
    else if (eventName == "OK")
        file = "ok.wav";
    if (app.svc.sound)
        app.svc.sound->Play((std::filesystem::path(app.svc.appFolder) / file).string());
}

void GoProgressiveBar1(App& app) {
    if (++app.report.ProgressCount == app.report.ProgressStep) {
        AdvanceProgress(app, 1);
        app.report.ProgressCount = 0;
    }
}

void SetProgressValue(App& app, int value) {
    app.ui.progressBar.value = value;
    // Every walk keeps its chip address in the board's counter.
    app.report.ProgressAddress = value > 0 ? app.board.Address : -1;
    app.Repaint();
}

void AdvanceProgress(App& app, int steps) {
    SetProgressValue(app, app.ui.progressBar.value + steps);
}

void ShowVerifyRunning(App& app, bool running) {
    app.ui.verifyButton.backColor = running ? colour::Highlight3D : colour::ButtonFace;
}

void EnableDifferenceJumps(App& app, bool any) {
    app.ui.menuNextDifference.enabled = app.ui.menuPreviousDifference.enabled = any;
}

void EnableReadBufferCommands(App& app) {
    auto& ui = app.ui;
    for (Control* c : {&ui.verifyButton, &ui.menuVerifyCode, &ui.programButton, &ui.menuProgramCode,
                       &ui.eraseBufferButton, &ui.menuEraseCode, &ui.mnuFileSaveCodeAs})
        c->enabled = true;
}

void SetLastPage(App& app, int lastPage) {
    SetScrollMax(app.ui.pageScrollBar, lastPage);
}

void SetProgressMax(App& app, int maximum) {
    app.ui.progressBar.max = maximum;
    app.Repaint();
}

void SetStatusText(App& app, const std::string& text) {
    app.ui.sbStatusBar[0].caption = text;
    app.Repaint();
}

void ShowWaitPhase(App& app, const std::string& phase, double seconds) {
    ReportState& r = app.report;
    const bool newSecond = static_cast<long long>(seconds) != static_cast<long long>(r.WaitSeconds);
    const bool newPhase = phase != r.WaitPhase;
    r.WaitSeconds = seconds;
    if (!newPhase && !newSecond) return;
    r.WaitPhase = phase;
    app.Repaint();
}

void EndWaitPhase(App& app) {
    if (app.report.WaitPhase.empty()) return;
    app.report.WaitPhase.clear();
    app.report.WaitSeconds = 0;
    app.Repaint();
}

void Reset(App& app) {
    EndWaitPhase(app);
    app.board.ResetLines();
    app.ui.progressBar.max = 100;
    SetProgressValue(app, 0);
}

} // namespace quorbit
