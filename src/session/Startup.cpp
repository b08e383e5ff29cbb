#include "session/Startup.h"

#include <cmath>
#include <cstdlib>
#include <exception>

#include "app/App.h"
#include "app/Shell.h"
#include "app/WindowSettings.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"
#include "hw/StopRequest.h"
#include "link/Detection.h"
#include "link/PortFile.h"

namespace quorbit {
namespace {

double StoredTwips(App& app, const char* key, double fallback) {
    if (!app.svc.settings) return fallback;
    const auto text = app.svc.settings->Get(window_settings::kSection, key);
    if (!text || text->empty()) return fallback;
    // Only the program writes these; anything that is not a plain number is ignored.
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 1e7)
        return fallback;
    return v;
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

    ui.Window.left = StoredTwips(app, window_settings::kLeft, 100);
    ui.Window.top = StoredTwips(app, window_settings::kTop, 100);
    ui.Window.width = StoredTwips(app, window_settings::kWidth, kFirstStartWidthTwips);
    ui.Window.height = StoredTwips(app, window_settings::kHeight, 6500);

    ui.bufferFrame.caption = "Code Buffer Hex/Ascii Display"; // placed at 72, 481 x 257 by the view

    board.PageSize = 256;
    board.BankSize = 65536;
    board.ShortDelayFactor = 5;
    board.MediumDelayFactor = 100;
    board.LongDelayFactor = 500;

    ResetDeviceControls(app);
    board.BuildLookupTables();

    ui.QuorbitHardwareFound.caption = "NO HARDWARE FOUND !!!";
    ui.readyLamp.foreColor = colour::Red;
    ui.readyLamp.caption = "NotReady";
    ui.PortSelected.caption = "None";
    for (auto& option : ui.LPTSelection)
        option.value = 0;

    app.DetectedPort = 0;
    board.DataPort = 0;
    board.InitRegisterTables();
    BoardStep(app, [&] {
        LoadPortFile(app);
        if (board.DataPort == 0) testPortButton_Click(app);
    });
    board.PortSetup();

    app.NewLine = "\r\n";
    DataFlowLampOff(app);
    ProgramLampOff(app);
    ErrorLampOff(app);

    ui.SystemLog.caption.clear();
    ui.pageScrollBar.max = 0;
    // The failure was shown before the log was cleared; the log must keep it too.
    if (app.handlerFailed) LogMessage(app, FailureLogLine(app));

    BuildDeviceCatalog(app);
    BoardStep(app, [&] { Reset(app); });
    PlayEventSound(app, "INIT");
    app.Repaint();
}

} // namespace quorbit
