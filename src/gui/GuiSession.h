#pragma once
// One run of the window: port backend opened, services made, core started and
// shown; the simulated chip saved at the end when asked to.
#include <QString>
#include <memory>
#include <string>

#include "app/App.h"
#include "app/SystemServices.h"
#include "gui/MainWindow.h"
#include "gui/QtServices.h"
#include "session/Options.h"
#include "session/ProductionPanel.h"

namespace quorbit::gui {

/// With the backend "auto": the parallel port when its device is there and opens,
/// else the simulated board; note says why the simulator was chosen.
OpenedBackend OpenWindowBackend(const BackendOptions& options, std::string& note);

class GuiSession {
  public:
    /// Throws PortError (backend) or std::invalid_argument (bad option values).
    explicit GuiSession(const GlobalOptions& options);
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    [[nodiscard]] App& app() const { return *app_; }
    [[nodiscard]] MainWindow& window() const { return *window_; }
    [[nodiscard]] ProductionPanel& production() const { return *production_; }
    /// The port the session opened, with the simulated board when that is the backend.
    [[nodiscard]] const OpenedBackend& backend() const { return backend_; }
    /// Saves the simulated chip when --sim-save asks for it; returns the failure or "".
    std::string Finish();

  private:
    /// --sim-chip NAME: that device is chosen in the list, as the operator would.
    void ChooseSimulatedChip();
    /// A fresh simulated chip for each chip of a production run (none on a real board).
    [[nodiscard]] std::function<void(int row, int number)> FreshChips() const;

    GlobalOptions options_;
    OpenedBackend backend_;
    SystemClock clock_;
    QtSoundPlayer sound_;
    QtDialogs dialogs_;
    QtSettingsStore settings_;
    std::unique_ptr<App> app_;
    std::unique_ptr<MainWindow> window_;
    /// The Production dialog's model; gone before the window and the state.
    std::unique_ptr<ProductionPanel> production_;
};

/// The whole program: parses the command line, opens the window, runs it.
int RunWindow(int argc, char** argv);

} // namespace quorbit::gui
