// The Program command, common to every family. The device routine comes from the
// routine table; this flow asks first, checks blank when asked, prepares the image,
// reports the outcome, switches the programming voltages off, verifies when asked
// and leaves the board at rest.
#include "ops/Program.h"

#include <exception>
#include <optional>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/ProgramImage.h"
#include "link/RequireBoard.h"
#include "ops/BlankCheck.h"
#include "ops/Eprom.h"
#include "ops/ProgramTable.h"
#include "ops/Verify.h"
#include "ops/VerifyReports.h"

namespace quorbit {
namespace {

bool ConfirmProgramming(App& app) {
    const MsgResult answer = app.svc.dialogs->MsgBox("Program the Device?", "Safety Question",
                                                     MsgIcon::Question, MsgButtons::OkCancel, 1);
    if (answer == MsgResult::Ok) return true;
    LogMessage(app, "Programming was Canceled by Operator");
    app.ops.Outcome = OpOutcome::Cancelled;
    return false;
}

/// A step of the command (the blank check before programming, programming with a
/// verify to come, a verify after programming that did not succeed) whose success
/// is not the command's: should a stop end the command during or right after the
/// step, no success is left claimed (App::RunGuarded keeps a success that was).
class StepOfTheCommand {
  public:
    explicit StepOfTheCommand(App& app) : app_(app) {}
    ~StepOfTheCommand() {
        if (std::uncaught_exceptions() > unwinding_) app_.ops.Outcome = OpOutcome::None;
    }
    StepOfTheCommand(const StepOfTheCommand&) = delete;
    StepOfTheCommand& operator=(const StepOfTheCommand&) = delete;

  private:
    App& app_;
    int unwinding_ = std::uncaught_exceptions();
};

/// The blank check when the operator asked for it (not for serial EEPROMs, which
/// have none); false when it found a programmed byte or could not run.
bool BlankWhenAsked(App& app, const ChipOptions& options) {
    if (!options.blankCheckFirst || app.dev.DeviceFamily == "S") return true;
    app.ops.Outcome = OpOutcome::None;
    {
        const StepOfTheCommand step(app);
        BlankCheck(app, options);
    }
    if (app.ops.Outcome != OpOutcome::Success) return false;
    // A blank chip is a step of the command, not its outcome.
    app.ops.Outcome = OpOutcome::None;
    return true;
}

void StartProgramming(App& app) {
    Board& b = app.board;
    PrepareProgramImage(app);
    Reset(app);
    b.LatchAddress();
    b.SleepMs(kAddressSettleMs);
    app.report.ProgressStep = app.ops.ProgramLength / 99;
    app.report.ProgressCount = 0;
    SetProgressValue(app, 0);
    DataFlowLampOn(app);
    ProgramLampOn(app);
    app.ops.Outcome = OpOutcome::None;
    app.ops.ProgramFailure.reset();
    app.ops.WriteUnit = 1; // a page writer says its page
}

/// What the device routine did with the chip.
struct Programmed {
    enum class Routine {
        Missing, // the device type has none: "Status 9"
        Refused, // it left the chip alone and said why
        Ran,
    };
    Routine routine = Routine::Missing;
    ProgramOutcome outcome;
    /// A byte did not take (reported already).
    [[nodiscard]] bool ByteFailed() const { return outcome.failure.has_value(); }
};

Programmed RunDeviceRoutine(App& app, const ChipOptions& options) {
    const DeviceRoutine routine = ProgramRoutineFor(app.dev.routines.program);
    if (!routine) return {};
    const std::optional<ProgramOutcome> outcome = routine(app, options);
    if (!outcome) return {Programmed::Routine::Refused, {}};
    return {Programmed::Routine::Ran, *outcome};
}

/// Success, failure or "not supported" in the log, and what the command line
/// makes of it. True when programming failed.
bool ReportOutcome(App& app, const Programmed& programmed) {
    bool failed = programmed.ByteFailed();
    if (app.dev.DeviceFamily == "S" && programmed.outcome.unanswered != 0) {
        ReportAckError(app);
        failed = true;
    }
    if (failed) {
        app.ops.Outcome = OpOutcome::Failed;
    } else if (programmed.routine == Programmed::Routine::Ran) {
        LogMessage(app, "Programming Device Successfull");
        DataFlowLampOff(app);
        ProgramLampOff(app);
        app.ops.Outcome = OpOutcome::Success;
        PlayEventSound(app, "OK");
    } else if (programmed.routine == Programmed::Routine::Missing) {
        LogMessage(app, "Device Not Supported - Status 9 - Please Report");
        app.ops.Outcome = OpOutcome::Refused;
        PlayEventSound(app, "ERROR");
    } else if (app.ops.Outcome == OpOutcome::None) {
        app.ops.Outcome = OpOutcome::Refused; // the routine refused the chip
    }
    return failed;
}

/// The verify after programming. It runs after "Device Not Supported" too, but a
/// match then does not turn the command into a success. A chip the routine would
/// not touch (another chip than the chosen one, the operator's Cancel) is left alone.
void VerifyWhenAsked(App& app, const ChipOptions& options, const Programmed& ran, bool failed) {
    if (!options.verifyAfter || failed) return;
    const bool untouched =
        app.ops.Outcome == OpOutcome::Refused || app.ops.Outcome == OpOutcome::Cancelled;
    if (ran.routine == Programmed::Routine::Refused && untouched) return;
    const OpOutcome programmed = app.ops.Outcome;
    app.ops.Outcome = OpOutcome::None;
    // After a success the verify's match is the command's last claim; else it is not.
    std::optional<StepOfTheCommand> step;
    if (programmed != OpOutcome::Success) step.emplace(app);
    VerifyChip(app, options);
    if (programmed != OpOutcome::Success || app.ops.Outcome == OpOutcome::None)
        app.ops.Outcome = programmed == OpOutcome::Success ? OpOutcome::Failed : programmed;
}

/// Parallel chips end reset; a serial EEPROM's bus lines are parked (clock and
/// data low on the CE and OE lines).
void FinalBoardState(App& app) {
    Board& b = app.board;
    if (app.dev.DeviceFamily != "S") {
        Reset(app);
        return;
    }
    b.EnableChip();
    b.EnableOutput();
    b.Reg1Shadow = 0;
    b.Reg2Shadow = 0;
    b.SetReg1();
    b.SetReg2();
}

} // namespace

void programButton_Click(App& app) {
    const ChipOptions options = ReadChipOptions(app);
    SetPosition(app.ui.pageScrollBar, 0);
    app.board.Address = 0;
    app.board.SplitAddress();
    if (options.code) ProgramCode(app, options);
    if (options.data) ProgramDataMemory(app);
}

void menuProgramCode_Click(App& app) {
    programButton_Click(app);
}

void ProgramCodeAsShown(App& app) {
    ProgramCode(app, ReadChipOptions(app));
}

void ProgramCode(App& app, const ChipOptions& options) {
    LogMessage(app, "Programming Button Pressed");
    // Without a known board and device the routine would compare stale read-backs.
    if (!RequireBoard(app) || !ImageFitsChip(app)) return;
    if (!ConfirmProgramming(app) || !BlankWhenAsked(app, options)) {
        FinalBoardState(app);
        return;
    }
    StartProgramming(app);
    app.ops.Work = ChipWork::Programs;
    const Programmed programmed = RunDeviceRoutine(app, options);
    app.ops.Work = programmed.ByteFailed() ? ChipWork::Reads : ChipWork::Programmed;
    bool failed = false;
    {
        // With a verify to come, programming's success is not yet the command's.
        std::optional<StepOfTheCommand> step;
        if (options.verifyAfter) step.emplace(app);
        failed = ReportOutcome(app, programmed);
        Board& b = app.board;
        b.Reg0Shadow = 0x40; // programming voltages off, OE inactive
        b.SetReg0();
        SetProgressValue(app, 0);
    }
    VerifyWhenAsked(app, options, programmed, failed);
    FinalBoardState(app);
    app.ops.Work = ChipWork::Reads;
}

void ProgramDataMemory(App& app) {
    app.svc.dialogs->MsgBox("Please Write A90S2313 Program Data Routine", kAppTitle, MsgIcon::None,
                            MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
}

void WindowProgrammingEvents::Log(const std::string& line) {
    LogMessage(app_, line);
}

void WindowProgrammingEvents::Advanced(bool blink) {
    if (blink) ToggleProgramIndicator(app_);
    GoProgressiveBar1(app_);
}

void WindowProgrammingEvents::StepsAhead(int steps) {
    SetProgressMax(app_, steps);
}

void WindowProgrammingEvents::Stepped() {
    AdvanceProgress(app_, 1);
}

void WindowProgrammingEvents::Waiting(const std::string& phase, double seconds) {
    ShowWaitPhase(app_, phase, seconds);
}

void WindowProgrammingEvents::WaitOver() {
    EndWaitPhase(app_);
}

ImageToWrite ProgramImageToWrite(const App& app) {
    return {app.ops.ProgramImage, app.ops.ProgramCoverage, app.ops.ProgramLength};
}

std::optional<ProgramOutcome> ProgramEpromChip(App& app, const ChipOptions& options) {
    WindowProgrammingEvents events(app);
    const ProgramOutcome outcome =
        ProgramEprom(app.board, app.dev, ProgramImageToWrite(app), events);
    ApplyProgramOutcome(app, outcome, options);
    return outcome;
}

void ApplyProgramOutcome(App& app, const ProgramOutcome& outcome, const ChipOptions& options) {
    if (outcome.failure) ReportFailureAt(app, *outcome.failure, options);
}

void ReportFailureAt(App& app, const ProgramFailureAt& at, const ChipOptions& options) {
    LogMessage(app, "*** Programming Failure ***");
    LogMessage(app, "*** Address:" + Hex(at.address) + "h, Programming BYTE:" + Hex(at.wrote) +
                        "h, Read BYTE:" + Hex(at.read) + "h");
    LogMessage(app, "*** Aborting Programming.");
    std::string details = "Programming stopped at " + Hex(at.address) + "h: wrote " +
                          Hex(at.wrote) + "h, read back " + Hex(at.read) + "h.";
    // A pulse only clears bits: a bit that reads 0 where the image has 1 was
    // programmed before, and only UV light raises it again.
    if (app.dev.DeviceFamily == "P" && (~at.read & at.wrote & 0xFF) != 0) {
        std::string hint = "*** The chip was not blank there: erase it under UV light";
        if (!options.blankCheckFirst) hint += ", or tick \"" + options.blankCheckCaption + "\"";
        LogMessage(app, hint);
        details += "\r\n" + hint.substr(4) + ".";
    }
    app.ops.ProgramFailure = at;
    EnterErrorState(app);
    ProgramLampOn(app);
    app.ops.Outcome = OpOutcome::Failed;
    PlayEventSound(app, "ERROR");
    ShowCriticalError(app, details);
}

} // namespace quorbit
