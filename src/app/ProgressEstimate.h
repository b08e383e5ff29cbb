#pragma once
// The time a running operation has left, from the rate its progress bar moved so
// far, and the line that tells it beside the bar.
#include <cstdint>
#include <optional>
#include <string>

namespace quorbit {

class ProgressEstimate {
  public:
    /// The bar stood at `fraction` (0..1) `seconds` after the operation started.
    /// A bar that falls back starts a new phase (a program runs its blank check,
    /// then writes, then verifies, each over the whole bar): the rate is measured
    /// within the phase, from the last moment its bar had not moved yet.
    void Observe(double fraction, double seconds);
    /// Seconds left in the current phase; none until the bar has moved enough to
    /// tell a rate.
    [[nodiscard]] std::optional<double> SecondsLeft() const;

  private:
    double phaseFraction_ = 0, phaseSeconds_ = 0;
    double fraction_ = 0, seconds_ = 0;
};

/// "42%  at 7FF00h  0:58 elapsed  about 1:21 left": the parts that are known.
/// address < 0: none yet.
std::string ProgressLine(int percent, std::int32_t address, double elapsedSeconds,
                         std::optional<double> secondsLeft);
/// "Erasing the chip for 1:04  1:05 elapsed": a wait on the chip while the bar
/// stands still, no share or address.
std::string WaitLine(const std::string& phase, double phaseSeconds, double elapsedSeconds);
/// m:ss, or h:mm:ss from an hour on.
std::string DurationText(double seconds);

} // namespace quorbit
