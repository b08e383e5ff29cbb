#include "catalog/PulseTiming.h"

#include <algorithm>

#include "app/App.h"
#include "catalog/VoltageSpeed.h"

namespace quorbit {

std::int64_t DatasheetPulseNs(const ChipFacts& facts) {
    return std::int64_t{facts.programPulseUs} * 1000;
}

std::int64_t PulseStepNsFor(std::int64_t pulseNs, const Board& board) {
    const DelayCounts counts = DelayCountsAt(kDefaultSpeed, board);
    const std::int64_t pause = std::int64_t{counts.port} * 10 * kDelayStepNanoseconds;
    const std::int64_t around = 4 * kDesignAccessNs + 3 * pause;
    const std::int64_t steps = counts.medium;
    return std::max<std::int64_t>(1, (pulseNs - around + steps / 2) / steps);
}

void SetPulseStep(App& app) {
    const std::int64_t pulseNs = DatasheetPulseNs(app.dev.facts);
    app.board.PulseStepNs = pulseNs > 0 ? PulseStepNsFor(pulseNs, app.board) : 0;
}

} // namespace quorbit
