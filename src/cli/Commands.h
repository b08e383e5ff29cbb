#pragma once
// The device commands of quorbit-cli (read, blank, verify, ...).
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace quorbit {
class App;
struct Control;
} // namespace quorbit

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
    bool force = false;        // program, erase: go on when the flash ID names another device
    std::string setup;         // --setup: slot 1..4 or a setup file, applied before the verb
    std::string ports;         // --ports: several boards at once, each on its own base
    std::string simFaultPorts; // the simulator: the boards --sim-fault goes into
};

/// The global --progress option (before or after the verb).
void AddProgressOption(CLI::App& cli, CommandOptions& options);

/// The image file and the options of programming a chip (program, batch).
void AddProgramOptions(CLI::App* program, CommandOptions& options);
/// Adds the device command verbs to the parser.
void AddDeviceCommands(CLI::App& cli, CommandOptions& options);
/// Runs the verb that was parsed; returns the exit status.
int RunDeviceCommand(CLI::App& cli, const CommandOptions& options, Session& session,
                     std::ostream& out, std::ostream& err);

/// What every chip command does before its button: the board found, the --setup
/// applied, the device chosen and the window's options set as the command line
/// gives them. Returns the exit status of a failure, 0 to go on.
int PrepareChipCommand(CLI::App& cli, const CLI::App* command, const CommandOptions& options,
                       Session& session, std::ostream& err);
/// Loads the image file a command names (or the --setup's) into the code buffer;
/// returns the exit status of a failure, 0 when loaded.
int LoadCommandImage(const CLI::App* command, const CommandOptions& options, Session& session,
                     std::ostream& err);
/// Presses a chip command's button with the --progress line a terminal shows.
void PressChipButton(App& app, Control& button, const char* label, std::ostream& err,
                     const std::string& progressMode);

} // namespace quorbit::cli
