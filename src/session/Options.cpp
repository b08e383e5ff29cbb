#include "session/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>
#include <vector>

#include "app/App.h"
#include "app/SystemServices.h"
#include "app/TextFile.h"
#include "catalog/Catalog.h"
#include "link/Detection.h"
#include "link/PortBase.h"
#include "link/PortFile.h"
#include "session/SimSocket.h"
#include "sim/BoardFaults.h"
#include "sim/ChipFactory.h"
#include "sim/SeedFaults.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"
#include "sim/SimFaults.h"

namespace quorbit {

namespace {

constexpr const char* kBaseHint = "use 378, 278, 3BC or a card's base from 100 to FFF8";

/// The printer port bases as ParseBasePort reads them (any letter case, 0x or h).
CLI::Validator BasePortValidator() {
    return CLI::Validator(
        [](std::string& text) {
            std::uint16_t port = 0;
            return ParseBasePort(text, port) ? std::string()
                                             : "Bad port " + text + ": " + kBaseHint;
        },
        "378|278|3BC|100..FFF8");
}

/// A comma-separated list of such bases, each once.
CLI::Validator BasePortListValidator() {
    return CLI::Validator(
        [](std::string& text) {
            std::vector<std::uint16_t> ports;
            std::string error;
            return ParseBasePortList(text, ports, error) ? std::string() : error;
        },
        "PORT[,PORT...]");
}

/// Adds the fault the seed picks for the --sim-chip chip; returns the complaint or "".
std::string AddSeededFault(GlobalOptions& o) {
    if (o.faultSeed.empty()) return {};
    std::uint32_t seed = 0;
    if (!sim::ParseFaultSeed(o.faultSeed, seed))
        return "Bad --sim-faults " + o.faultSeed + ": use a decimal number below 2^32";
    SimSetup& sim = o.backend.sim;
    const auto row = FindCatalogRow(sim.chip);
    if (!row) return {}; // MakeSocketChip names the unknown chip
    const std::string fault = sim::FaultForSeed(seed, *row);
    if (fault.empty()) return "The simulator has no faults for " + sim.chip;
    sim.fault += (sim.fault.empty() ? "" : ",") + fault;
    o.notes.push_back("Simulator fault from seed " + o.faultSeed + ": --sim-fault " + fault);
    return {};
}

} // namespace

bool ParseBasePortList(const std::string& text, std::vector<std::uint16_t>& ports,
                       std::string& error) {
    ports.clear();
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = text.find(',', at);
        const std::string one =
            text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        std::uint16_t port = 0;
        if (!ParseBasePort(one, port)) {
            error = "Bad port " + one + ": " + kBaseHint;
            return false;
        }
        if (std::find(ports.begin(), ports.end(), port) != ports.end()) {
            error = "Port " + one + " is listed twice: each board has a port of its own";
            return false;
        }
        ports.push_back(port);
        if (comma == std::string::npos) return true;
        at = comma + 1;
    }
}

void AddVersionAndLicence(CLI::App& cli, const std::string& program) {
    cli.set_version_flag("--version",
                         program + " (QUORBIT) " QUORBIT_VERSION "\n"
                                   "Copyright (C) 2026 QUORBIT developers\n"
                                   "Licence GPL-3.0-or-later: GNU GPL version 3 or later "
                                   "<https://gnu.org/licenses/gpl.html>.\n"
                                   "This is free software: you are free to change and "
                                   "redistribute it.\n"
                                   "There is NO WARRANTY, to the extent permitted by law.",
                         "Print the version and the licence, and exit");
    cli.footer("Licence:\n"
               "  GPL-3.0-or-later: free software under the GNU General Public License,\n"
               "  version 3 or later, with NO WARRANTY. /usr/share/doc/quorbit/copyright\n"
               "  names the libraries compiled in and their licences.");
}

void AddBackendOptions(CLI::App& cli, GlobalOptions& o) {
    cli.add_option("-b,--backend", o.backend.choice,
                   "Port backend: sim, ppdev[:/dev/parportN], direct or exec:COMMAND")
        ->capture_default_str();
    cli.add_option("--trace", o.backend.traceFile, "Record every port access in this file");
    cli.add_option("--step-ns", o.backend.stepNs,
                   "Length of one counted delay step on a real port, in ns (the pauses "
                   "between port writes; programming pulses count steps of their own length)")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1'000'000}))
        ->capture_default_str();
    cli.add_flag("--exec-delays", o.backend.execDelays,
                 "exec: also send counted delays to the child as 'D <steps>' lines "
                 "('D <steps> <ns>' for a pulse's steps of their own length)");
    cli.add_option("--ppdev-378", o.backend.ppdev378, "Parport device for 378h")
        ->capture_default_str();
    cli.add_option("--ppdev-278", o.backend.ppdev278, "Parport device for 278h")
        ->capture_default_str();
    cli.add_option("--ppdev-3bc", o.backend.ppdev3BC, "Parport device for 3BCh")
        ->capture_default_str();
    cli.add_option("--sim-model", o.backend.sim.model,
                   "Simulated board model: 4, 5, 6, or 0 for no board")
        ->check(CLI::IsMember({0, 4, 5, 6}))
        ->capture_default_str();
    cli.add_option("--sim-port", o.simPort,
                   "Simulated board's base port: 378, 278, 3BC or 100..FFF8; a list "
                   "(378,278,D100) puts a board at each, for --ports")
        ->check(BasePortListValidator())
        ->capture_default_str();
    cli.add_option("--sim-access-ns", o.backend.sim.accessNs,
                   "Time one port access takes on the simulated board, in ns")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1'000'000}))
        ->capture_default_str();
    cli.add_option("--sim-chip", o.backend.sim.chip,
                   "Chip in the simulated socket (catalog row or name, or none for an "
                   "empty socket); default: the chosen device, erased");
    cli.add_option("--sim-image", o.backend.sim.imageFile,
                   "Contents of the simulated chip: a file, fill:HH, pattern:address or "
                   "random:SEED");
    cli.add_option("--sim-fault", o.backend.sim.fault,
                   "Defective cells in the simulated chip, comma-separated: " + sim::FaultForms() +
                       ", " + sim::BoardFaultForms() + ", or empty (no chip in the socket)");
    cli.add_option("--sim-faults", o.faultSeed,
                   "A fault for the --sim-chip chip chosen from this seed (printed, so that "
                   "--sim-fault can replay it)");
    cli.add_option("--sim-save", o.backend.sim.saveFile,
                   "File the simulated chip's contents are saved to at exit");
}

void AddBoardOptions(CLI::App& cli, GlobalOptions& o) {
    cli.add_option("-p,--port", o.basePort,
                   "Printer port base: 378, 278, 3BC or a card's base (100..FFF8, e.g. D100)")
        ->check(BasePortValidator());
    cli.add_option("-m,--model", o.model, "Board model: auto (scan the ports), 4, 5 or 6")
        ->check(CLI::IsMember({"auto", "4", "5", "6"}))
        ->capture_default_str();
    cli.add_option("--config-dir", o.configDir,
                   "Folder of the port/model file (default: ~/.config/quorbit for an installed "
                   "program, else the program's folder)");
    cli.add_option("--devices", o.devicesFile,
                   "Device file adding chips to the catalog (default: devices.toml in the "
                   "folder of the port/model file)");
}

bool DescribesSimulatedChip(const SimSetup& sim) {
    return !sim.chip.empty() || !sim.imageFile.empty() || !sim.fault.empty() ||
           !sim.saveFile.empty();
}

std::string FinishOptions(GlobalOptions& o, bool chipFollowsDevice) {
    if (std::string error; !ParseBasePortList(o.simPort, o.simPorts, error))
        return "Bad --sim-port " + o.simPort + ": " + error;
    o.backend.sim.basePort = o.simPorts.front();
    if (chipFollowsDevice && o.simPorts.size() > 1)
        return "--sim-port " + o.simPort + ": the window drives one board; give one base";
    // The window chooses between a parallel port and the simulator itself.
    if (o.backend.choice != "auto") {
        if (std::string problem = BackendChoiceProblem(o.backend.choice); !problem.empty())
            return problem;
    }
    // The chip options describe the chip named by --sim-chip on the simulated board;
    // given otherwise they would be silently ignored. The window's automatic choice
    // is judged when it is made (the simulator when no parallel port is there).
    const SimSetup& sim = o.backend.sim;
    const bool describesChip = !sim.imageFile.empty() || !sim.fault.empty() || !o.faultSeed.empty();
    const bool maybeSim = o.backend.choice == "sim" || o.backend.choice == "auto";
    if (!maybeSim && (DescribesSimulatedChip(sim) || !o.faultSeed.empty()))
        return "--sim-chip, --sim-image, --sim-fault(s) and --sim-save need the simulated board "
               "(--backend sim)";
    if (sim.chip.empty() && !o.faultSeed.empty())
        return "--sim-faults picks a fault for the chip named by --sim-chip: name it";
    if (sim.chip.empty() && describesChip && !chipFollowsDevice)
        return "--sim-image and --sim-fault(s) describe the chip named by --sim-chip: name it";
    if (std::string twice = FileNamedTwice(BackendFiles(o)); !twice.empty()) return twice;
    return AddSeededFault(o);
}

std::vector<NamedFile> BackendFiles(const GlobalOptions& o) {
    const SimSetup& sim = o.backend.sim;
    std::string error;
    const bool imageIsFile =
        !sim.imageFile.empty() && !sim::GeneratedContents(sim.imageFile, 0, error);
    return {{"--trace", o.backend.traceFile, 2, true},
            {"--sim-image", imageIsFile ? sim.imageFile : std::string(), 0, false},
            {"--sim-save", sim.saveFile, -1, true}};
}

bool InsertSimulatedChip(const OpenedBackend& backend, const SimSetup& setup) {
    if (!backend.simBoard || setup.chip.empty()) return false;
    const std::string chipFaults = sim::ApplyBoardFaults(*backend.simBoard, setup.fault);
    backend.simBoard->Insert(MakeSocketChip(setup, chipFaults));
    return true;
}

std::string WorkingFolder() {
    std::error_code ec;
    const auto folder = std::filesystem::current_path(ec);
    if (ec)
        throw std::invalid_argument("The working folder cannot be found (" + ec.message() +
                                    "): it may have been deleted. Start the program from a "
                                    "folder that exists.");
    return folder.string();
}

std::string ConfigDirProblem(const std::string& folder) {
    if (folder.empty()) return {};
    std::error_code ec;
    const auto status = std::filesystem::status(folder, ec);
    if (!std::filesystem::exists(status)) return "it does not exist";
    if (!std::filesystem::is_directory(status)) return "it is not a folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return "the program may not write in it";
    return {};
}

std::string ConfigFolderNote(const GlobalOptions& o) {
    if (o.configDir.empty()) return {};
    const std::string problem = ConfigDirProblem(o.configDir);
    if (problem.empty()) return {};
    return "--config-dir " + o.configDir + ": " + problem +
           "; the port and model file is neither read nor kept anywhere else";
}

std::string PortFileFolder(const std::string& programFolder, const std::string& configDir,
                           const std::string& userFolder) {
    // The folder the operator named is the only one: the file is never kept
    // somewhere else behind the operator's back.
    if (!configDir.empty()) return configDir;
    // An installed program's folder belongs to the system, not to whoever runs it:
    // not even root writes there.
    if (InstalledProgramFolder(programFolder)) return userFolder;
    return programFolder;
}

namespace {

/// Without --sim-chip the socket takes the chip of each device chosen, with the
/// contents and faults given; the board's own faults are put on the board once.
SocketChipMaker FollowingSocketChip(const OpenedBackend& backend, const SimSetup& setup) {
    if (!backend.simBoard || (setup.imageFile.empty() && setup.fault.empty())) return nullptr;
    const std::string chipFaults = sim::ApplyBoardFaults(*backend.simBoard, setup.fault);
    // An image that cannot be read, or fits no chip at all, is said at start: made
    // for the largest chip (the 27C080) it would fail for every choice.
    SimSetup largest = setup;
    largest.chip = "27C080";
    MakeSocketChip(largest, "");
    return [setup, chipFaults](int row) {
        SimSetup chosen = setup;
        chosen.chip = std::to_string(row);
        return MakeSocketChip(chosen, chipFaults);
    };
}

} // namespace

Services BackendServices(const OpenedBackend& backend, const GlobalOptions& o) {
    Services services;
    services.workFolder = WorkingFolder();
    // A chip named at start stays in the socket whatever device is chosen.
    if (backend.simBoard && !InsertSimulatedChip(backend, o.backend.sim))
        services.deviceChosen =
            SocketFollowsDevice(*backend.simBoard, FollowingSocketChip(backend, o.backend.sim));
    services.port = backend.io.get();
    services.userConfigFolder = UserConfigFolder();
    services.appFolder = ExecutableFolder();
    services.portFileFolder =
        PortFileFolder(services.appFolder, o.configDir, services.userConfigFolder);
    services.portFileFolderOnly = !o.configDir.empty();
    services.boardPort = o.boardPort;
    return services;
}

std::vector<std::string> PortFiles(const GlobalOptions& o) {
    const std::string user = UserConfigFolder();
    const std::string folder = PortFileFolder(ExecutableFolder(), o.configDir, user);
    std::vector<std::string> files = {(std::filesystem::path(folder) / kPortFileName).string()};
    if (o.configDir.empty() && folder != user)
        files.push_back((std::filesystem::path(user) / kPortFileName).string());
    return files;
}

std::string SaveSimulatedChip(const OpenedBackend& backend, const SimSetup& setup) {
    if (!backend.simBoard || !backend.simBoard->Chip() || setup.saveFile.empty()) return {};
    const auto& mem = backend.simBoard->Chip()->Memory();
    const std::string error =
        WriteFileAtomically(setup.saveFile, std::string(mem.begin(), mem.end()));
    if (error.empty()) return {};
    return "Could not save the simulated chip to " + setup.saveFile + ": " + error;
}

void ApplyBoardOptions(App& app, const GlobalOptions& o, bool scanOnAuto) {
    std::uint16_t port = 0;
    if (!o.basePort.empty()) {
        ParseBasePort(o.basePort, port);
        ChoosePortBase(app, port);
    }
    const bool cardBase = port != 0 && port != 0x378 && port != 0x278 && port != 0x3BC;
    if (o.model == "auto") {
        // One of several boards looks at its own port only: the others belong to
        // boards that other threads drive.
        if (scanOnAuto && (cardBase || o.boardPort != 0))
            app.RunGuarded(ProbePortBase); // the scan covers the three standard bases only
        else if (scanOnAuto)
            Fire(app.ui.testPortButton.onClick);
    } else if (o.model == "4") {
        Fire(app.ui.ForceQuorbit4.onClick);
    } else if (o.model == "5") {
        Fire(app.ui.ForceQuorbit5.onClick);
    } else if (o.model == "6") {
        Fire(app.ui.ForceQuorbit6.onClick);
    }
}

} // namespace quorbit
