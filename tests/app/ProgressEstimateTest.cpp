// The time left beside the progress bar, from the rate the bar moved so far.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <cmath>

#include "../PropertyCheck.h"
#include "app/ProgressEstimate.h"

namespace quorbit::test {
namespace {

TEST(ProgressEstimate, AtASteadyRateTheTimeLeftIsTheRestOverThatRateInEveryPhase) {
    // An operation of up to three phases (blank check, write, verify), each over the
    // whole bar at its own steady rate after a pause of its own, seen at times the
    // view happens to look.
    CheckProperty(200, [] {
        const int phases = *rc::gen::inRange(1, 4);
        double now = 0;
        ProgressEstimate estimate;
        for (int phase = 0; phase < phases; ++phase) {
            const double seconds = *rc::gen::inRange(1, 10000) / 10.0; // the phase's length
            const double pause = *rc::gen::inRange(0, 50) / 10.0;      // before its bar moves
            now += pause;
            const double start = now;
            estimate.Observe(0.0, start);
            const auto looks = *rc::gen::container<std::vector<int>>(
                *rc::gen::inRange<std::size_t>(1, 30), rc::gen::inRange(1, 1000));
            double at = 0;
            for (int look : looks) {
                at = std::min(1.0, at + look / 10000.0);
                estimate.Observe(at, start + at * seconds);
                const auto left = estimate.SecondsLeft();
                if (at < 0.01) {
                    RC_ASSERT(!left); // too little moved to tell a rate
                } else {
                    RC_ASSERT(left.has_value());
                    RC_ASSERT(std::fabs(*left - (1.0 - at) * seconds) <= 1e-6 * seconds + 1e-9);
                }
            }
            now = start + at * seconds;
        }
    });
}

TEST(ProgressEstimate, TheLineTellsWhatIsKnown) {
    EXPECT_EQ(ProgressLine(0, -1, 0.4, std::nullopt), "0%  0:00 elapsed");
    EXPECT_EQ(ProgressLine(42, 0x7FF00, 58.2, 81.0),
              "42%  at 7FF00h  0:58 elapsed  about 1:21 left");
    EXPECT_EQ(ProgressLine(140, 0, 3725, 0.2), "100%  at 0h  1:02:05 elapsed  about 0:00 left");
    // A wait on the chip: no share, no address, how long the wait has lasted.
    EXPECT_EQ(WaitLine("Erasing the chip", 64.4, 66.0), "Erasing the chip for 1:04  1:06 elapsed");
}

} // namespace
} // namespace quorbit::test
