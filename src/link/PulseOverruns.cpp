#include "link/PulseOverruns.h"

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {

void ReportPulseOverruns(App& app) {
    Board& b = app.board;
    const std::int64_t total = b.Port().OverranPulses();
    if (total <= b.OverranPulsesReported) return;
    const std::int64_t fresh = total - b.OverranPulsesReported;
    b.OverranPulsesReported = total;
    LogMessage(app, std::to_string(fresh) +
                        " programming pulse(s) ran more than twice their length: the system "
                        "was busy; verify the device");
}

} // namespace quorbit
