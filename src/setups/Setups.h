#pragma once
// Four numbered setup slots: the working setup (code file, device, voltage,
// options, port, speed, byte choice) saved to and restored from QBSetup1.INI ..
// QBSetup4.INI in the working folder.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorbit {

class App;

inline constexpr int kSetupSlots = 4;

/// "QBSetup1.INI" .. "QBSetup4.INI".
std::string SlotFileName(int slot);
/// The file `name` in `folder`, found without regard to letter case; the path
/// under the given spelling when no such file exists (or the folder cannot be read).
std::filesystem::path FindFileCaseless(const std::filesystem::path& folder,
                                       const std::string& name);
/// Where a setup file name leads: a bare name or relative path is taken in the
/// working folder, matched without regard to letter case.
std::filesystem::path SetupFilePath(const App& app, const std::string& fname);
std::filesystem::path SetupFilePath(const std::filesystem::path& workFolder,
                                    const std::string& fname);
/// The code file a setup file names (its "sFILE = " line, as a restore loads
/// it), so that the files of a run are known before any is opened; nothing when
/// the file cannot be read or names none (the restore says why).
std::optional<std::string> SetupCodeFile(const std::filesystem::path& setupFile);

/// Opening the Setup menu: the load items follow the slot files present.
void Setup_Click(App& app);

void SaveSetup1_Click(App& app);
void SaveSetup2_Click(App& app);
void SaveSetup3_Click(App& app);
void SaveSetup4_Click(App& app);
void LoadSetup1_Click(App& app);
void LoadSetup2_Click(App& app);
void LoadSetup3_Click(App& app);
void LoadSetup4_Click(App& app);

/// Asks for a name and writes the slot file from the controls.
void SaveSetupRot(App& app, const std::string& fname);
/// Writes the setup file from the controls under the given name ("No Name Setup"
/// and the slot digit when empty). False, reported, with any old file left intact
/// when it cannot be written.
bool WriteSetupFile(App& app, const std::string& fname, const std::string& name);

/// What a restore met: whether the file could be read, and one text per problem
/// (each also logged; together shown in one message box).
struct SetupRestore {
    bool fileRead = false;
    std::vector<std::string> problems;
    [[nodiscard]] bool complete() const { return fileRead && problems.empty(); }
};

/// Restores the controls from the setup file through their own handlers, in file
/// order, then reloads the code file. The file is checked whole first: a line that
/// is missing, misspelt, repeated or holds a value its control cannot take, an
/// option group without exactly one button chosen (the voltages: none when the
/// file names no device), a port box that does not name the port chosen, a
/// voltage the file's device does not offer or a code file that is gone is
/// reported with the file and line, and nothing at all is set. A code file that
/// then cannot be loaded is reported too, the controls restored.
SetupRestore LoadSetupRot(App& app, const std::string& fname);

/// Attaches the Setup menu and its load and save items.
void WireSetupHandlers(App& app);

} // namespace quorbit
