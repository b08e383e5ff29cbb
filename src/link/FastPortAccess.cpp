#include "link/FastPortAccess.h"

#include "app/App.h"
#include "app/Shell.h"
#include "link/PortFile.h"

namespace quorbit {

void SetFastPortAccess(App& app, bool on) {
    app.board.FastPort = on;
    // What the registers hold was tracked by one latch only; the other starts afresh.
    app.board.ForgetRegisters();
    app.ui.FastPortAccess.value = on ? 1 : 0;
}

void FastPortAccess_Click(App& app) {
    const bool on = !app.board.FastPort;
    SetFastPortAccess(app, on);
    LogMessage(app, on ? "Fast port access switched ON" : "Fast port access switched OFF");
    app.PortFileFastPort = on;
    // With no board known the file is not written now: the next detection keeps the choice.
    if (app.DetectedPort != 0) SavePortFile(app);
}

} // namespace quorbit
