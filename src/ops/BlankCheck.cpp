// Blank check: an erased cell reads FFh; the first byte that does not is reported.
#include "ops/BlankCheck.h"

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "link/RequireBoard.h"
#include "ops/AddressWalk.h"

namespace quorbit {

void blankButton_Click(App& app) {
    BlankCheck(app, ReadChipOptions(app));
}

void BlankCheck(App& app, const ChipOptions& options) {
    if (options.code) BlankCheckCodeMemory(app);
    if (options.data) BlankCheckDataMemory(app);
}

void menuBlankCheck_Click(App& app) {
    blankButton_Click(app);
}

void BlankCheckCodeMemory(App& app) {
    const auto& dev = app.dev;
    if (dev.routines.pins != AddressPins::None) {
        BlankCheckParallelChip(app);
        return;
    }
    app.svc.dialogs->MsgBox("Please Write Missing Routines at BLANKCODE", "Missing Routine",
                            MsgIcon::None, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
}

bool BlankCheckParallelChip(App& app) {
    if (!RequireBoard(app)) return false;
    Board& b = app.board;
    DataFlowLampOn(app);
    LogMessage(app, "Checking Device for BLANK (Erased)... Wait");
    OpenChipForReading(app);
    if (!ChipShowsItsContents(app)) return false;
    b.Port().BusySteps(100);

    std::int32_t failedAt = 0;
    std::uint8_t failedData = 0xFF;
    const bool blank = WalkDevice(app, ChipBytes(app), [&](std::uint8_t data) {
        if (data == 0xFF) return true;
        failedAt = b.AdrPage * 256 + b.AdrBank * 65536 + b.Reg2Shadow;
        failedData = data;
        return false;
    });
    if (!blank) {
        ReportNotBlank(app, failedAt, failedData);
        return false;
    }
    DataFlowLampOff(app);
    LogMessage(app, "Device IS BLANK (ERASED)");
    SetProgressValue(app, 0);
    app.ops.Outcome = OpOutcome::Success;
    PlayEventSound(app, "OK");
    Reset(app);
    return true;
}

void BlankCheckDataMemory(App& app) {
    app.svc.dialogs->MsgBox("Please Write AT90S2313 Check Blank Eeprom Routine",
                            "Routine Not Ready", MsgIcon::None, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
}

void ReportNotBlank(App& app, std::int32_t address, std::uint8_t data) {
    app.ops.Outcome = OpOutcome::Failed;
    EnterErrorState(app);
    DataFlowLampOff(app);
    LogMessage(app, "Device IS NOT BLANK (ERASED)");
    LogMessage(app, "Address: " + Hex(address) + " ][ Device Data: " + Hex(data));
    PlayEventSound(app, "ERROR");
    ShowCriticalError(app, "The device is not blank: the first programmed byte is at " +
                               Hex(address) + "h, " + Hex(data) + "h.");
}

} // namespace quorbit
