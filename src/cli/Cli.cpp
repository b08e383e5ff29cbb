#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <iomanip>
#include <iostream>

#include "catalog/Catalog.h"
#include "cli/Commands.h"
#include "cli/JsonResult.h"
#include "cli/Options.h"
#include "cli/Session.h"
#include "cli/SetupCommand.h"
#include "cli/SharedOptions.h"
#include "cli/StopSignals.h"
#include "cli/SumCommand.h"

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
    for (int k = 1; k <= kCatalogRows; ++k) {
        const CatalogRow& row = table[static_cast<std::size_t>(k)];
        out << std::setw(3) << k << "  " << PaddedName(row.name) << "  " << std::left
            << std::setw(15) << FamilyName(row.family) << std::right << std::setw(13)
            << row.sizeKB * 1024 << "  " << (row.selectable ? "yes" : "no") << "\n";
    }
    return 0;
}

/// Every file the run reads or writes, each by the option that names it.
std::vector<NamedFile> RunFiles(const CLI::App& cli, const GlobalOptions& options,
                                const CommandOptions& command, const SetupSaveOptions& save) {
    std::vector<NamedFile> files = BackendFiles(options);
    if (cli.got_subcommand("read"))
        files.push_back({"-o", command.file, 1, true});
    else
        files.push_back(
            {"the image file", command.file.empty() ? save.file : command.file, 0, false});
    std::string error;
    if (!command.setup.empty())
        files.push_back({"--setup", SetupFileOf(command.setup, error), -1, false});
    return files;
}

int Detect(Session& session, std::ostream& err) {
    session.SelectBoard();
    if (session.app().handlerFailed) return 2; // the port link broke
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
    if ((devices->parsed() || detect->parsed()) && !commandOptions.setup.empty()) {
        err << "--setup applies to the chip commands and setup save, not to "
            << (devices->parsed() ? "devices" : "detect") << "\n";
        return 2;
    }
    if (devices->parsed()) {
        if (json.Wanted()) json.ListDevices();
        return json.Wanted() ? 0 : ListDevices(out);
    }
    if (sum->parsed()) return RunSumCommand(sumOptions, out, err, json);
    if (const std::string conflict = json.Conflict(cli, commandOptions.file); !conflict.empty()) {
        err << conflict << "\n";
        return 2;
    }
    json.PrepareOptions(options);
    if (const std::string problem = FinishOptions(options); !problem.empty()) {
        err << problem << "\n";
        return 2;
    }
    // Said before anything is opened: the run would keep the port file elsewhere.
    if (const std::string problem = ConfigDirProblem(options.configDir); !problem.empty()) {
        err << "--config-dir " << options.configDir << ": " << problem << "\n";
        return 2;
    }
    if (const std::string twice =
            FileNamedTwice(RunFiles(cli, options, commandOptions, setupOptions));
        !twice.empty()) {
        err << twice << "\n";
        return 2;
    }

    try {
        // An image written to standard output leaves the log lines to standard error.
        const bool imageToStdout = cli.got_subcommand("read") && commandOptions.file == "-";
        Session session(options, imageToStdout || json.Wanted() ? err : out);
        if (session.StartFailed()) return 2; // the port link broke, already said
        json.Watch(session);
        int status = 0;
        if (detect->parsed())
            status = Detect(session, err);
        else if (setup->parsed())
            status = RunSetupCommand(cli, commandOptions.setup, setupOptions, session, err);
        else
            status = RunDeviceCommand(cli, commandOptions, session, out, err);
        const bool closed = session.Close();
        json.Capture(session);
        // A requested output that was not written is a failure of the run.
        if (!closed && status == 0) return 2;
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
