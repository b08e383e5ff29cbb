#pragma once
// The platform services the core asks for, done with Qt: sounds, message boxes
// and file dialogs, the per-user settings store.
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

#include "app/Services.h"

class QSoundEffect;

namespace quorbit::gui {

/// Plays wave files in the background. A missing file, or a machine without an
/// audio output, plays nothing and says nothing. An operation's thread may ask: the
/// sound is started on the window's thread.
class QtSoundPlayer : public SoundPlayer {
  public:
    /// fallbackFolder: where the sounds ship (beside the program), used when the
    /// core's folder holds only the port file.
    explicit QtSoundPlayer(QString fallbackFolder);
    ~QtSoundPlayer() override;
    void Play(const std::string& filePath) override;
    /// The file to play: the path itself, else the same name in the fallback
    /// folder; empty when neither exists.
    [[nodiscard]] QString Locate(const std::string& filePath) const;

  private:
    void PlayHere(const std::string& filePath);

    /// Lives on the window's thread; sounds asked for from elsewhere are queued to it
    /// and dropped once the player is gone.
    std::unique_ptr<QObject> home_;
    QString fallbackFolder_;
    std::optional<bool> haveAudio_; // asked once: the sound server is not asked again
    std::map<QString, std::unique_ptr<QSoundEffect>> effects_;
};

/// Converts a file-dialog filter of "Description|pattern|..." pairs to Qt's
/// "Description (pattern);;..." form ("*.*" matches every file, dotted or not).
QString ToQtFilter(const std::string& filter);
/// The saved name with the extension of the filter chosen in the save dialog,
/// when the operator typed none: the filter is the format choice.
QString WithChosenExtension(const QString& name, const QString& chosenFilter);

/// Message boxes and file dialogs. Asked from an operation's thread, the box is
/// shown on the window's thread while the operation waits for the answer.
class QtDialogs : public Dialogs {
  public:
    /// Boxes are owned by this window (may be set later).
    void SetOwner(QWidget* owner) { owner_ = owner; }
    /// The file dialogs open in the folder of the last file chosen, kept here
    /// between runs (may be null: only for this run).
    void SetSettings(SettingsStore* settings) { settings_ = settings; }
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override;
    MsgResult MsgBoxDetailed(const std::string& text, const std::string& informative,
                             const std::string& title, MsgIcon icon, MsgButtons buttons,
                             int defaultButton) override;
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override;
    std::string OpenFileName(const std::string& title, const std::string& filter) override;
    std::string SaveFileName(const std::string& title, const std::string& filter) override;

  private:
    MsgResult ShowBox(const std::string& text, const std::string& informative,
                      const std::string& title, MsgIcon icon, MsgButtons buttons,
                      int defaultButton);
    std::optional<std::string> AskText(const std::string& prompt, const std::string& title);
    [[nodiscard]] QString Folder() const;
    /// Keeps the folder of a chosen file; returns the path.
    QString Chosen(const QString& path);

    QPointer<QWidget> owner_;
    SettingsStore* settings_ = nullptr;
    QString folder_;
};

/// Sections and keys in the per-user QSettings of the application.
class QtSettingsStore : public SettingsStore {
  public:
    QtSettingsStore(const QString& organization, const QString& application);
    [[nodiscard]] std::optional<std::string> Get(const std::string& section,
                                                 const std::string& key) const override;
    void Set(const std::string& section, const std::string& key, const std::string& value) override;

  private:
    mutable QSettings settings_;
};

} // namespace quorbit::gui
