#pragma once
// The reporting channels every operation uses (log, lamps, sounds, progress,
// error alert), start-up and shutdown, and the window's minor handlers.
#include <string>

namespace quorbit {

class App;

// ---- Log -------------------------------------------------------------------
void LogMessage(App& app, const std::string& message);
/// Double click on the log: writes QUORBIT.LOG in the working folder.
void SystemLog_DblClick(App& app);
/// Sum of the character codes of a text (the log and listing file StatCode).
long long TextChecksum(const std::string& text);
/// "hh:mm:ss" of the clock.
std::string TimeOfDayText(const App& app);
/// Short date of the clock, "mm-dd-yyyy".
std::string ShortDateText(const App& app);

// ---- Lamps, sounds, progress, status bar ------------------------------------
void ErrorLampOn(App& app);
void ErrorLampOff(App& app);
void ProgramLampOn(App& app);
void ProgramLampOff(App& app);
void DataFlowLampOn(App& app);
void DataFlowLampOff(App& app);
void ToggleProgramIndicator(App& app);
void PlayEventSound(App& app, const std::string& eventName);
void GoProgressiveBar1(App& app);
void SetProgressValue(App& app, int value);
/// The progress bar `steps` further on.
void AdvanceProgress(App& app, int steps);
void SetProgressMax(App& app, int maximum);
void SetStatusText(App& app, const std::string& text);
/// The operation waits on the chip: what for and for how long so far. Shown again
/// when the phase or its whole second changes.
void ShowWaitPhase(App& app, const std::string& phase, double seconds);
void EndWaitPhase(App& app);

// ---- Buttons and menus a chip command changes ----------------------------------
/// The Verify button lit while a verify runs.
void ShowVerifyRunning(App& app, bool running);
/// Next and Previous Difference: usable while the last verify found differences.
void EnableDifferenceJumps(App& app, bool any);
/// Verify, Program, Erase and Save As, once a read filled the code buffer.
void EnableReadBufferCommands(App& app);
/// The page scroll bar's last page.
void SetLastPage(App& app, int lastPage);

// ---- Error alert --------------------------------------------------------------
void EnterErrorState(App& app);
/// "Program or Compare Error"; `details` (what differs, where) is the box's
/// informative text.
void ShowCriticalError(App& app, const std::string& details = {});
void errorLamp_Click(App& app);
/// An operation stopped by a failure it could not handle (port link broken).
void ReportHandlerFailure(App& app, const std::string& what);
/// An operation ended on the operator's stop request: the board reset, lamps and
/// progress cleared, "Operation stopped by the operator" logged, no success.
void ReportOperationStopped(App& app);
/// A stop that came once the operation had claimed success (its log line said
/// so) cut only its last steps: they are finished here (lamps off, the board
/// reset), the claim stands and the stop stays pending for whatever comes next.
/// One operation, one outcome: a success is never followed by "stopped".
void EndAfterClaimedSuccess(App& app);
/// The board reset after an operation ended midway; no stop cuts it short and a
/// broken link does not stop it from trying.
void ResetAfterInterruption(App& app);
/// The log line that told how the last interrupted operation ended.
std::string FailureLogLine(const App& app);

// ---- Board reset (registers idle, progress bar cleared) -----------------------
void Reset(App& app);

// ---- Shutdown (the start-up sequence is the session's) ------------------------
void Form_Unload(App& app);
void mnuFileExit_Click(App& app);

/// Attaches the handlers of the controls this file owns.
void WireShellHandlers(App& app);

} // namespace quorbit
