// Start-up and shutdown of the main window, and the window rectangle store.
#include <cmath>
#include <cstdlib>

#include "app/App.h"
#include "app/Shell.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"
#include "hw/StopRequest.h"
#include "link/Detection.h"
#include "link/PortFile.h"

namespace quorbit {
namespace {

constexpr const char* kSection = "Settings";

double StoredTwips(App& app, const char* key, double fallback) {
    if (!app.svc.settings) return fallback;
    const auto text = app.svc.settings->Get(kSection, key);
    if (!text || text->empty()) return fallback;
    // Only the program writes these; anything that is not a plain number is ignored.
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 1e7)
        return fallback;
    return v;
}

std::string TwipsText(double v) {
    const float single = static_cast<float>(v);
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(single));
    return text;
}

/// A board step of start-up. A broken port link is reported and start-up goes on:
/// the window must open so that the operator can choose another port or work on files.
/// Once the link has broken the later steps are skipped: they would only meet the
/// same failure and report it again.
template <typename Step> void BoardStep(App& app, Step&& step) {
    if (app.handlerFailed) return;
    try {
        step();
    } catch (const OperationStopped&) {
        ReportOperationStopped(app);
    } catch (const std::exception& e) {
        app.linkFailed = dynamic_cast<const PortError*>(&e) != nullptr;
        ReportHandlerFailure(app, e.what());
    }
}

} // namespace

/// A first start shows the whole design client area (703 pixels plus the frame).
inline constexpr double kFirstStartWidthTwips = 10800;

void Form_Load(App& app) {
    auto& ui = app.ui;
    auto& board = app.board;
    board.BoardModel = 0;

    ui.Window.left = StoredTwips(app, "MainLeft", 100);
    ui.Window.top = StoredTwips(app, "MainTop", 100);
    ui.Window.width = StoredTwips(app, "MainWidth", kFirstStartWidthTwips);
    ui.Window.height = StoredTwips(app, "MainHeight", 6500);

    ui.Frame3.caption = "Code Buffer Hex/Ascii Display"; // placed at 72, 481 x 257 by the view

    board.PageSize = 256;
    board.BankSize = 65536;
    board.ShortDelayFactor = 5;
    board.MediumDelayFactor = 100;
    board.LongDelayFactor = 500;

    ResetDeviceControls(app);
    board.BuildLookupTables();

    ui.QuorbitHardwareFound.caption = "NO HARDWARE FOUND !!!";
    ui.Ready_label.foreColor = colour::Red;
    ui.Ready_label.caption = "NotReady";
    ui.PortSelected.caption = "None";
    for (auto& option : ui.LPTSelection)
        option.value = 0;

    app.DetectedPort = 0;
    board.DataPort = 0;
    board.InitRegisterTables();
    BoardStep(app, [&] {
        LoadPortFile(app);
        if (board.DataPort == 0) TestHardware_button_Click(app);
    });
    board.PortSetup();

    app.NewLine = "\r\n";
    DataFlowLampOff(app);
    ProgramLampOff(app);
    ErrorLampOff(app);

    ui.SystemLog.caption.clear();
    ui.VScroll1.max = 0;
    // The failure was shown before the log was cleared; the log must keep it too.
    if (app.handlerFailed) LogMessage(app, FailureLogLine(app));

    BuildDeviceCatalog(app);
    BoardStep(app, [&] { Reset(app); });
    PlayEventSound(app, "INIT");
    app.Repaint();
}

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
    app.svc.settings->Set(kSection, "MainLeft", TwipsText(w.left));
    app.svc.settings->Set(kSection, "MainTop", TwipsText(w.top));
    app.svc.settings->Set(kSection, "MainWidth", TwipsText(w.width));
    app.svc.settings->Set(kSection, "MainHeight", TwipsText(w.height));
}

void mnuFileExit_Click(App& app) {
    if (app.onCloseRequest) app.onCloseRequest();
}

void WireShellHandlers(App& app) {
    auto& ui = app.ui;
    ui.Error_label.onClick = app.Handler(Error_label_Click);
    ui.SystemLog.onDblClick = app.Handler(SystemLog_DblClick);
    ui.mnuFileExit.onClick = app.Handler(mnuFileExit_Click);
}

} // namespace quorbit
