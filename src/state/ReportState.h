#pragma once
// What the reporting channels keep between the calls that move them: the
// progress bar's pacing, the wait an operation is in, and the buttons the error
// alert disabled.
#include <cstdint>
#include <string>

namespace quorbit {

/// Lamp, alert and progress state of the reporting channels.
struct ReportState {
    int ProgressStep = 1;
    int ProgressCount = 0;
    /// The chip address the progress bar last moved at; -1 while the bar is at 0.
    std::int32_t ProgressAddress = -1;
    /// A wait the operation is in while its bar stands still ("Erasing the chip"),
    /// and how long it has lasted on the port's clock; empty when there is none.
    std::string WaitPhase;
    double WaitSeconds = 0;
    std::string SavedProgramEnabled = "False", SavedVerifyEnabled = "False",
                SavedReadEnabled = "False", SavedDisplayEnabled = "False";
};

} // namespace quorbit
