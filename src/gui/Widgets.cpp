#include "gui/Widgets.h"

#include <QMouseEvent>
#include <QPainter>

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
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

} // namespace quorbit::gui
