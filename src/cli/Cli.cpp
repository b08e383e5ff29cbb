#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <iomanip>
#include <iostream>

#include "catalog/Catalog.h"
#include "cli/BatchCommand.h"
#include "cli/Boards.h"
#include "cli/Commands.h"
#include "cli/JsonResult.h"
#include "cli/Session.h"
#include "cli/SetupCommand.h"
#include "cli/SharedOptions.h"
#include "cli/StopSignals.h"
#include "cli/SumCommand.h"
#include "session/DeviceFileChoice.h"
#include "session/Options.h"
#include "setups/Setups.h"

namespace quorbit::cli {
namespace {

void AddGlobalOptions(CLI::App& cli, GlobalOptions& o) {
    AddVersionAndLicence(cli, "quorbit-cli");
    AddBackendOptions(cli, o);
    AddBoardOptions(cli, o);
    cli.add_flag("-y,--yes", o.assumeYes, "Answer OK to safety questions");
    cli.add_flag("--estimate", o.backend.countAccesses,
                 "Count port accesses and waits; print the time a real port would take");
}

int ListDevices(std::ostream& out) {
    const auto& table = CatalogTable();
    out << "Row  Name                            Family           Size(bytes)  Selectable\n";
    for (int k = 1; k <= CatalogRowCount(); ++k) {
        const CatalogRow& row = table[static_cast<std::size_t>(k)];
        out << std::setw(3) << k << "  " << PaddedName(row.name) << "  " << std::left
            << std::setw(15) << FamilyName(row.family) << std::right << std::setw(13)
            << row.sizeKB * 1024 << "  " << (row.selectable ? "yes" : "no");
        // A device file's row says which built-in row it works like.
        if (row.likeRow != 0) out << "  (device file, like row " << row.likeRow << ")";
        out << "\n";
    }
    return 0;
}

/// Every file the run reads or writes, each by the option that names it, also
/// those it learns of only by reading another: the code file a --setup names.
/// Known before any of them is opened, so that none destroys another.
std::vector<NamedFile> RunFiles(const CLI::App& cli, const GlobalOptions& options,
                                const CommandOptions& command, const SetupSaveOptions& save,
                                const BatchOptions& batch) {
    std::vector<NamedFile> files = BackendFiles(options);
    if (cli.got_subcommand("batch")) {
        files.push_back({"--record", batch.record, -1, true});
        files.push_back({"--serial-file", batch.serialFile, -1, true});
    }
    if (cli.got_subcommand("read"))
        files.push_back({"-o", command.file, 1, true});
    else
        files.push_back(
            {"the image file", command.file.empty() ? save.file : command.file, 0, false});
    const bool saving = cli.got_subcommand("setup");
    const NamedFile slot{"setup save " + std::to_string(save.slot),
                         SetupFilePath("", SlotFileName(save.slot)).string(), -1, true};
    if (saving) files.push_back(slot);
    std::string error;
    if (const std::string setup = SetupFileOf(command.setup, error); !setup.empty()) {
        const NamedFile named{"--setup " + command.setup, SetupFilePath("", setup).string(), -1,
                              false};
        // A slot restored, changed and saved again: read whole before it is replaced.
        if (!(saving && SameFile(named, slot))) files.push_back(named);
        if (const auto code = SetupCodeFile(named.path))
            files.push_back({"--setup " + command.setup + "'s code file", *code, -1, false});
    }
    for (const std::string& portFile : PortFiles(options))
        files.push_back({"the port and model file", portFile, -1, true});
    files.push_back({"--devices", DeviceFilePath(options), -1, false});
    return files;
}

/// The options that promise what a verb driving no board cannot give (a trace, a
/// saved chip, an estimate, a setup applied): the first one given, or "".
std::string PromiseOfABoard(const CLI::App& cli) {
    for (const char* option : {"--trace", "--sim-save", "--estimate", "--setup"})
        if (OptionGiven(&cli, option)) return option;
    return {};
}

int Detect(Session& session, std::ostream& err) {
    session.SelectBoard();
    if (session.app().handlerFailed) return session.FailedStepStatus(); // said already
    if (session.BoardKnown()) {
        if (session.app().PortFileSaved)
            err << "Port and model saved in " << session.app().PortFilePath << "\n";
        return 0;
    }
    if (session.app().board.BoardModel != 0 && session.app().board.DataPort == 0)
        err << "A forced model needs a printer port: add --port 378, 278 or 3BC\n";
    return 1;
}

} // namespace

int RunVerb(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
            JsonResult& json) {
    CLI::App cli{"quorbit-cli: drive a QUORBIT-4/5/6 device programmer board"};
    cli.require_subcommand(1);
    cli.fallthrough(true);
    GlobalOptions options;
    AddGlobalOptions(cli, options);
    json.AddOption(cli);

    auto* detect = cli.add_subcommand("detect", "Look for the board on the printer ports");
    auto* devices = cli.add_subcommand("devices", "List the device catalog");
    CommandOptions commandOptions;
    AddDeviceCommands(cli, commandOptions);
    AddProgressOption(cli, commandOptions);
    AddSetupOption(cli, commandOptions.setup);
    SetupSaveOptions setupOptions;
    auto* setup = AddSetupCommands(cli, setupOptions);
    BatchOptions batchOptions;
    auto* batch = AddBatchCommand(cli, commandOptions, batchOptions);
    SumOptions sumOptions;
    auto* sum = AddSumCommand(cli, sumOptions);
    AcceptSharedOptionsBeforeVerb(cli);

    try {
        cli.parse(argc, argv);
        ForwardSharedOptions(cli);
    } catch (const CLI::ParseError& e) {
        const int code = cli.exit(e, out, err);
        if (code == 0) json.Drop(); // the help text was the answer
        json.Parsed(cli);
        return code == 0 ? 0 : 2;
    }
    json.Parsed(cli);
    if (detect->parsed() && !commandOptions.setup.empty()) {
        err << "--setup applies to the chip commands and setup save, not to detect\n";
        return 2;
    }
    const bool noBoard = devices->parsed() || sum->parsed();
    if (const std::string promise = noBoard ? PromiseOfABoard(cli) : ""; !promise.empty()) {
        err << promise << " applies to the commands that drive a board, not to "
            << (sum->parsed() ? "sum" : "devices") << "\n";
        return 2;
    }
    std::vector<std::uint16_t> ports;
    if (std::string error; !BoardPorts(cli, commandOptions, ports, error)) {
        err << error << "\n";
        return 2;
    }
    if (!commandOptions.simFaultPorts.empty() && ports.size() < 2) {
        err << "--sim-fault-ports names boards of --ports: give two or more\n";
        return 2;
    }
    if (ports.size() == 1) {
        // One board named by --ports is the one board of --port, on the simulator too.
        options.basePort = commandOptions.ports;
        if (!OptionGiven(&cli, "--sim-port")) options.simPort = commandOptions.ports;
    }
    // Checked for every verb, also those they change nothing for: a script may give
    // the same options to all, and a mistake in them must not pass unseen.
    if (const std::string problem = FinishOptions(options); !problem.empty()) {
        err << problem << "\n";
        return 2;
    }
    if (const std::string problem = ConfigDirProblem(options.configDir); !problem.empty()) {
        err << "--config-dir " << options.configDir << ": " << problem << "\n";
        return 2;
    }
    // Before any device is named: -d and a setup may name a row of the file.
    if (const std::string problem = LoadDeviceFile(options); !problem.empty()) {
        err << "The device file was refused, none of its devices added: " << problem << "\n";
        return 2;
    }
    if (devices->parsed()) {
        if (json.Wanted()) json.ListDevices();
        return json.Wanted() ? 0 : ListDevices(out);
    }
    if (sum->parsed()) return RunSumCommand(sumOptions, out, err, json);
    // An image written to standard output, as "-" or by another of its names,
    // leaves the log lines to standard error.
    const bool imageToStdout =
        cli.got_subcommand("read") &&
        (commandOptions.file == "-" ||
         SameFile({"-o", commandOptions.file, 1, true}, {"standard output", "-", 1, true}));
    if (const std::string conflict = json.Conflict(imageToStdout, commandOptions.file);
        !conflict.empty()) {
        err << conflict << "\n";
        return 2;
    }
    if (options.simPorts.size() > 1 && ports.size() < 2) {
        err << "--sim-port " << options.simPort
            << " puts several simulated boards: drive them with --ports\n";
        return 2;
    }
    json.PrepareOptions(options);
    if (const std::string twice =
            FileNamedTwice(RunFiles(cli, options, commandOptions, setupOptions, batchOptions));
        !twice.empty()) {
        err << twice << "\n";
        return 2;
    }
    if (ports.size() > 1)
        return RunOnBoards(cli, options, commandOptions, batchOptions, ports, out, err, json);

    try {
        Session session(options, imageToStdout || json.Wanted() ? err : out);
        if (session.StartFailed()) return session.FailedStepStatus(); // said already
        json.Watch(session);
        int status = 0;
        if (detect->parsed())
            status = Detect(session, err);
        else if (setup->parsed())
            status = RunSetupCommand(cli, commandOptions.setup, setupOptions, session, err);
        else if (batch->parsed()) {
            BatchSummary summary;
            status = RunBatchCommand(cli, commandOptions, batchOptions, session,
                                     json.Wanted() ? err : out, err, summary);
            json.Batch(summary);
        } else
            status = RunDeviceCommand(cli, commandOptions, session, out, err);
        const bool closed = session.Close();
        json.Capture(session);
        // A requested output that was not written is a failure of the run; a trace
        // that could not be written is one whatever the command's outcome.
        if ((!closed && status == 0) || session.TraceFailed()) return 2;
        return status;
    } catch (const PortError& e) {
        err << e.what() << "\n";
        return 2;
    } catch (const std::invalid_argument& e) {
        err << e.what() << "\n";
        return 2;
    }
}

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    JsonResult json(argc, argv);
    // The object gives the status the process ends with, a stop signal's included.
    return json.Finish(out, ExitStatusAfterSignals(RunVerb(argc, argv, out, err, json)));
}

} // namespace quorbit::cli
