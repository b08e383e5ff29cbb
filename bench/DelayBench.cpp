// How much longer than asked each class of real-port wait takes on this machine
// (p50, p99 and max of the overshoot, in ns). Waits are never shorter than asked;
// the overshoot is what the scheduler and the clock add.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "hw/PortIo.h"
#include "hw/backends/RealTime.h"

namespace {

using quorbit::RealTimeWaits;
using quorbit::SystemWaitClock;

/// Steps of one wait: the pause after a port write, both EPROM pulse widths at
/// the default speed, the 2764 pulse, and a 5 ms timed wait (given in steps).
void BM_RealPortDelayOvershoot(benchmark::State& state) {
    const std::int64_t steps = state.range(0);
    RealTimeWaits waits(quorbit::kDelayStepNanoseconds);
    const std::int64_t askedNs = steps * quorbit::kDelayStepNanoseconds;
    std::vector<std::int64_t> overshoot;
    for (auto _ : state) {
        const std::int64_t start = SystemWaitClock().NowNs();
        waits.Pulse(steps, 0);
        overshoot.push_back(SystemWaitClock().NowNs() - start - askedNs);
    }
    std::sort(overshoot.begin(), overshoot.end());
    const auto at = [&](double q) {
        return static_cast<double>(
            overshoot[static_cast<std::size_t>(q * static_cast<double>(overshoot.size() - 1))]);
    };
    state.counters["asked_ns"] = static_cast<double>(askedNs);
    state.counters["over_p50_ns"] = at(0.50);
    state.counters["over_p99_ns"] = at(0.99);
    state.counters["over_max_ns"] = static_cast<double>(overshoot.back());
    state.counters["overran_2x"] = static_cast<double>(waits.OverranPulses());
}
BENCHMARK(BM_RealPortDelayOvershoot)
    ->Arg(120)
    ->Arg(202)
    ->Arg(1002)
    ->Arg(40002)
    ->Arg(200'000)
    ->Iterations(200);

} // namespace
