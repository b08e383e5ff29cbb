#include "ops/EraseChip.h"

#include "app/App.h"
#include "app/Shell.h"
#include "link/RequireBoard.h"
#include "ops/Flash.h"
#include "ops/FlashId.h"
#include "ops/ProgramTable.h"
#include "ops/VerifyReports.h"

namespace quorbit {
namespace {

/// A 24Cxx written with FFh: the acknowledge result, then the bus lines parked.
/// A byte that read back wrong has had its programming-failure report already.
/// A serial EEPROM has no erase command: every byte is written FFh, page by page,
/// and the whole chip read back, so no failure report means every byte reads FFh.
void FinishSerialErase(App& app) {
    Board& b = app.board;
    if (app.flags.OperationFailed != 0) return;
    if (app.flags.AckError != 0) {
        ReportAckError(app);
        app.flags.OperationFailed = 1;
        return;
    }
    LogErasedChip(app);
    DataFlowLampOff(app);
    ProgramLampOff(app);
    PlayEventSound(app, "OK");
    b.Reg0Shadow = 64;
    b.SetReg0();
    SetProgressValue(app, 0);
    b.EnableChip();
    b.EnableOutput();
    b.Reg1Shadow = 0;
    b.Reg2Shadow = 0;
    b.SetReg1();
    b.SetReg2();
}

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

void EraseFlash_button_Click(App& app) {
    app.flags.EraseMode = 1;
    app.flags.OperationFailed = 0;
    app.ops.Outcome = OpOutcome::None;
    const DeviceRoutine routine = EraseRoutineFor(app.dev.routines.erase);
    if (!routine) return; // nothing to erase electrically (a UV EPROM among them)
    if (!ReadyToErase(app)) return;
    app.ops.Work = ChipWork::Erases; // from the routine's first write on
    routine(app);
    app.ops.Work = ChipWork::Reads;
    if (app.dev.DeviceFamily == "S" && app.ops.Outcome != OpOutcome::Refused &&
        app.ops.Outcome != OpOutcome::Cancelled)
        FinishSerialErase(app);
}

void LogErasedChip(App& app) {
    LogMessage(app, "Erasing Operation COMPLETED: every byte reads back FFh");
    app.ops.Outcome = OpOutcome::Success;
}

void menuEraseFlash_Click(App& app) {
    EraseFlash_button_Click(app);
}

void WireFlashHandlers(App& app) {
    auto& ui = app.ui;
    ui.EraseFlash_button.onClick = app.Operation(EraseFlash_button_Click);
    ui.menuEraseFlash.onClick = app.Operation(menuEraseFlash_Click);
    ui.menuFlashShowCodeID.onClick = app.Operation(menuFlashShowCodeID_Click);
    ui.LoopFlashTest.onClick = app.Operation([](App& a) { WithBoard(a, LoopFlashTest_Click); });
    ui.ResetFlash.onClick = app.Operation([](App& a) { WithBoard(a, ResetFlash_Click); });
}

} // namespace quorbit
