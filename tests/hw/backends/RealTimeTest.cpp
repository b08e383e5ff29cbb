// Waits on a real port, measured on a scripted clock: never shorter than asked,
// short ones spun, long ones slept and their tail spun, stretched pulses counted.
#include "hw/backends/RealTime.h"

#include <gtest/gtest.h>

namespace quorbit::test {
namespace {

/// Every reading advances the clock by `tick`; a sleep advances it by the asked
/// time times `sleepFactor` (below 1: the sleep woke early).
class ScriptedClock : public WaitClock {
  public:
    std::int64_t NowNs() override {
        now += tick;
        return now;
    }
    void SleepNs(std::int64_t nanoseconds) override {
        ++sleeps;
        slept += nanoseconds;
        now += static_cast<std::int64_t>(static_cast<double>(nanoseconds) * sleepFactor);
    }
    std::int64_t now = 1'000'000;
    std::int64_t tick = 7;
    double sleepFactor = 1.0;
    int sleeps = 0;
    std::int64_t slept = 0;
};

/// Clock time a call took.
template <typename F> std::int64_t Elapsed(ScriptedClock& clock, F&& call) {
    const std::int64_t before = clock.now;
    call();
    return clock.now - before;
}

TEST(RealTimeWaits, NoDelayClassIsShorterThanAsked) {
    // Pacing, settling, both pulse widths and a long pulse, at several step lengths,
    // with coarse and fine clocks and sleeps that wake early or late.
    for (std::int64_t stepNs : {1, 20, 25, 500}) {
        for (std::int64_t steps : {1, 10, 20, 120, 202, 500, 1002, 40002, 200002}) {
            for (std::int64_t tick : {1, 7, 3000}) {
                for (double factor : {0.5, 1.0, 3.0}) {
                    ScriptedClock clock;
                    clock.tick = tick;
                    clock.sleepFactor = factor;
                    RealTimeWaits waits(stepNs, clock);
                    const std::int64_t asked = steps * stepNs;
                    EXPECT_GE(Elapsed(clock, [&] { waits.Steps(steps); }), asked)
                        << steps << " steps of " << stepNs << " ns";
                    EXPECT_GE(Elapsed(clock, [&] { waits.Pulse(steps, 0); }), asked);
                    // A pulse whose steps have a length of their own (a 27C256's).
                    EXPECT_GE(Elapsed(clock, [&] { waits.Pulse(steps, 431); }), steps * 431);
                }
            }
        }
    }
    ScriptedClock clock;
    clock.sleepFactor = 0.5;
    RealTimeWaits waits(25, clock);
    EXPECT_GE(Elapsed(clock, [&] { waits.Milliseconds(5); }), 5'000'000);
}

TEST(RealTimeWaits, ShortWaitsSpinAndLongOnesSleepAllButTheirTail) {
    ScriptedClock clock;
    RealTimeWaits waits(25, clock);
    waits.Pulse(202, 0); // 5 us: a sleep's wake-up alone takes longer
    waits.Steps(7999);
    EXPECT_EQ(clock.sleeps, 0);

    waits.Pulse(202, 4886); // 1 ms, at a 27128's pulse step
    EXPECT_EQ(clock.sleeps, 1);
    EXPECT_EQ(clock.slept, 202 * 4886 - RealTimeWaits::kSpinTailNs);
    waits.Milliseconds(2);
    EXPECT_EQ(clock.sleeps, 2);
    EXPECT_EQ(clock.slept - (202 * 4886 - RealTimeWaits::kSpinTailNs),
              2'000'000 - RealTimeWaits::kSpinTailNs);
    waits.Steps(0);
    waits.Pulse(-3, 431);
    waits.Milliseconds(0);
    EXPECT_EQ(clock.sleeps, 2);
}

TEST(RealTimeWaits, OnlyPulsesStretchedBeyondTwiceTheirLengthAreCounted) {
    ScriptedClock clock;
    RealTimeWaits waits(500, clock);
    clock.sleepFactor = 1.9; // late, but within 2x
    waits.Pulse(2002, 0);    // 1 ms
    EXPECT_EQ(waits.OverranPulses(), 0);
    clock.sleepFactor = 3.0; // preempted
    waits.Pulse(2002, 0);
    EXPECT_EQ(waits.OverranPulses(), 1);
    waits.Steps(2002); // pacing is not a pulse
    EXPECT_EQ(waits.OverranPulses(), 1);
    // A short pulse whose clock readings alone take far longer than asked.
    clock.tick = 10'000;
    waits.Pulse(2, 0);
    EXPECT_EQ(waits.OverranPulses(), 2);
    EXPECT_EQ(waits.StepNs(), 500);
}

} // namespace
} // namespace quorbit::test
