#include "gui/DisplayWindowView.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "app/DisplayWindow.h"

namespace quorbit::gui {

DisplayWindowView::DisplayWindowView(DisplayWindow& model, QWidget* owner)
    : QWidget(owner, Qt::Window), model_(model), text_(new QPlainTextEdit(this)),
      scroll_(new QScrollBar(Qt::Vertical, this)) {
    setObjectName("frmDisplay1");
    setWindowTitle("QUORBIT - Code Buffer");
    text_->setObjectName("frmDisplay1.BufferDisplay");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setObjectName("frmDisplay1.VScroll1");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(text_);
    layout->addWidget(scroll_);
    resize(560, 300);
}

void DisplayWindowView::Sync() {
    const QString text = QString::fromStdString(model_.BufferDisplay.caption);
    if (text_->toPlainText() != text) text_->setPlainText(text);
    const QSignalBlocker block(scroll_);
    scroll_->setRange(model_.pageScrollBar.min,
                      std::max(model_.pageScrollBar.min, model_.pageScrollBar.max));
    scroll_->setValue(model_.pageScrollBar.value);
    if (model_.visible && !isVisible()) show();
    if (!model_.visible && isVisible()) hide();
}

void DisplayWindowView::closeEvent(QCloseEvent* event) {
    model_.visible = false;
    event->accept();
}

} // namespace quorbit::gui
