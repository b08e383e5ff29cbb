#pragma once
// How quorbit-cli meets SIGINT, SIGTERM and SIGHUP: as the operator's stop
// request, so that the running operation ends with the board reset and the trace
// and --sim-save written; a second signal while stopping ends the process at once.
// SIGPIPE is ignored: a reader that went away shows as a failed write.

namespace quorbit::cli {

/// Installs the handlers (the process-wide part of main).
void InstallStopSignals();
/// The first stop signal received, 0 when none.
int StopSignal();
/// The exit status of a run: 128 plus the signal number when a signal stopped it
/// (something ended on the stop and said so); the run's own status when the
/// signal came after everything that could stop had ended.
int ExitStatusAfterSignals(int status);

} // namespace quorbit::cli
