#pragma once
// Waits on a real port, where the board's timing is the wall clock's.
#include <cstdint>

namespace quorbit {

/// Busy-waits steps x kDelayStepNanoseconds on the monotonic clock. The pauses
/// between latch writes are far shorter than a scheduler tick, so they spin.
void SpinDelaySteps(std::int64_t steps);

/// Sleeps the thread (programming pulses, voltage settling); nothing for ms <= 0.
void SleepMilliseconds(int milliseconds);

} // namespace quorbit
