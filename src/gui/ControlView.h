#pragma once
// One control of the model bound to the widget or action that shows it. Sync()
// copies the model into the widget with its signals blocked, so showing a value
// never looks like an operator's action.
#include <QColor>
#include <QPalette>
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

    void Sync();
    /// The box keeps its newest line in view (the caret goes to the end on a change).
    void FollowEnd() { followEnd_ = true; }
    [[nodiscard]] Control& model() const { return *model_; }
    [[nodiscard]] QWidget* widget() const { return widget_; }
    [[nodiscard]] QAction* action() const { return action_; }

  private:
    void SyncAction();
    void SyncColours();
    void SyncContent();
    void SyncTextBox();
    void SyncList();

    Control* model_;
    QWidget* widget_ = nullptr;
    QAction* action_ = nullptr;
    bool firstSync_ = true;
    bool followEnd_ = false;
    std::uint32_t fore_ = 0, back_ = 0;
    std::string shownText_;
    std::vector<std::string> shownItems_;
};

} // namespace quorbit::gui
