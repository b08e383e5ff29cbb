#include "ops/RequireBoard.h"

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {

bool RequireBoard(App& app) {
    if (app.board.BoardModel != 0 && app.board.DataPort != 0) return true;
    LogMessage(app, "No QUORBIT board is known - the device was not accessed");
    app.svc.dialogs->MsgBox("No QUORBIT board is known, so the device was not accessed.\r\n"
                            "Press TestPort to look for the board, or force its model in the "
                            "Setup menu (Force Set QUORBIT-4, -5 or -6).",
                            "No Board", MsgIcon::Exclamation, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
    return false;
}

} // namespace quorbit
