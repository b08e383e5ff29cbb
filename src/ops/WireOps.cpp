#include "ops/WireOps.h"

#include "app/App.h"
#include "ops/BlankCheck.h"
#include "ops/EraseChip.h"
#include "ops/Program.h"
#include "ops/Read.h"
#include "ops/Verify.h"

namespace quorbit {

void WireDeviceOperationHandlers(App& app) {
    auto& ui = app.ui;
    ui.Read_button.onClick = app.Handler(Read_button_Click);
    ui.menuReadCode.onClick = app.Handler(menuReadCode_Click);
    ui.Blank_button.onClick = app.Handler(Blank_button_Click);
    ui.menuBlankCheck.onClick = app.Handler(menuBlankCheck_Click);
    ui.Verify_button.onClick = app.Handler(Verify_button_Click);
    ui.menuVerifyCode.onClick = app.Handler(menuVerifyCode_Click);
    ui.Program_button.onClick = app.Handler(Program_button_Click);
    ui.menuProgramCode.onClick = app.Handler(menuProgramCode_Click);
    WireFlashHandlers(app);
}

} // namespace quorbit
