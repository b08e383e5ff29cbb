// The error alert: a red ERROR lamp that locks the operation buttons until the
// operator acknowledges it.
#include <algorithm>
#include <cctype>
#include <exception>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
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
    app.report.SavedProgramEnabled = EnabledText(ui.programButton);
    app.report.SavedVerifyEnabled = EnabledText(ui.verifyButton);
    app.report.SavedReadEnabled = EnabledText(ui.readButton);
    app.report.SavedDisplayEnabled = EnabledText(ui.displayButton);
    ui.programButton.enabled = ui.verifyButton.enabled = false;
    ui.readButton.enabled = ui.displayButton.enabled = false;
    app.Repaint();
}

void errorLamp_Click(App& app) {
    auto& ui = app.ui;
    if (ui.errorLamp.foreColor != colour::Red) return;
    ErrorLampOff(app);
    ProgramLampOff(app);
    DataFlowLampOff(app);
    LogMessage(app, "Error Alert was Turned Off");
    SetProgressValue(app, 0);
    ui.programButton.enabled = app.report.SavedProgramEnabled == "True";
    ui.verifyButton.enabled = app.report.SavedVerifyEnabled == "True";
    ui.readButton.enabled = app.report.SavedReadEnabled == "True";
    ui.displayButton.enabled = app.report.SavedDisplayEnabled == "True";
    Reset(app);
}

void ShowCriticalError(App& app, const std::string& details) {
    app.svc.dialogs->MsgBoxDetailed("Program or Compare Error", details, "Critical Message",
                                    MsgIcon::Critical, MsgButtons::Ok, 0);
    errorLamp_Click(app);
}

namespace {

/// What the chip holds after the operation stopped at chip address `at`, from
/// what the operation was doing to it.
std::string ChipLeftText(const App& app, std::int32_t at) {
    switch (app.ops.Work) {
    case ChipWork::Reads:
        break;
    case ChipWork::Programmed:
        return "the image was programmed whole, its verify did not finish";
    case ChipWork::Erases:
        return "the chip may be partly erased: erase it again before use";
    case ChipWork::Programs: {
        // The byte, or the page of a page writer, under way may hold part of it.
        const std::int32_t unit = std::max(app.ops.WriteUnit, 1);
        const std::int32_t first = std::max(at, 0) / unit * unit;
        const Coverage done = app.ops.ProgramCoverage.Below(static_cast<std::uint32_t>(first));
        const std::string part = (unit == 1 ? Hex(at) : Hex(first) + "-" + Hex(first + unit - 1)) +
                                 "h perhaps in part, the rest not touched";
        return done.Empty() ? "nothing programmed, " + part
                            : RangesText(done.Ranges()) + "h programmed, " + part;
    }
    }
    return "the chip is not changed, it was only read";
}

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
    app.ui.verifyButton.backColor = colour::ButtonFace;
    ResetAfterInterruption(app);
}

} // namespace

void ResetAfterInterruption(App& app) {
    // The operation may have stopped with CE and OE active or a programming
    // voltage switched on: return the board to idle if the link still answers.
    // A stop asked for now must not cut this reset short.
    const StopHeld resetting;
    const std::int32_t at = app.board.Address;
    StopRecord left{at, ChipLeftText(app, at), "board reset, programming voltage off"};
    app.ops.Work = ChipWork::Reads;
    try {
        Reset(app);
    } catch (const std::exception&) {
        SetProgressValue(app, 0);
        left.board = "the board did not answer the reset: switch it off before taking the chip out";
    }
    app.ops.LastStop = std::move(left);
}

void EndAfterClaimedSuccess(App& app) {
    ProgramLampOff(app);
    DataFlowLampOff(app);
    app.ui.verifyButton.backColor = colour::ButtonFace;
    ResetAfterInterruption(app);
}

std::string FailureLogLine(const App& app) {
    const std::string stopped = OperationStopped().what();
    return app.lastFailure == stopped ? stopped : "Operation stopped: " + app.lastFailure;
}

void ReportOperationStopped(App& app) {
    EndInterruptedOperation(app, OperationStopped().what());
    // The operator asked for it: log lines, not an alert or a box. They say what
    // the chip and the board are left with.
    LogMessage(app, FailureLogLine(app));
    const StopRecord& left = *app.ops.LastStop;
    LogMessage(app, "Stopped at address " + Hex(left.address) + "h: " + left.chip);
    std::string board = left.board;
    board[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(board[0])));
    LogMessage(app, board);
}

void ReportHandlerFailure(App& app, const std::string& what) {
    EndInterruptedOperation(app, what);
    LogMessage(app, FailureLogLine(app));
    app.svc.dialogs->MsgBox("The operation was stopped:\r\n" + what, kAppTitle, MsgIcon::Critical,
                            MsgButtons::Ok, 0);
}

} // namespace quorbit
