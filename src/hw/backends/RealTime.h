#pragma once
// Waits on a real port, where the board's timing is the wall clock's. A wait is
// never shorter than asked: short ones spin on the monotonic clock, long ones
// sleep most of the way (a sleep may overshoot, the scheduler decides) and spin
// the rest, since a sleep that wakes early must not cut a programming pulse short.
#include <cstdint>

namespace quorbit {

/// The clock the waits are measured on; tests give a scripted one.
class WaitClock {
  public:
    virtual ~WaitClock() = default;
    [[nodiscard]] virtual std::int64_t NowNs() = 0;
    virtual void SleepNs(std::int64_t nanoseconds) = 0;
};

/// steady_clock and nanosleep.
WaitClock& SystemWaitClock();

class RealTimeWaits {
  public:
    /// Below this a wait only spins: a sleep's wake-up alone can take longer.
    static constexpr std::int64_t kSpinOnlyBelowNs = 200'000;
    /// The part of a long wait that is spun after the sleep.
    static constexpr std::int64_t kSpinTailNs = 100'000;

    explicit RealTimeWaits(std::int64_t stepNs, WaitClock& clock = SystemWaitClock());

    /// Counted pacing steps between port accesses.
    void Steps(std::int64_t steps);
    /// A programming pulse of counted steps of `stepNs` each (0: the pacing step);
    /// one that took more than twice its length (the thread was preempted) is counted.
    void Pulse(std::int64_t steps, std::int64_t stepNs);
    void Milliseconds(int milliseconds);

    [[nodiscard]] std::int64_t OverranPulses() const { return overranPulses_; }
    [[nodiscard]] std::int64_t StepNs() const { return stepNs_; }
    /// The clock the waits are measured on.
    [[nodiscard]] std::int64_t NowNs() const { return clock_->NowNs(); }

  private:
    /// Waits at least `nanoseconds`; returns how long it took.
    std::int64_t WaitNs(std::int64_t nanoseconds);

    std::int64_t stepNs_;
    WaitClock* clock_;
    std::int64_t overranPulses_ = 0;
};

} // namespace quorbit
