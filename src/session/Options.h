#pragma once
// The backend, simulator and board options shared by quorbit-cli and the window.
#include <cstdint>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/NamedFiles.h"
#include "session/Backend.h"

namespace CLI {
class App;
}

namespace quorbit {

class App;

struct GlobalOptions {
    BackendOptions backend;
    std::string simPort = "378"; // --sim-port as typed; parsed by FinishOptions
    /// --sim-port's bases in order: a simulated board at each (several with --ports).
    std::vector<std::uint16_t> simPorts;
    /// One of several boards driven at once (--ports): its base, the only port it
    /// probes; the port file is left alone. 0: the program's one board.
    std::uint16_t boardPort = 0;
    std::string basePort;       // "", or 378 / 278 / 3BC
    std::string model = "auto"; // auto, 4, 5, 6
    std::string configDir;      // where the port file lives; default: beside the program
    std::string devicesFile;    // --devices: the device file; default: devices.toml there
    bool assumeYes = false;
    /// --fast: the fast port mode (the same chip cycles in fewer port accesses).
    bool fastPort = false;
    /// Port accesses counted for the --json result only: no estimate printed.
    bool countQuietly = false;
    std::string faultSeed; // --sim-faults: a seed that picks the simulated chip's fault
    /// Things to tell the operator once the options are final (the seed's fault).
    std::vector<std::string> notes;
};

/// A comma-separated list of printer port bases (--ports, --sim-port), each once;
/// false with the complaint in `error`.
bool ParseBasePortList(const std::string& text, std::vector<std::uint16_t>& ports,
                       std::string& error);
/// --version, and the licence at the end of --help, for the window and quorbit-cli.
void AddVersionAndLicence(CLI::App& cli, const std::string& program);
/// Port backend and simulated board: --backend, --trace, --ppdev-*, --sim-*.
void AddBackendOptions(CLI::App& cli, GlobalOptions& o);
/// Port choice, model and the folder of the port/model file.
void AddBoardOptions(CLI::App& cli, GlobalOptions& o);
/// True when any of --sim-chip, --sim-image, --sim-fault, --sim-save is given.
bool DescribesSimulatedChip(const SimSetup& sim);
/// Checks what the parser cannot; returns an empty string or the complaint.
/// chipFollowsDevice: the window, where --sim-image and --sim-fault without
/// --sim-chip describe whichever chip the operator chooses in the device list.
std::string FinishOptions(GlobalOptions& o, bool chipFollowsDevice = false);
/// The files the backend options name: --trace, a --sim-image file, --sim-save.
std::vector<NamedFile> BackendFiles(const GlobalOptions& o);
/// Where a session may read and write the port and model file: the one file in
/// --config-dir, else beside the program and in the per-user folder.
std::vector<std::string> PortFiles(const GlobalOptions& o);
/// Why --config-dir cannot hold the port file; empty when it can (or is absent).
std::string ConfigDirProblem(const std::string& folder);

/// Puts the chip named by --sim-chip (with --sim-image contents and --sim-fault)
/// into the simulated socket; true when a chip was named, so the socket no longer
/// follows the device list. Throws std::invalid_argument for an unknown chip or image.
bool InsertSimulatedChip(const OpenedBackend& backend, const SimSetup& setup);
/// The folder the port file is kept in while it may be written there: --config-dir
/// (the only one then, usable or not), else the program's folder unless the
/// program is installed; the per-user folder otherwise.
std::string PortFileFolder(const std::string& programFolder, const std::string& configDir,
                           const std::string& userFolder);
/// The port, simulator and folder services of a session on the opened backend
/// (inserting the --sim-chip chip, or else making the chip the socket takes at each
/// device choice with the --sim-image contents and --sim-fault faults); clock,
/// sounds, dialogs and settings are the front end's own. Throws std::invalid_argument when the
/// working folder is gone.
Services BackendServices(const OpenedBackend& backend, const GlobalOptions& o);
/// Why --config-dir cannot hold the port file (which is then kept nowhere else);
/// empty when the option is absent or the folder is usable. Said once at start.
std::string ConfigFolderNote(const GlobalOptions& o);
/// Writes the simulated chip's contents to --sim-save; returns the failure or "".
std::string SaveSimulatedChip(const OpenedBackend& backend, const SimSetup& setup);

/// Applies --fast, --port and --model as the operator would: a port choice, then a
/// forced model; "auto" scans the ports when scanOnAuto is set.
void ApplyBoardOptions(App& app, const GlobalOptions& o, bool scanOnAuto);

} // namespace quorbit
