#pragma once
// The Program command: the common flow for every family (safety question, blank
// check first, image, routine by device type, report, verify after, board state).

namespace quorbit {

class App;
struct ProgramFailureAt;
struct ProgramOutcome;

void Program_button_Click(App& app);
void menuProgramCode_Click(App& app);
/// Programs the code memory with the routine of the selected device type.
void PROGRAMCODE(App& app);
/// Data memory of the microcontroller: no routine.
void PROGRAMDATA(App& app);

/// The UV EPROM routine as the Program command runs it: the log, the programming
/// lamp and the progress bar follow it, and its outcome is applied.
void ProgramEpromChip(App& app);
/// Where the program state learns how a routine ended: a failure is reported
/// (ReportFailureAt); a success leaves the state as the command set it.
void ApplyProgramOutcome(App& app, const ProgramOutcome& outcome);

/// A byte that did not take, the board's DataOut and DataIn telling which: voltages
/// off, then ReportFailureAt.
void ReportProgramFailure(App& app);
/// A byte that did not take, the voltages already off: logged with address, byte
/// and read byte, kept as the last programming failure, the command failed, and
/// the error alert until acknowledged.
void ReportFailureAt(App& app, const ProgramFailureAt& at);

} // namespace quorbit
