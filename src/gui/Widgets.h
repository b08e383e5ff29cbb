#pragma once
// Widgets that report the clicks and double clicks the window's labels and text
// boxes answer to.
#include <QLabel>
#include <QPlainTextEdit>

namespace quorbit::gui {

class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();
    void doubleClicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

/// A status bar panel whose text, when too long for the room left, ends in an
/// ellipsis instead of widening the window.
class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
    [[nodiscard]] QSize minimumSizeHint() const override;
    /// The text as far as it is drawn.
    [[nodiscard]] QString shownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

/// A read-only multi-line box: its text belongs to the program, not the operator.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit TextBox(QWidget* parent = nullptr);
  signals:
    void doubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace quorbit::gui
