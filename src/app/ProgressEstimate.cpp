#include "app/ProgressEstimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/TextFile.h"

namespace quorbit {
namespace {

/// Below this share of the bar moved in a phase the rate is mostly start-up
/// (settling waits, the safety question) and says little.
constexpr double kMinimumShare = 0.01;

} // namespace

void ProgressEstimate::Observe(double fraction, double seconds) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    // The bar started over (a new phase), or has not moved yet in this one: the
    // rate is counted from here, so that waits before the bar moves (settling, a
    // question to the operator) do not count as slow progress.
    if (fraction < fraction_ || fraction == phaseFraction_) {
        phaseFraction_ = fraction;
        phaseSeconds_ = seconds;
    }
    fraction_ = fraction;
    seconds_ = seconds;
}

std::optional<double> ProgressEstimate::SecondsLeft() const {
    const double moved = fraction_ - phaseFraction_;
    const double spent = seconds_ - phaseSeconds_;
    if (moved < kMinimumShare || spent <= 0) return std::nullopt;
    return (1.0 - fraction_) * spent / moved;
}

std::string DurationText(double seconds) {
    const auto total = static_cast<long long>(std::max(0.0, std::round(seconds)));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

std::string ProgressLine(int percent, std::int32_t address, double elapsedSeconds,
                         std::optional<double> secondsLeft) {
    std::string line = std::to_string(std::clamp(percent, 0, 100)) + "%";
    if (address >= 0) line += "  at " + Hex(address) + "h";
    line += "  " + DurationText(elapsedSeconds) + " elapsed";
    if (secondsLeft) line += "  about " + DurationText(*secondsLeft) + " left";
    return line;
}

std::string WaitLine(const std::string& phase, double phaseSeconds, double elapsedSeconds) {
    return phase + " for " + DurationText(phaseSeconds) + "  " + DurationText(elapsedSeconds) +
           " elapsed";
}

} // namespace quorbit
