// The error alert: a red ERROR lamp that locks the operation buttons until the
// operator acknowledges it.
#include <exception>

#include "app/App.h"
#include "app/Shell.h"
#include "hw/StopRequest.h"

namespace quorbit {
namespace {

std::string EnabledText(const Control& c) {
    return c.enabled ? "True" : "False";
}

} // namespace

void EnterErrorState(App& app) {
    ErrorLampOn(app);
    auto& ui = app.ui;
    app.report.SavedProgramEnabled = EnabledText(ui.Program_button);
    app.report.SavedVerifyEnabled = EnabledText(ui.Verify_button);
    app.report.SavedReadEnabled = EnabledText(ui.Read_button);
    app.report.SavedDisplayEnabled = EnabledText(ui.Display_button);
    ui.Program_button.enabled = ui.Verify_button.enabled = false;
    ui.Read_button.enabled = ui.Display_button.enabled = false;
    app.Repaint();
}

void Error_label_Click(App& app) {
    auto& ui = app.ui;
    if (ui.Error_label.foreColor != colour::Red) return;
    ErrorLampOff(app);
    ProgramLampOff(app);
    DataFlowLampOff(app);
    LogMessage(app, "Error Alert was Turned Off");
    SetProgressValue(app, 0);
    ui.Program_button.enabled = app.report.SavedProgramEnabled == "True";
    ui.Verify_button.enabled = app.report.SavedVerifyEnabled == "True";
    ui.Read_button.enabled = app.report.SavedReadEnabled == "True";
    ui.Display_button.enabled = app.report.SavedDisplayEnabled == "True";
    Reset(app);
}

void ShowCriticalError(App& app) {
    app.svc.dialogs->MsgBox("Program or Compare Error", "Critical Message", MsgIcon::Critical,
                            MsgButtons::Ok, 0);
    Error_label_Click(app);
}

namespace {

/// What every operation that ended midway needs: no success, no lit lamps, the
/// board idle.
void EndInterruptedOperation(App& app, const std::string& what) {
    // A stop asked for meanwhile ends with this operation; it must not keep the
    // reset below off the board.
    AcknowledgeStop();
    app.handlerFailed = true;
    app.lastFailure = what;
    app.ops.Outcome = OpOutcome::Failed;
    // The lamps must not stay lit for an operation that no longer runs.
    ProgramLampOff(app);
    DataFlowLampOff(app);
    app.ui.Verify_button.backColor = colour::ButtonFace;
    ResetAfterInterruption(app);
}

} // namespace

void ResetAfterInterruption(App& app) {
    // The operation may have stopped with CE and OE active or a programming
    // voltage switched on: return the board to idle if the link still answers.
    // A stop asked for now must not cut this reset short.
    const StopHeld resetting;
    try {
        Reset(app);
    } catch (const std::exception&) {
        SetProgressValue(app, 0);
    }
}

void EndAfterClaimedSuccess(App& app) {
    ProgramLampOff(app);
    DataFlowLampOff(app);
    app.ui.Verify_button.backColor = colour::ButtonFace;
    ResetAfterInterruption(app);
}

std::string FailureLogLine(const App& app) {
    const std::string stopped = OperationStopped().what();
    return app.lastFailure == stopped ? stopped : "Operation stopped: " + app.lastFailure;
}

void ReportOperationStopped(App& app) {
    EndInterruptedOperation(app, OperationStopped().what());
    // The operator asked for it: a log line, not an alert or a box.
    LogMessage(app, FailureLogLine(app));
}

void ReportHandlerFailure(App& app, const std::string& what) {
    EndInterruptedOperation(app, what);
    LogMessage(app, FailureLogLine(app));
    app.svc.dialogs->MsgBox("The operation was stopped:\r\n" + what, kAppTitle, MsgIcon::Critical,
                            MsgButtons::Ok, 0);
}

} // namespace quorbit
