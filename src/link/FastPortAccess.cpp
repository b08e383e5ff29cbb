#include "link/FastPortAccess.h"

#include <exception>
#include <string>

#include "app/App.h"
#include "app/Shell.h"
#include "link/PortFile.h"

namespace quorbit {

void SetFastPortAccess(App& app, bool on) {
    app.board.SetFastPort(on);
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

void LeaveNoRegisterHeld(App& app) {
    if (app.linkFailed) return; // the port is gone: there is nothing to release on it
    try {
        app.board.ReleaseHeldRegister();
    } catch (const std::exception& e) {
        LogMessage(app, std::string("The board's registers could not be released: ") + e.what());
    }
}

} // namespace quorbit
