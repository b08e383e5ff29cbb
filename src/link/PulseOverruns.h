#pragma once
// Programming pulses on a real port that the system stretched (the thread was
// preempted mid-pulse) are told at the end of the operation that gave them.
namespace quorbit {

class App;

/// Logs how many pulses overran by more than 2x since the last report, if any.
void ReportPulseOverruns(App& app);

} // namespace quorbit
