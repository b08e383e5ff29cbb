#pragma once
// The device commands of quorbit-cli (read, blank, verify, ...).
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace quorbit::cli {

class Session;

struct CommandOptions {
    std::string device; // catalog row or name
    std::string bytes = "both";
    int speed = 18;
    std::string file;
    std::string format = "auto";   // image file format: auto, raw, ihex, srec
    std::string offset;            // --offset: where a raw image's byte 0 goes (hex)
    std::string progress = "auto"; // auto (a line on a terminal), json, none
    std::string voltage;           // program: 12.5, 21 or 25; empty for the device's suggestion
    bool blankFirst = false;
    bool verifyAfter = false;
    bool force = false; // program, erase: go on when the flash ID names another device
    std::string setup;  // --setup: slot 1..4 or a setup file, applied before the verb
};

/// The global --progress option (before or after the verb).
void AddProgressOption(CLI::App& cli, CommandOptions& options);

/// Adds the device command verbs to the parser.
void AddDeviceCommands(CLI::App& cli, CommandOptions& options);
/// Runs the verb that was parsed; returns the exit status.
int RunDeviceCommand(CLI::App& cli, const CommandOptions& options, Session& session,
                     std::ostream& out, std::ostream& err);

} // namespace quorbit::cli
