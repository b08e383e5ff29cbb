#pragma once
// Services for running without a window: the real clock, silent sounds, dialogs
// that answer on a terminal, settings in a small file.
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "app/Services.h"

namespace quorbit {

class SystemClock : public Clock {
  public:
    [[nodiscard]] LocalTime Now() const override;
};

class SilentSound : public SoundPlayer {
  public:
    void Play(const std::string&) override {}
};

/// Message boxes printed to standard error; questions get their default answer,
/// or OK/Yes when told to assume yes.
class ConsoleDialogs : public Dialogs {
  public:
    /// The boxes go to `err` (null: standard error).
    explicit ConsoleDialogs(bool assumeYes = false, std::ostream* err = nullptr)
        : assumeYes_(assumeYes), err_(err) {}
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override;
    /// The details are log lines too, and the log is printed: the box keeps its text.
    MsgResult MsgBoxDetailed(const std::string& text, const std::string&, const std::string& title,
                             MsgIcon icon, MsgButtons buttons, int defaultButton) override {
        return MsgBox(text, title, icon, buttons, defaultButton);
    }
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override;
    std::string OpenFileName(const std::string&, const std::string&) override { return {}; }
    std::string SaveFileName(const std::string&, const std::string&) override { return {}; }
    /// Every message shown, for callers that want to know.
    std::vector<std::string> shown;

  private:
    bool assumeYes_;
    std::ostream* err_;
};

/// Settings kept only in memory.
class MemorySettings : public SettingsStore {
  public:
    [[nodiscard]] std::optional<std::string> Get(const std::string& section,
                                                 const std::string& key) const override;
    void Set(const std::string& section, const std::string& key, const std::string& value) override;

  private:
    std::map<std::string, std::string> values_;
};

/// Folder of the running executable.
std::string ExecutableFolder();
/// $XDG_CONFIG_HOME/quorbit or ~/.config/quorbit.
std::string UserConfigFolder();

/// The file an install puts beside the programs; a build or unpacked folder has none.
inline constexpr const char* kInstalledMarkerName = "installed";
/// True when the folder holds an installed program (the marker is there).
bool InstalledProgramFolder(const std::string& folder);

} // namespace quorbit
