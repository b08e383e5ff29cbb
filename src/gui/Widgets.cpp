#include "gui/Widgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace quorbit::gui {

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void ClickableLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

QSize ElidedLabel::minimumSizeHint() const {
    const int margins = 2 * (frameWidth() + margin()) + 4;
    return {fontMetrics().horizontalAdvance(QStringLiteral("...")) + margins,
            QLabel::minimumSizeHint().height()};
}

QString ElidedLabel::shownText() const {
    const int room = contentsRect().width() - 2 * margin() - 4;
    return fontMetrics().elidedText(text(), Qt::ElideRight, room);
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event); // the sunken panel
    QPainter painter(this);
    const QRect room = contentsRect().adjusted(margin() + 2, 0, -margin() - 2, 0);
    painter.drawText(room, static_cast<int>(alignment()), shownText());
}

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Keep the caret visible so the box can be walked with the keyboard.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A file dropped here goes to the window, which opens it.
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

void TextBox::SetMinimumLines(int lines) {
    minimumLines_ = lines;
    updateGeometry();
}

int TextBox::TextMargin() const {
    return static_cast<int>(std::ceil(document()->documentMargin())) + frameWidth();
}

QSize TextBox::minimumSizeHint() const {
    QSize size = QPlainTextEdit::minimumSizeHint();
    if (minimumLines_ > 0) {
        const QFontMetricsF metrics(font(), this);
        const int lines = static_cast<int>(std::ceil(minimumLines_ * metrics.lineSpacing()));
        size.setHeight(std::max(size.height(), lines + 2 * TextMargin()));
    }
    return size;
}

namespace {

// A page: 16 lines; the widest line is a six-digit address, "| ", four groups of
// eight hex digits each followed by a blank, "| " and sixteen characters.
constexpr int kPageLines = 16;
constexpr int kHexDigits = 6 + 4 * 8;
constexpr int kBars = 2;
constexpr int kBlanks = 1 + 4 + 1;
constexpr int kTextColumn = 16;
/// Largest page font, as a multiple of the smallest: beyond it a larger box only
/// adds margin.
constexpr double kLargestScale = 3.0;

qreal WidestOf(const QFontMetricsF& metrics, const QString& characters) {
    qreal widest = 0;
    for (QChar c : characters)
        widest = std::max(widest, metrics.horizontalAdvance(c));
    return widest;
}

} // namespace

HexPageBox::HexPageBox(QWidget* parent) : TextBox(parent) {
    // pageScrollBar is the page's only scroll bar: the box never scrolls its text.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    ChooseBaseFont();
}

void HexPageBox::ChooseBaseFont() {
    // The window's own font, else the platform's fixed-pitch font; never smaller
    // than the system's text.
    QFont font(QStringLiteral("Monospac821 BT"));
    font.setStyleHint(QFont::TypeWriter);
    if (!font.exactMatch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont system = QApplication::font();
    const qreal systemPoints = system.pointSizeF() > 0 ? system.pointSizeF() : 9.0;
    font.setPointSizeF(std::max(font.pointSizeF(), systemPoints));
    base_ = font;
    setFont(base_);
    updateGeometry();
}

QSizeF HexPageBox::PageTextSize(const QFont& font) const {
    const QFontMetricsF metrics(font, this);
    QString printable;
    for (char16_t c = 0x20; c < 0x7F; ++c)
        printable += QChar(c);
    const qreal width = kHexDigits * WidestOf(metrics, QStringLiteral("0123456789ABCDEF")) +
                        kBars * metrics.horizontalAdvance(QLatin1Char('|')) +
                        kBlanks * metrics.horizontalAdvance(QLatin1Char(' ')) +
                        kTextColumn * WidestOf(metrics, printable);
    return {width, kPageLines * std::ceil(metrics.lineSpacing())};
}

QSize HexPageBox::BoxSizeFor(const QFont& font) const {
    const QSizeF text = PageTextSize(font);
    // The caret's width and a pixel of rounding beside the text.
    const int margins = 2 * TextMargin() + cursorWidth() + 1;
    return {static_cast<int>(std::ceil(text.width())) + margins,
            static_cast<int>(std::ceil(text.height())) + margins};
}

QSize HexPageBox::minimumSizeHint() const {
    return BoxSizeFor(base_);
}

QSize HexPageBox::sizeHint() const {
    return BoxSizeFor(base_);
}

void HexPageBox::FitFont() {
    QFont font = base_;
    const qreal smallest = base_.pointSizeF();
    qreal fits = smallest;
    for (qreal points = smallest + 0.5; points <= smallest * kLargestScale; points += 0.5) {
        font.setPointSizeF(points);
        const QSize needed = BoxSizeFor(font);
        if (needed.width() > width() || needed.height() > height()) break;
        fits = points;
    }
    font.setPointSizeF(fits);
    if (font != this->font()) setFont(font);
    CountLinesThatFit();
}

void HexPageBox::CountLinesThatFit() {
    const qreal lineHeight = std::ceil(QFontMetricsF(font(), this).lineSpacing());
    const int room = height() - (2 * TextMargin() + cursorWidth() + 1);
    const int lines = std::max(kPageLines, static_cast<int>(room / lineHeight));
    if (lines == linesThatFit_) return;
    linesThatFit_ = lines;
    emit linesThatFitChanged();
}

void HexPageBox::resizeEvent(QResizeEvent* event) {
    TextBox::resizeEvent(event);
    FitFont();
}

void HexPageBox::changeEvent(QEvent* event) {
    TextBox::changeEvent(event);
    // A new system font (or a screen of another resolution) changes the smallest size.
    if (event->type() == QEvent::ApplicationFontChange) {
        ChooseBaseFont();
        FitFont();
    }
}

} // namespace quorbit::gui
