#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/Session.h"

namespace quorbit::cli {

void AddDeviceCommands(CLI::App& cli, CommandOptions& options) {
    (void)cli;
    (void)options;
}

int RunDeviceCommand(CLI::App& cli, const CommandOptions& options, Session& session,
                     std::ostream& out, std::ostream& err) {
    (void)cli, (void)options, (void)session, (void)out;
    err << "No command given\n";
    return 2;
}

} // namespace quorbit::cli
