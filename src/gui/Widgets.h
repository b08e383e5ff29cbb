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

/// A label whose text, when too long for the room left, ends in an ellipsis
/// instead of widening the window (a port's command line, a file's path).
class ElidedLabel : public ClickableLabel {
    Q_OBJECT
  public:
    using ClickableLabel::ClickableLabel;
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
    /// The box is never made so low that fewer lines show (0: no such bound).
    void SetMinimumLines(int lines);
    [[nodiscard]] QSize minimumSizeHint() const override;
    /// Frame and document margins around the text, on each side.
    [[nodiscard]] int TextMargin() const;
  signals:
    void doubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    int minimumLines_ = 0;
};

/// The hex page: a whole page of 16 lines always in view, in a fixed-pitch font of
/// at least the system's size. A wider box shows the page in a larger font; a
/// taller one has room for more lines.
class HexPageBox : public TextBox {
    Q_OBJECT
  public:
    explicit HexPageBox(QWidget* parent = nullptr);
    /// The whole lines the box has room for in its font (never fewer than 16).
    [[nodiscard]] int LinesThatFit() const { return linesThatFit_; }
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;
    /// The smallest font the page is shown in.
    [[nodiscard]] const QFont& BaseFont() const { return base_; }
    /// Room the widest page (16 lines of 62 characters) takes in a font, text only.
    [[nodiscard]] QSizeF PageTextSize(const QFont& font) const;

  signals:
    void linesThatFitChanged();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void ChooseBaseFont();
    void FitFont();
    void CountLinesThatFit();
    [[nodiscard]] QSize BoxSizeFor(const QFont& font) const;

    QFont base_;
    int linesThatFit_ = 16;
};

} // namespace quorbit::gui
