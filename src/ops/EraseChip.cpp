#include "ops/EraseChip.h"

#include "app/App.h"
#include "app/Shell.h"
#include "link/RequireBoard.h"
#include "ops/Flash.h"
#include "ops/FlashId.h"
#include "ops/ProgramTable.h"

namespace quorbit {
namespace {

/// The signal-observation entries drive the board: only with a board known.
void WithBoard(App& app, void (*body)(App&)) {
    if (RequireBoard(app)) body(app);
}

/// The flash routines ask and check the board themselves, after their own first
/// log line; the X28C256 and 24Cxx writers do neither, and an erase destroys the
/// chip's contents as surely as programming does.
bool ReadyToErase(App& app) {
    if (app.dev.DeviceFamily == "F") return true;
    return OperatorConfirmsErase(app) && RequireBoard(app);
}

} // namespace

bool OperatorConfirmsErase(App& app) {
    const MsgResult answer =
        app.svc.dialogs->MsgBox("Are you SURE about Erase the Device?", "Safety Question",
                                MsgIcon::Question, MsgButtons::OkCancel, 1);
    if (answer == MsgResult::Ok) return true;
    LogMessage(app, "Erasing Operation was Canceled by Operator");
    app.ops.Outcome = OpOutcome::Cancelled;
    return false;
}

void eraseChipButton_Click(App& app) {
    app.ops.Outcome = OpOutcome::None;
    const EraseCommand routine = EraseRoutineFor(app.dev.routines.erase);
    if (!routine) return; // nothing to erase electrically (a UV EPROM among them)
    if (!ReadyToErase(app)) return;
    app.ops.Work = ChipWork::Erases; // from the routine's first write on
    const OpOutcome erased = routine(app, ReadChipOptions(app));
    app.ops.Work = ChipWork::Reads;
    app.ops.Outcome = erased;
}

void LogErasedChip(App& app) {
    LogMessage(app, "Erasing Operation COMPLETED: every byte reads back FFh");
}

void menuEraseFlash_Click(App& app) {
    eraseChipButton_Click(app);
}

void WireFlashHandlers(App& app) {
    auto& ui = app.ui;
    ui.eraseChipButton.onClick = app.Operation(eraseChipButton_Click);
    ui.menuEraseFlash.onClick = app.Operation(menuEraseFlash_Click);
    ui.menuFlashShowCodeID.onClick = app.Operation(menuFlashShowCodeID_Click);
    ui.LoopFlashTest.onClick = app.Operation([](App& a) { WithBoard(a, LoopFlashTest_Click); });
    ui.ResetFlash.onClick = app.Operation([](App& a) { WithBoard(a, ResetFlash_Click); });
}

} // namespace quorbit
