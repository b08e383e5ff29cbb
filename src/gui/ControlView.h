#pragma once
// One control of the model bound to the widget or action that shows it. Sync()
// copies the model into the widget with its signals blocked, so showing a value
// never looks like an operator's action.
#include <QColor>
#include <QPalette>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Control.h"

class QAction;
class QWidget;

namespace quorbit::gui {

/// A window-system colour code as a Qt colour: BGR values, or a system colour
/// (high bit set) taken from the palette.
QColor ToQColor(std::uint32_t code, const QPalette& system);
/// Control text as the widgets show it (line ends CR LF become LF).
QString ToQText(const std::string& text);

class ControlView {
  public:
    ControlView(Control& model, QWidget* widget);
    ControlView(Control& model, QAction* action);

    /// Shows the model.
    void Sync() { Show(*model_); }
    /// Shows a published copy of the model's face (an operation owns the model).
    /// withEnabled false: the widget keeps the enabled state the view gave it.
    void Show(const ControlFace& face, bool withEnabled = true);
    /// The box keeps its newest line in view (the caret goes to the end on a change).
    void FollowEnd() { followEnd_ = true; }
    /// A button's Alt key: the first `letter` of its caption is underlined (the
    /// caption in the model stays as it is).
    void SetMnemonic(QChar letter) { mnemonic_ = letter; }
    /// The key that runs the control's command, added to its tool tip: "(F5)".
    void SetKeyHint(const QString& keys) { keyHint_ = keys; }
    [[nodiscard]] Control& model() const { return *model_; }
    [[nodiscard]] QWidget* widget() const { return widget_; }
    [[nodiscard]] QAction* action() const { return action_; }

  private:
    void SyncAction(const ControlFace& m, bool withEnabled);
    void SyncColours(const ControlFace& m);
    void SyncContent(const ControlFace& m);
    void SyncTextBox(const ControlFace& m);
    void SyncList(const ControlFace& m);
    [[nodiscard]] QString WithKeyHint(const std::string& tip) const;

    Control* model_;
    QWidget* widget_ = nullptr;
    QAction* action_ = nullptr;
    QChar mnemonic_;
    QString keyHint_;
    bool firstSync_ = true;
    bool followEnd_ = false;
    std::uint32_t fore_ = 0, back_ = 0;
    std::string shownText_;
    std::vector<std::string> shownItems_;
    std::vector<bool> shownEnabled_;
};

} // namespace quorbit::gui
