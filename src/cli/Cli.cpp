#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <iomanip>
#include <iostream>

#include "catalog/Catalog.h"
#include "cli/Commands.h"
#include "cli/Session.h"

namespace quorbit::cli {
namespace {

void AddGlobalOptions(CLI::App& cli, GlobalOptions& o, std::string& simPort) {
    cli.add_option("-b,--backend", o.backend.spec,
                   "Port backend: sim, ppdev[:/dev/parportN], direct or exec:COMMAND")
        ->capture_default_str();
    cli.add_option("--trace", o.backend.traceFile, "Record every port access in this file");
    cli.add_option("-p,--port", o.basePort, "Printer port base: 378, 278 or 3BC")
        ->check(CLI::IsMember({"378", "278", "3BC", "3bc", "378h", "278h", "3BCh", "3bch"}));
    cli.add_option("-m,--model", o.model, "Board model: auto (scan the ports), 4, 5 or 6")
        ->check(CLI::IsMember({"auto", "4", "5", "6"}))
        ->capture_default_str();
    cli.add_option("--config-dir", o.configDir,
                   "Folder of the port/model file (default: the program's folder)");
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
    cli.add_option("--sim-port", simPort, "Simulated board's base port: 378, 278 or 3BC")
        ->capture_default_str();
    cli.add_option("--sim-chip", o.backend.sim.chip,
                   "Chip in the simulated socket (catalog row or name); default empty");
    cli.add_option("--sim-image", o.backend.sim.imageFile,
                   "Contents of the simulated chip: a file, fill:HH, pattern:address or "
                   "random:SEED");
    cli.add_option("--sim-fault", o.simFault,
                   "A defective cell in the simulated chip: ADDRESS:BIT:LEVEL (hex address, "
                   "e.g. 1F3:0:1)");
    cli.add_option("--sim-save", o.backend.sim.saveFile,
                   "File the simulated chip's contents are saved to at exit");
    cli.add_flag("-y,--yes", o.assumeYes, "Answer OK to safety questions");
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

} // namespace

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App cli{"quorbit-cli: drive a QUORBIT-4/5/6 device programmer board"};
    cli.require_subcommand(1);
    cli.fallthrough(true);
    GlobalOptions options;
    std::string simPort = "378";
    AddGlobalOptions(cli, options, simPort);

    auto* detect = cli.add_subcommand("detect", "Look for the board on the printer ports");
    auto* devices = cli.add_subcommand("devices", "List the device catalog");
    CommandOptions commandOptions;
    AddDeviceCommands(cli, commandOptions);

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = cli.exit(e, out, err);
        return code == 0 ? 0 : 2;
    }
    if (devices->parsed()) return ListDevices(out);
    if (!ParseBasePort(simPort, options.backend.sim.basePort)) {
        err << "Bad --sim-port " << simPort << ": use 378, 278 or 3BC\n";
        return 2;
    }

    try {
        Session session(options, out);
        if (detect->parsed()) {
            session.SelectBoard();
            if (session.BoardKnown()) return 0;
            if (session.app().board.BoardModel != 0 && session.app().board.DataPort == 0)
                err << "A forced model needs a printer port: add --port 378, 278 or 3BC\n";
            return 1;
        }
        return RunDeviceCommand(cli, commandOptions, session, out, err);
    } catch (const PortError& e) {
        err << e.what() << "\n";
        return 2;
    } catch (const std::invalid_argument& e) {
        err << e.what() << "\n";
        return 2;
    }
}

} // namespace quorbit::cli
