#include "hw/backends/RealTime.h"

#include <chrono>
#include <thread>

namespace quorbit {
namespace {

class SteadyWaitClock : public WaitClock {
  public:
    std::int64_t NowNs() override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void SleepNs(std::int64_t nanoseconds) override {
        std::this_thread::sleep_for(std::chrono::nanoseconds(nanoseconds));
    }
};

} // namespace

WaitClock& SystemWaitClock() {
    static SteadyWaitClock clock;
    return clock;
}

RealTimeWaits::RealTimeWaits(std::int64_t stepNs, WaitClock& clock)
    : stepNs_(stepNs), clock_(&clock) {}

void RealTimeWaits::Steps(std::int64_t steps) {
    if (steps > 0) WaitNs(steps * stepNs_);
}

void RealTimeWaits::Pulse(std::int64_t steps, std::int64_t stepNs) {
    if (steps <= 0) return;
    const std::int64_t asked = steps * (stepNs > 0 ? stepNs : stepNs_);
    if (WaitNs(asked) > 2 * asked) ++overranPulses_;
}

void RealTimeWaits::Milliseconds(int milliseconds) {
    if (milliseconds > 0) WaitNs(std::int64_t{milliseconds} * 1'000'000);
}

std::int64_t RealTimeWaits::WaitNs(std::int64_t nanoseconds) {
    const std::int64_t start = clock_->NowNs();
    const std::int64_t deadline = start + nanoseconds;
    std::int64_t now = start;
    if (nanoseconds >= kSpinOnlyBelowNs) {
        clock_->SleepNs(nanoseconds - kSpinTailNs);
        now = clock_->NowNs();
    }
    while (now < deadline)
        now = clock_->NowNs();
    return now - start;
}

} // namespace quorbit
