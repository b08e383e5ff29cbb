#include "gui/QtServices.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMediaDevices>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSoundEffect>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include "app/App.h"
#include "gui/ControlView.h"

namespace quorbit::gui {

namespace {

/// Runs f on the window's thread and returns its result; the calling thread waits.
template <typename F> auto OnWindowThread(F f) -> decltype(f()) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) return f();
    decltype(f()) result{};
    QMetaObject::invokeMethod(
        application, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

} // namespace

QtSoundPlayer::QtSoundPlayer(QString fallbackFolder)
    : home_(std::make_unique<QObject>()), fallbackFolder_(std::move(fallbackFolder)) {}

QtSoundPlayer::~QtSoundPlayer() = default;

QString QtSoundPlayer::Locate(const std::string& filePath) const {
    const QString path = QString::fromStdString(filePath);
    if (QFileInfo::exists(path)) return path;
    const QString beside = QDir(fallbackFolder_).filePath(QFileInfo(path).fileName());
    return QFileInfo::exists(beside) ? beside : QString();
}

void QtSoundPlayer::Play(const std::string& filePath) {
    if (QThread::currentThread() != home_->thread()) {
        // Not waited for: the sound plays beside the operation.
        QMetaObject::invokeMethod(
            home_.get(), [this, filePath] { PlayHere(filePath); }, Qt::QueuedConnection);
        return;
    }
    PlayHere(filePath);
}

void QtSoundPlayer::PlayHere(const std::string& filePath) {
    const QString path = Locate(filePath);
    if (path.isEmpty()) return;
    if (!haveAudio_) haveAudio_ = !QMediaDevices::audioOutputs().isEmpty();
    if (!*haveAudio_) return;
    auto& effect = effects_[path];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(path));
    }
    effect->play(); // starts as soon as the file is loaded; errors stay silent
}

QString ToQtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        QString description = parts[i].trimmed();
        // "All Files (*.*)" already names its pattern: Qt reads the one in brackets.
        const qsizetype bracket = description.lastIndexOf(QLatin1Char('('));
        if (bracket > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(bracket).trimmed();
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    if (entries.isEmpty()) return QStringLiteral("All Files (*)");
    return entries.join(QStringLiteral(";;"));
}

namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString Title(const std::string& title) {
    return QString::fromStdString(title.empty() ? std::string(kAppTitle) : title);
}

} // namespace

MsgResult QtDialogs::MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                            MsgButtons buttons, int defaultButton) {
    return MsgBoxDetailed(text, {}, title, icon, buttons, defaultButton);
}

MsgResult QtDialogs::MsgBoxDetailed(const std::string& text, const std::string& informative,
                                    const std::string& title, MsgIcon icon, MsgButtons buttons,
                                    int defaultButton) {
    return OnWindowThread(
        [&] { return ShowBox(text, informative, title, icon, buttons, defaultButton); });
}

MsgResult QtDialogs::ShowBox(const std::string& text, const std::string& informative,
                             const std::string& title, MsgIcon icon, MsgButtons buttons,
                             int defaultButton) {
    QMessageBox box(ToQtIcon(icon), Title(title), ToQText(text), QMessageBox::NoButton, owner_);
    if (!informative.empty()) box.setInformativeText(ToQText(informative));
    QMessageBox::StandardButton first = QMessageBox::Ok, second = QMessageBox::NoButton;
    if (buttons == MsgButtons::OkCancel) second = QMessageBox::Cancel;
    if (buttons == MsgButtons::YesNo) {
        first = QMessageBox::Yes;
        second = QMessageBox::No;
    }
    box.addButton(first);
    if (second != QMessageBox::NoButton) box.addButton(second);
    box.setDefaultButton(defaultButton == 1 && second != QMessageBox::NoButton ? second : first);
    box.setEscapeButton(second != QMessageBox::NoButton ? second : first);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
}

std::optional<std::string> QtDialogs::InputBox(const std::string& prompt,
                                               const std::string& title) {
    return OnWindowThread([&]() -> std::optional<std::string> { return AskText(prompt, title); });
}

std::optional<std::string> QtDialogs::AskText(const std::string& prompt, const std::string& title) {
    bool ok = false;
    const QString answer = QInputDialog::getText(owner_, Title(title), ToQText(prompt),
                                                 QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
}

QString QtDialogs::Folder() const {
    if (!folder_.isEmpty()) return folder_;
    if (settings_)
        if (const auto kept = settings_->Get("Files", "LastFolder");
            kept && QFileInfo(QString::fromStdString(*kept)).isDir())
            return QString::fromStdString(*kept);
    return QDir::currentPath();
}

QString QtDialogs::Chosen(const QString& path) {
    if (path.isEmpty()) return path;
    folder_ = QFileInfo(path).absolutePath();
    if (settings_) settings_->Set("Files", "LastFolder", folder_.toStdString());
    return path;
}

std::string QtDialogs::OpenFileName(const std::string& title, const std::string& filter) {
    return OnWindowThread([&] {
        return Chosen(
                   QFileDialog::getOpenFileName(owner_, Title(title), Folder(), ToQtFilter(filter)))
            .toStdString();
    });
}

QString WithChosenExtension(const QString& name, const QString& chosenFilter) {
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty()) return name;
    // "Intel HEX (*.hex)": a name typed without extension takes the chosen format's.
    static const QRegularExpression firstPattern(QStringLiteral("\\(\\*(\\.[A-Za-z0-9]+)"));
    const QRegularExpressionMatch match = firstPattern.match(chosenFilter);
    return match.hasMatch() ? name + match.captured(1) : name;
}

std::string QtDialogs::SaveFileName(const std::string& title, const std::string& filter) {
    return OnWindowThread([&] {
        QString chosen;
        // The core asks before a file is replaced, in its own words.
        const QString name =
            QFileDialog::getSaveFileName(owner_, Title(title), Folder(), ToQtFilter(filter),
                                         &chosen, QFileDialog::DontConfirmOverwrite);
        return Chosen(WithChosenExtension(name, chosen)).toStdString();
    });
}

QtSettingsStore::QtSettingsStore(const QString& organization, const QString& application)
    : settings_(organization, application) {}

std::optional<std::string> QtSettingsStore::Get(const std::string& section,
                                                const std::string& key) const {
    const QString path = QString::fromStdString(section + "/" + key);
    if (!settings_.contains(path)) return std::nullopt;
    return settings_.value(path).toString().toStdString();
}

void QtSettingsStore::Set(const std::string& section, const std::string& key,
                          const std::string& value) {
    settings_.setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
    settings_.sync();
}

} // namespace quorbit::gui
