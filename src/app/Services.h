#pragma once
// Platform services the core needs besides the port: clock, sounds, dialogs,
// settings and repainting. The window injects Qt implementations, tests fakes.
#include <optional>
#include <string>

namespace quorbit {

struct LocalTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual LocalTime Now() const = 0;
};

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    /// Starts playing a wave file and returns at once; a missing file plays nothing.
    virtual void Play(const std::string& filePath) = 0;
};

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    /// defaultButton: 0 = first button, 1 = second.
    virtual MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                             MsgButtons buttons, int defaultButton) = 0;
    /// A box whose text stays as it is, with the details under it as its informative
    /// text (counts, addresses, a hint). Shown as one text where a box has no such part.
    virtual MsgResult MsgBoxDetailed(const std::string& text, const std::string& informative,
                                     const std::string& title, MsgIcon icon, MsgButtons buttons,
                                     int defaultButton) {
        return MsgBox(informative.empty() ? text : text + "\r\n\r\n" + informative, title, icon,
                      buttons, defaultButton);
    }
    /// Empty optional when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt,
                                                const std::string& title) = 0;
    /// Empty string when cancelled.
    virtual std::string OpenFileName(const std::string& title, const std::string& filter) = 0;
    virtual std::string SaveFileName(const std::string& title, const std::string& filter) = 0;
};

/// Per-user settings with sections and keys (the window rectangle lives here).
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    [[nodiscard]] virtual std::optional<std::string> Get(const std::string& section,
                                                         const std::string& key) const = 0;
    virtual void Set(const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

/// Lets the view redraw during a long operation (lamps, progress, log), without
/// taking user input.
class Refresher {
  public:
    virtual ~Refresher() = default;
    virtual void Repaint() = 0;
};

} // namespace quorbit
