#include "ops/VerifyReports.h"

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/Checksums.h"

namespace quorbit {
namespace {

const std::string kAsterisks(50, '*');

} // namespace

void ReportVerifyError(App& app, std::int32_t address, std::uint8_t expected, std::uint8_t found) {
    app.ops.Outcome = OpOutcome::Failed;
    EnterErrorState(app);
    DataFlowLampOff(app);
    LogMessage(app, kAsterisks);
    LogMessage(app, "Device Memory DOES NOT VERIFY with Buffer Contents");
    LogMessage(app, "Address: " + Hex(address) + " ][ Buffer Data: " + Hex(expected) +
                        " ][ Device Data: " + Hex(found));
    // The count and the ranges are in the log before the box is up, and in the box.
    const std::string count = MismatchLogText(app.ops.Mismatches);
    if (app.ops.Mismatches.Bytes() > 0) LogMessage(app, count);
    // The jump keys show them on the page, one range after another.
    app.DifferenceShown = -1;
    EnableDifferenceJumps(app, app.ops.Mismatches.Bytes() > 0);
    ShowVerifyRunning(app, false);
    PlayEventSound(app, "ERROR");
    ShowCriticalError(app, "First difference at " + Hex(address) + "h: buffer " + Hex(expected) +
                               "h, device " + Hex(found) + "h.\r\n" + count + ".");
    Reset(app);
}

void KeepChipReading(App& app, const std::vector<std::uint8_t>& bytes, const Coverage& over) {
    app.ops.ChipRead = ChipReading{over, DigestOfCoverage(bytes, over)};
}

void LogChipReading(App& app) {
    if (!app.ops.ChipRead) return;
    LogMessage(app, "Device " + DigestLogText(app.ops.ChipRead->digest, app.ops.ChipRead->over));
}

void VerifyTally::Compare(App& app, std::uint32_t address, std::uint8_t found,
                          std::uint8_t wanted) {
    chip_[address] = found;
    if (found == wanted) return;
    if (firstAt_ < 0) {
        firstAt_ = static_cast<std::int32_t>(address);
        firstFound_ = found;
    }
    app.ops.Mismatches.Add(address);
}

bool VerifyTally::Finish(App& app, const Coverage& over, const std::vector<std::uint8_t>& image) {
    KeepChipReading(app, chip_, over);
    if (firstAt_ < 0) return true;
    ReportVerifyError(app, firstAt_, image[static_cast<std::size_t>(firstAt_)], firstFound_);
    LogChipReading(app);
    return false;
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
