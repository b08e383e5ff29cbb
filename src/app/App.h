#pragma once
// The programmer's core: the window's control model, the program state grouped
// by owner, and the platform services. Every behaviour is a function of an App.
#include <functional>
#include <memory>
#include <string>

#include "app/Controls.h"
#include "app/DisplayWindow.h"
#include "app/Services.h"
#include "app/ViewSnapshot.h"
#include "hw/Board.h"
#include "state/Buffers.h"
#include "state/DeviceConfig.h"
#include "state/OpsState.h"
#include "state/ReportState.h"

namespace quorbit {

class App;
class Desktop;
class OperationHost;

struct Services {
    PortIo* port = nullptr;
    Clock* clock = nullptr;
    SoundPlayer* sound = nullptr;
    Dialogs* dialogs = nullptr;
    SettingsStore* settings = nullptr;
    Refresher* refresher = nullptr; // may be null (no view)
    Desktop* desktop = nullptr;     // About box, help, other programs; may be null
    /// Runs chip operations on a thread of their own; null: on the caller's thread.
    OperationHost* operations = nullptr;
    /// Told of each catalog row the operator chooses, once the row is the device and
    /// before its lines are set: on the simulated board the session puts that chip
    /// into the socket here. Null: nothing follows the choice.
    std::function<void(App& app, int row)> deviceChosen;
    /// Folder of the program: its sounds and help live here.
    std::string appFolder = ".";
    /// Where the port file is kept while the program may write there: the program's
    /// own folder when run from its build or unpacked folder, or --config-dir.
    std::string portFileFolder = ".";
    /// Per-user configuration folder: the port file of an installed program, and of
    /// one whose port file folder is not writable.
    std::string userConfigFolder = ".";
    /// The port file is kept in portFileFolder or nowhere (--config-dir names it):
    /// never per user instead, and the folder is not created.
    bool portFileFolderOnly = false;
    /// One of several boards driven at once: the port it is on, the only one it
    /// looks at. The port file, which remembers one board, is neither read nor
    /// written then. 0: the one board of the program.
    int boardPort = 0;
    /// Current working folder: log, listing and setup files.
    std::string workFolder = ".";
};

class App {
  public:
    /// The state alone, its controls attached to nothing: MakeProgram (the session's)
    /// attaches the handlers.
    explicit App(const Services& services);
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Services svc;
    Controls ui;
    DisplayWindow frmDisplay1;
    Board board;
    DeviceConfig dev;
    Buffers buf;
    ReportState report;
    DeviceOpsState ops;

    std::string NewLine = "\r\n";
    std::string PrintableChars;
    int DetectedPort = 0;
    std::string PortFilePath;
    std::string PortFileKeys;
    bool PortFileSaved = false; // the last detection wrote the port file to PortFilePath
    /// Why the last detection could not write it (reported once), or "".
    std::string PortFileFailure;
    /// The window's fast port option as the port file keeps it (FAST_PORT = 1).
    bool PortFileFastPort = false;
    std::string DisplayMode;
    /// Lines the hex view shows: the page's 16, or more in a taller window.
    int DisplayLines = 16;
    /// The address of the view's first line: the page's first byte, unless the
    /// wheel moved the view by lines within the page.
    std::int64_t DisplayTopAddress = 0;
    /// The first address of the differing range the jump keys showed last; -1: none.
    std::int64_t DifferenceShown = -1;

    /// Called with every new log line (the command-line front end prints them).
    std::function<void(const std::string&)> onLogLine;
    /// Called when the window must close (File > Exit).
    std::function<void()> onCloseRequest;
    /// Steps of the state's own sequences that belong to the floors above it; the
    /// composition of the program (MakeProgram) attaches them, and null ones are skipped.
    /// As every outermost handler ends, however it ended: the pulses a real port
    /// stretched are told.
    std::function<void(App&)> onHandlerEnd;
    /// As a device that tells its ID is chosen, once its lines are set: the ID is read.
    std::function<void(App&)> identifyChosenChip;
    /// Set when an operation was stopped by an error it could not report itself
    /// (a broken port link, a fault); the command line turns it into its exit status.
    bool handlerFailed = false;
    /// What stopped it was the port link (a child that ended or answered wrongly,
    /// a port or trace that could not be written), not an input the program refused.
    bool linkFailed = false;
    std::string lastFailure;

    /// Wraps an event handler: a failure inside it ends that operation with a
    /// clear message, never the program.
    std::function<void()> Handler(std::function<void(App&)> body);
    /// Wraps the handler of a chip operation: run by the operation host when there
    /// is one (and `when` holds, if given), else as Handler does. Nested in another
    /// handler it runs in place, on that handler's thread.
    std::function<void()> Operation(std::function<void(App&)> body,
                                    std::function<bool(const App&)> when = nullptr);
    void RunGuarded(const std::function<void(App&)>& body);

    /// Shows what changed: on an operation's thread, by publishing it for the view.
    void Repaint();
    /// What the view shows while an operation owns the state.
    PublishedView published;

  private:
    int handlerDepth_ = 0;
};

/// Application title (the default message-box title and settings key).
inline constexpr const char* kAppTitle = "QUORBIT";
inline constexpr const char* kMakerLine = "Quorbit Devices - www.quorbit.example";

} // namespace quorbit
