#pragma once
// frmDisplay1: the secondary window openDisplayButton fills with code-buffer page 0. A view
// of the core's DisplayWindow model; it has no behaviour of its own.
#include <QWidget>

class QPlainTextEdit;
class QScrollBar;

namespace quorbit {
struct DisplayWindow;
}

namespace quorbit::gui {

class DisplayWindowView : public QWidget {
    Q_OBJECT
  public:
    DisplayWindowView(DisplayWindow& model, QWidget* owner);
    /// Shows the model: text, scroll position, shown or hidden.
    void Sync();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    DisplayWindow& model_;
    QPlainTextEdit* text_;
    QScrollBar* scroll_;
};

} // namespace quorbit::gui
