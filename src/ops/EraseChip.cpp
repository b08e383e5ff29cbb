#include "ops/EraseChip.h"

#include "app/App.h"
#include "app/Shell.h"
#include "ops/Flash.h"
#include "ops/FlashId.h"
#include "ops/ProgramTable.h"
#include "ops/RequireBoard.h"
#include "ops/VerifyReports.h"

namespace quorbit {
namespace {

/// A 24Cxx written with FFh: the acknowledge result, then the bus lines parked.
void FinishSerialErase(App& app) {
    Board& b = app.board;
    if (app.flags.AckError != 0) {
        ReportAckError(app);
        app.flags.OperationFailed = 1;
        return;
    }
    LogMessage(app, "Programming Device Successfull");
    DataFlowLampOff(app);
    ProgramLampOff(app);
    PlayEventSound(app, "OK");
    b.Reg0Shadow = 64;
    b.SetReg0();
    SetProgressValue(app, 0);
    b.CEON();
    b.OEON();
    b.Reg1Shadow = 0;
    b.Reg2Shadow = 0;
    b.SetReg1();
    b.SetReg2();
}

/// The signal-observation entries drive the board: only with a board known.
void WithBoard(App& app, void (*body)(App&)) {
    if (RequireBoard(app)) body(app);
}

} // namespace

void EraseFlash_button_Click(App& app) {
    app.flags.EraseMode = 1;
    app.ops.Outcome = OpOutcome::None;
    if (const DeviceRoutine routine = EraseRoutineFor(app.dev.DeviceType))
        routine(app);
    else
        return; // nothing to erase electrically (a UV EPROM among them)
    if (app.dev.DeviceFamily == "S" && app.ops.Outcome != OpOutcome::Refused) {
        FinishSerialErase(app);
        if (app.flags.AckError == 0) app.ops.Outcome = OpOutcome::Success;
    }
}

void menuEraseFlash_Click(App& app) {
    EraseFlash_button_Click(app);
}

void WireFlashHandlers(App& app) {
    auto& ui = app.ui;
    ui.EraseFlash_button.onClick = app.Handler(EraseFlash_button_Click);
    ui.menuEraseFlash.onClick = app.Handler(menuEraseFlash_Click);
    ui.menuFlashShowCodeID.onClick = app.Handler(menuFlashShowCodeID_Click);
    ui.LoopFlashTest.onClick = app.Handler([](App& a) { WithBoard(a, LoopFlashTest_Click); });
    ui.ResetFlash.onClick = app.Handler([](App& a) { WithBoard(a, ResetFlash_Click); });
}

} // namespace quorbit
