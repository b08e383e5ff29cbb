#include "ops/VerifyReports.h"

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"

namespace quorbit {
namespace {

const std::string kAsterisks(50, '*');

} // namespace

void ReportVerifyError(App& app, std::int32_t address, std::uint8_t expected, std::uint8_t found) {
    app.flags.VerifyFailed = 1;
    app.ops.Outcome = OpOutcome::Failed;
    EnterErrorState(app);
    DataFlowLampOff(app);
    LogMessage(app, kAsterisks);
    LogMessage(app, "Device Memory DOES NOT VERIFY with Buffer Contents");
    LogMessage(app, "Address: " + Hex(address) + " ][ Buffer Data: " + Hex(expected) +
                        " ][ Device Data: " + Hex(found));
    app.ui.Verify_button.backColor = colour::ButtonFace;
    PlayEventSound(app, "ERROR");
    ShowCriticalError(app);
    Reset(app);
}

void ReportAckError(App& app) {
    app.ops.Outcome = OpOutcome::Failed;
    EnterErrorState(app);
    DataFlowLampOff(app);
    LogMessage(app, kAsterisks);
    LogMessage(app, "Device 24CXX DOES NOT RESPOND - ACK Error");
    LogMessage(app, "Check Chip Installation Position on Socket");
    PlayEventSound(app, "ERROR");
    ShowCriticalError(app);
    Reset(app);
}

} // namespace quorbit
