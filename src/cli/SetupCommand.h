#pragma once
// Saved setups on the command line: --setup N|FILE before a verb, and
// "setup save N" writing a slot file as the window does.
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace quorbit::cli {

class Session;

struct SetupSaveOptions {
    int slot = 0;
    std::string name;
    std::string device;
    std::string voltage;
    std::string bytes = "both";
    int speed = 18;
    bool blankFirst = false;
    bool verifyAfter = false;
    std::string file;
};

/// The global --setup option.
void AddSetupOption(CLI::App& cli, std::string& slotOrFile);
/// The setup verb with its "save" command; returns the verb.
CLI::App* AddSetupCommands(CLI::App& cli, SetupSaveOptions& options);
/// Runs "setup save"; returns the exit status.
int RunSetupCommand(CLI::App& cli, const std::string& setupChoice, const SetupSaveOptions& options,
                    Session& session, std::ostream& err);

/// The setup file --setup names: slot 1..4 gives QBSetup1.INI .. QBSetup4.INI,
/// anything else is a file name. Empty, with the complaint in `error`, for a
/// slot number out of range.
std::string SetupFileOf(const std::string& slotOrFile, std::string& error);

/// Restores the setup --setup names (nothing when `slotOrFile` is empty) and lets an
/// explicit --port override the setup's port. Returns 0, or 2 when the setup
/// could not be applied completely (the problems are printed; nothing more is done).
int ApplySetupOption(CLI::App& cli, const std::string& slotOrFile, Session& session,
                     std::ostream& err);

/// True when the named option of the command was given on the command line.
bool OptionGiven(const CLI::App* command, const std::string& option);

} // namespace quorbit::cli
