// Verify: the chip against the program image. The first difference is reported
// as the operator has always seen it; the count and ranges of all of them follow.
#include "ops/Verify.h"

#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/ProgramImage.h"
#include "link/RequireBoard.h"
#include "ops/AddressWalk.h"
#include "ops/Serial24Cxx.h"
#include "ops/VerifyReports.h"

namespace quorbit {
namespace {

/// "Compared where the image holds bytes: 0000-03E7 (1000 of 32768 bytes)" when
/// the image does not cover the whole chip, so a match is not read as a whole-chip one.
void LogComparedPart(App& app, const Coverage& compared) {
    const auto chip = static_cast<std::uint64_t>(ChipBytes(app));
    if (compared.Bytes() >= chip) return;
    LogMessage(app, "Compared where the image holds bytes: " + RangesText(compared.Ranges()) +
                        " (" + std::to_string(compared.Bytes()) + " of " + std::to_string(chip) +
                        " bytes)");
}

/// Reads the chip up to the end of the image and compares it with the program
/// image wherever the image holds a byte. After a difference it reads on to the
/// end, so the report can tell how many bytes differ and where. False after a
/// reported mismatch.
bool VerifyParallel(App& app) {
    Board& b = app.board;
    PrepareProgramImage(app);
    SetProgressValue(app, 0);
    OpenChipForReading(app);
    if (!ChipShowsItsContents(app)) return false;

    const auto& image = app.ops.ProgramImage;
    const Coverage& held = app.ops.ProgramCoverage;
    VerifyTally tally(held.End());
    std::int32_t sum = 0;
    WalkDevice(app, app.ops.ProgramLength, [&](std::uint8_t data) {
        sum = (sum + data) & 0xFFFF;
        app.ops.DeviceChecksum = sum;
        const auto address = static_cast<std::uint32_t>(b.Address);
        if (held.Holds(address)) tally.Compare(app, address, data, image[address]);
        return true;
    });
    if (!tally.Finish(app, held, image)) return false;
    LogComparedPart(app, held);
    return true;
}

} // namespace

void verifyButton_Click(App& app) {
    VerifyChip(app, ReadChipOptions(app));
}

void VerifyChip(App& app, const ChipOptions& options) {
    if (options.code) VerifyCodeMemory(app);
    if (options.data) VerifyDataMemory(app);
}

void menuVerifyCode_Click(App& app) {
    verifyButton_Click(app);
}

void VerifyCodeMemory(App& app) {
    const bool serial = app.dev.DeviceFamily == "S";
    if (!RequireBoard(app) || !ImageFitsChip(app)) return;
    app.ops.DeviceChecksum = 0;
    app.ops.ChipRead.reset();
    app.ops.Mismatches.Clear();
    ShowVerifyRunning(app, true);
    DataFlowLampOn(app);
    LogMessage(app, "Verify Function Started... Wait");

    bool matched = true;
    if (serial) {
        const SerialCompare compared = Verify24CXX(app);
        matched = compared.matched;
        if (matched) LogComparedPart(app, app.buf.CodeCoverage);
        if (compared.unanswered != 0) ReportAckError(app);
    } else if (!VerifyParallel(app)) {
        return; // the mismatch report has run; nothing more happens
    }

    if (matched) {
        DataFlowLampOff(app);
        LogMessage(app, "Device Contents MATCHES with Buffer Contents");
        if (!serial) {
            app.ops.DeviceChecksumText = Hex4(app.ops.DeviceChecksum);
            LogMessage(app, "Device CHKSUMM = $" + app.ops.DeviceChecksumText);
        }
        LogChipReading(app);
        app.ops.Outcome = OpOutcome::Success;
        PlayEventSound(app, "OK");
        Reset(app);
    }
    SetProgressValue(app, 0);
    ShowVerifyRunning(app, false);
    if (serial) ParkSerialBus(app);
}

void VerifyDataMemory(App& app) {
    app.svc.dialogs->MsgBox("Please Write AT90S2313 VerifyData Routine", kAppTitle, MsgIcon::None,
                            MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
}

} // namespace quorbit
