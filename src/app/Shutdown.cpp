// Shutdown of the main window, where the window rectangle is stored.
#include <cstdio>

#include "app/App.h"
#include "app/Shell.h"
#include "app/WindowSettings.h"
#include "hw/StopRequest.h"

namespace quorbit {
namespace {

std::string TwipsText(double v) {
    const float single = static_cast<float>(v);
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(single));
    return text;
}

} // namespace

void Form_Unload(App& app) {
    {
        // A stop that no operation took up, or one that comes now, must not keep
        // the closing reset off the board.
        const StopHeld closing;
        try {
            Reset(app); // leave the board with its lines inactive
        } catch (const std::exception&) {
            // A broken link must not stop the window from closing.
        }
    }
    app.frmDisplay1.visible = false;
    auto& w = app.ui.Window;
    if (w.state == WindowState::Minimized || !app.svc.settings) return;
    app.svc.settings->Set(window_settings::kSection, window_settings::kLeft, TwipsText(w.left));
    app.svc.settings->Set(window_settings::kSection, window_settings::kTop, TwipsText(w.top));
    app.svc.settings->Set(window_settings::kSection, window_settings::kWidth, TwipsText(w.width));
    app.svc.settings->Set(window_settings::kSection, window_settings::kHeight, TwipsText(w.height));
}

void mnuFileExit_Click(App& app) {
    if (app.onCloseRequest) app.onCloseRequest();
}

void WireShellHandlers(App& app) {
    auto& ui = app.ui;
    ui.errorLamp.onClick = app.Handler(errorLamp_Click);
    ui.SystemLog.onDblClick = app.Handler(SystemLog_DblClick);
    ui.mnuFileExit.onClick = app.Handler(mnuFileExit_Click);
}

} // namespace quorbit
