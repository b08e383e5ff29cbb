#include "catalog/PulseTiming.h"

#include <algorithm>

#include "app/App.h"
#include "catalog/VoltageSpeed.h"

namespace quorbit {

std::int64_t DatasheetPulseNs(const std::string& family, const std::string& subtype) {
    if (family != "P" || subtype.size() != 1) return 0;
    switch (subtype[0]) {
    case '2': // 2764, 27C64 (Intel 2764A, 27C64: 1 ms, 0.95-1.05)
    case '3': // 27128, 27C128 (Intel 27128A: 1 ms)
        return 1'000'000;
    case '4': // 27256, 27C256, 27C259 (ST M27C256B: 100 us, 95-105)
    case '5': // 27C512
    case '6': // 27C010, 27C1001
    case '7': // 27C020, 27C2001
    case '8': // 27C040, 27C4001
        return 100'000;
    case '9': // 27C801, 27C080 (ST M27C801: 50 us, 47.5-52.5)
    case 'M':
        return 50'000;
    default: // 2716, 2732: a timed 5 ms pulse, not a counted delay
        return 0;
    }
}

std::int64_t PulseStepNsFor(std::int64_t pulseNs, const Board& board) {
    const DelayCounts counts = DelayCountsAt(kDefaultSpeed, board);
    const std::int64_t pause = std::int64_t{counts.port} * 10 * kDelayStepNanoseconds;
    const std::int64_t around = 4 * kDesignAccessNs + 3 * pause;
    const std::int64_t steps = counts.medium;
    return std::max<std::int64_t>(1, (pulseNs - around + steps / 2) / steps);
}

void SetPulseStep(App& app) {
    const std::int64_t pulseNs = DatasheetPulseNs(app.dev.DeviceFamily, app.dev.DeviceSubtype);
    app.board.PulseStepNs = pulseNs > 0 ? PulseStepNsFor(pulseNs, app.board) : 0;
}

} // namespace quorbit
