#include "hw/backends/CountingPort.h"

#include <cstdio>

namespace quorbit {

double AccessCounts::EstimatedSeconds(std::int64_t stepNs, std::int64_t accessNs) const {
    const double ns = static_cast<double>(accesses) * static_cast<double>(accessNs) +
                      static_cast<double>(steps) * static_cast<double>(stepNs) +
                      static_cast<double>(pulseNs);
    return ns / 1e9 + static_cast<double>(sleepMs) / 1e3;
}

void CountingPort::PortOut(std::uint16_t port, std::uint8_t value) {
    inner_->PortOut(port, value);
    ++counts_.accesses;
}

std::uint8_t CountingPort::PortIn(std::uint16_t port) {
    const std::uint8_t value = inner_->PortIn(port);
    ++counts_.accesses;
    return value;
}

void CountingPort::Sleep(int milliseconds) {
    inner_->Sleep(milliseconds);
    if (milliseconds > 0) counts_.sleepMs += milliseconds;
}

void CountingPort::BusySteps(std::int64_t steps) {
    inner_->BusySteps(steps);
    if (steps > 0) counts_.steps += steps;
}

void CountingPort::PulseSteps(std::int64_t steps, std::int64_t stepNs) {
    inner_->PulseSteps(steps, stepNs);
    if (steps <= 0) return;
    if (stepNs <= 0) {
        counts_.steps += steps;
        return;
    }
    counts_.pulseSteps += steps;
    counts_.pulseNs += steps * stepNs;
}

std::string EstimateText(const AccessCounts& counts, std::int64_t stepNs) {
    char text[512];
    char pulses[128] = "";
    if (counts.pulseSteps > 0)
        std::snprintf(pulses, sizeof pulses, "Pulse steps: %lld (%.3f s at their own lengths)\n",
                      static_cast<long long>(counts.pulseSteps),
                      static_cast<double>(counts.pulseNs) / 1e9);
    std::snprintf(text, sizeof text,
                  "Port accesses: %lld\nTimed waits: %lld ms\nCounted steps: %lld\n%s"
                  "Estimated time on a real port: %.3f s (1 us per access, %lld ns per step)\n",
                  static_cast<long long>(counts.accesses), static_cast<long long>(counts.sleepMs),
                  static_cast<long long>(counts.steps), pulses, counts.EstimatedSeconds(stepNs),
                  static_cast<long long>(stepNs));
    return text;
}

} // namespace quorbit
