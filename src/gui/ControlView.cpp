#include "gui/ControlView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardItemModel>
#include <QTextCursor>
#include <algorithm>

#include "gui/Widgets.h"

namespace quorbit::gui {
namespace {

QPalette::ColorRole SystemRole(std::uint32_t index) {
    switch (index) {
    case 0x05:
        return QPalette::Base;
    case 0x08:
        return QPalette::Text;
    case 0x0F:
        return QPalette::Button;
    case 0x12:
        return QPalette::ButtonText;
    case 0x14:
        return QPalette::Light;
    default:
        return QPalette::WindowText;
    }
}

template <typename W> W* As(QWidget* w) {
    return static_cast<W*>(w);
}

} // namespace

QColor ToQColor(std::uint32_t code, const QPalette& system) {
    if (code & 0x80000000u) return system.color(QPalette::Active, SystemRole(code & 0xFFu));
    return QColor(static_cast<int>(code & 0xFFu), static_cast<int>((code >> 8) & 0xFFu),
                  static_cast<int>((code >> 16) & 0xFFu));
}

QString ToQText(const std::string& text) {
    QString q = QString::fromStdString(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

ControlView::ControlView(Control& model, QWidget* widget) : model_(&model), widget_(widget) {}
ControlView::ControlView(Control& model, QAction* action) : model_(&model), action_(action) {}

void ControlView::Show(const ControlFace& m, bool withEnabled) {
    if (action_) {
        SyncAction(m, withEnabled);
        return;
    }
    if (withEnabled && widget_->isEnabled() != m.enabled) widget_->setEnabled(m.enabled);
    // A hidden frame hides what it holds; isHidden() tells the widget's own state.
    if (widget_->isHidden() == m.visible) widget_->setVisible(m.visible);
    const QString tip = WithKeyHint(m.toolTip);
    if (widget_->toolTip() != tip) widget_->setToolTip(tip);
    SyncColours(m);
    SyncContent(m);
    firstSync_ = false;
}

QString ControlView::WithKeyHint(const std::string& tip) const {
    QString text = QString::fromStdString(tip);
    if (keyHint_.isEmpty()) return text;
    return text.isEmpty() ? keyHint_ : text + QStringLiteral(" (") + keyHint_ + QLatin1Char(')');
}

void ControlView::SyncAction(const ControlFace& m, bool withEnabled) {
    if (model_->kind == ControlKind::ToolButton) {
        action_->setToolTip(WithKeyHint(m.toolTip));
    } else {
        const QString text = QString::fromStdString(m.caption);
        if (action_->text() != text) action_->setText(text);
    }
    if (withEnabled && action_->isEnabled() != m.enabled) action_->setEnabled(m.enabled);
    if (action_->isVisible() != m.visible) action_->setVisible(m.visible);
    if (action_->isCheckable() != m.checkable) action_->setCheckable(m.checkable);
    if (m.checkable && action_->isChecked() != (m.value != 0)) action_->setChecked(m.value != 0);
}

void ControlView::SyncColours(const ControlFace& m) {
    if (!firstSync_ && m.foreColor == fore_ && m.backColor == back_) return;
    fore_ = m.foreColor;
    back_ = m.backColor;
    const bool defaultFore = m.foreColor == colour::ButtonText;
    const bool defaultBack = m.backColor == colour::ButtonFace;
    if (firstSync_ && defaultFore && defaultBack) return; // keep the platform's look

    const QPalette system = QApplication::palette();
    QPalette pal = system;
    const QColor fore = ToQColor(m.foreColor, system);
    for (auto group : {QPalette::Active, QPalette::Inactive})
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            pal.setColor(group, role, fore);
    if (!defaultBack) {
        const QColor back = ToQColor(m.backColor, system);
        for (auto role : {QPalette::Window, QPalette::Button})
            pal.setColor(role, back);
    }
    widget_->setAutoFillBackground(!defaultBack);
    widget_->setPalette(pal);
}

void ControlView::SyncContent(const ControlFace& m) {
    const QString caption = QString::fromStdString(m.caption);
    QSignalBlocker block(widget_);
    switch (model_->kind) {
    case ControlKind::Frame:
        if (As<QGroupBox>(widget_)->title() != caption) As<QGroupBox>(widget_)->setTitle(caption);
        break;
    case ControlKind::Label:
    case ControlKind::StatusPanel:
        As<QLabel>(widget_)->setText(caption); // QLabel ignores an unchanged text
        break;
    case ControlKind::Button: {
        QString shown = caption;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (!mnemonic_.isNull())
            if (const qsizetype at = shown.indexOf(mnemonic_, 0, Qt::CaseInsensitive); at >= 0)
                shown.insert(at, QLatin1Char('&'));
        if (As<QPushButton>(widget_)->text() != shown) As<QPushButton>(widget_)->setText(shown);
        break;
    }
    case ControlKind::OptionButton: {
        auto* option = As<QRadioButton>(widget_);
        if (option->text() != caption) option->setText(caption);
        option->setChecked(m.value != 0);
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = As<QCheckBox>(widget_);
        if (box->text() != caption) box->setText(caption);
        box->setTristate(m.value == 2);
        box->setCheckState(m.value == 0   ? Qt::Unchecked
                           : m.value == 1 ? Qt::Checked
                                          : Qt::PartiallyChecked);
        break;
    }
    case ControlKind::TextBox:
        SyncTextBox(m);
        break;
    case ControlKind::ListBox:
        SyncList(m);
        break;
    case ControlKind::ScrollBar:
    case ControlKind::Slider: {
        auto* slider = As<QAbstractSlider>(widget_);
        // A thumb the operator holds is not pulled from under the mouse.
        if (slider->isSliderDown()) break;
        slider->setRange(m.min, std::max(m.min, m.max));
        slider->setValue(m.value);
        // A click in the scroll bar's track moves a sixteenth of the pages.
        if (model_->kind == ControlKind::ScrollBar)
            slider->setPageStep(std::max(1, (slider->maximum() - slider->minimum() + 1) / 16));
        break;
    }
    case ControlKind::ProgressBar: {
        auto* bar = As<QProgressBar>(widget_);
        const int maximum = std::max(m.min, m.max);
        bar->setRange(m.min, maximum);
        bar->setValue(std::clamp(m.value, m.min, maximum));
        break;
    }
    case ControlKind::MenuItem:
    case ControlKind::ToolButton:
        break;
    }
}

void ControlView::SyncTextBox(const ControlFace& m) {
    const std::string& text = m.caption;
    if (!firstSync_ && text == shownText_) return;
    if (auto* line = qobject_cast<QLineEdit*>(widget_)) {
        line->setText(ToQText(text));
        shownText_ = text;
        return;
    }
    auto* box = As<TextBox>(widget_);
    const bool appended = !firstSync_ && !shownText_.empty() && text.size() > shownText_.size() &&
                          text.compare(0, shownText_.size(), shownText_) == 0;
    if (appended) {
        // The log only grows: add the new lines instead of rebuilding the whole text.
        QTextCursor end(box->document());
        end.movePosition(QTextCursor::End);
        end.insertText(ToQText(text.substr(shownText_.size())));
    } else {
        box->setPlainText(ToQText(text));
    }
    shownText_ = text;
    if (followEnd_) {
        box->moveCursor(QTextCursor::End);
        box->ensureCursorVisible();
    }
}

void ControlView::SyncList(const ControlFace& m) {
    auto* list = As<QComboBox>(widget_);
    if (firstSync_ || m.items != shownItems_ || m.itemsEnabled != shownEnabled_) {
        list->clear();
        for (const std::string& item : m.items)
            list->addItem(QString::fromStdString(item));
        // An entry that cannot be chosen looks it, and the keys pass over it.
        if (auto* items = qobject_cast<QStandardItemModel*>(list->model()))
            for (std::size_t i = 0; i < m.itemsEnabled.size() && i < m.items.size(); ++i)
                items->item(static_cast<int>(i))->setEnabled(m.itemsEnabled[i]);
        shownItems_ = m.items;
        shownEnabled_ = m.itemsEnabled;
    }
    list->setPlaceholderText(QString::fromStdString(m.listIndex < 0 ? m.caption : ""));
    if (list->currentIndex() != m.listIndex) list->setCurrentIndex(m.listIndex);
}

} // namespace quorbit::gui
