#include "ops/WireOps.h"

#include "app/App.h"
#include "ops/BlankCheck.h"
#include "ops/EraseChip.h"
#include "ops/FlashId.h"
#include "ops/Program.h"
#include "ops/Read.h"
#include "ops/Verify.h"

namespace quorbit {

void WireDeviceOperationHandlers(App& app) {
    auto& ui = app.ui;
    app.identifyChosenChip = [](App& a) { FlashIDCycle(a.board, a.dev); };
    ui.readButton.onClick = app.Operation(readButton_Click);
    ui.menuReadCode.onClick = app.Operation(menuReadCode_Click);
    ui.blankButton.onClick = app.Operation(blankButton_Click);
    ui.menuBlankCheck.onClick = app.Operation(menuBlankCheck_Click);
    ui.verifyButton.onClick = app.Operation(verifyButton_Click);
    ui.menuVerifyCode.onClick = app.Operation(menuVerifyCode_Click);
    ui.programButton.onClick = app.Operation(programButton_Click);
    ui.menuProgramCode.onClick = app.Operation(menuProgramCode_Click);
    WireFlashHandlers(app);
}

} // namespace quorbit
