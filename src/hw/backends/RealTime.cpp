#include "hw/backends/RealTime.h"

#include <chrono>
#include <thread>

#include "hw/PortIo.h"

namespace quorbit {

void SpinDelaySteps(std::int64_t steps) {
    if (steps <= 0) return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::nanoseconds(steps * kDelayStepNanoseconds);
    while (Clock::now() < deadline) {
    }
}

void SleepMilliseconds(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace quorbit
