#include "gui/MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "app/App.h"
#include "app/Operations.h"
#include "app/Shell.h"
#include "buffers/BinaryFiles.h"
#include "buffers/Display.h"
#include "gui/AppIcon.h"
#include "gui/DisplayWindowView.h"
#include "gui/FormLayout.h"
#include "gui/QtDesktop.h"
#include "gui/Widgets.h"
#include "hw/StopRequest.h"
#include "session/Startup.h"

namespace quorbit::gui {
namespace {

/// Handlers on the window's thread repaint at most this often, except when a lamp
/// changes; an operation's published state is shown at the same pace.
constexpr qint64 kRepaintIntervalMs = 30;
constexpr int kPublishedIntervalMs = 40;
constexpr double kTwipsPerPixel = 15.0;
/// One notch of a mouse wheel.
constexpr int kWheelNotch = 120;
constexpr int kPageLines = 16; // the lines of a page of pageScrollBar

bool IsLamp(const std::string& name) {
    return name == "Ready_label" || name == "Program_label" || name == "DataFlow_label" ||
           name == "Error_label";
}

QFont Bold(QFont font, double scale = 1.0) {
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(true);
    return font;
}

/// Controls an operator acts on: locked while an operation runs.
bool ActsOnTheCore(const Control& control) {
    switch (control.kind) {
    case ControlKind::Button:
    case ControlKind::OptionButton:
    case ControlKind::CheckBox:
    case ControlKind::ListBox:
    case ControlKind::ScrollBar:
    case ControlKind::Slider:
    case ControlKind::MenuItem:
    case ControlKind::ToolButton:
        return true;
    case ControlKind::TextBox: // the typed ones; the log and the page only show text
        return control.name == "PortSelected" || control.name == "GoToAddress";
    case ControlKind::Label: // the file names open a file dialog
        return control.name == "FileNameCodeText" || control.name == "FileNameDataText";
    default:
        return false;
    }
}

/// The keys of the commands, on their menu items; the buttons and tool bar buttons
/// that run the same command name the key in their tool tips. The platform's own
/// keys for a standard command work too.
struct CommandKey {
    const char* item;
    QKeySequence keys;
    std::optional<QKeySequence::StandardKey> standard;
    std::vector<const char*> buttons;
};

const std::vector<CommandKey>& CommandKeys() {
    static const std::vector<CommandKey> keys = {
        {"mnuFileOpenCode",
         QKeySequence(Qt::CTRL | Qt::Key_O),
         QKeySequence::Open,
         {"tbToolBar(1)"}},
        {"mnuFileSaveCode",
         QKeySequence(Qt::CTRL | Qt::Key_S),
         QKeySequence::Save,
         {"tbToolBar(2)"}},
        {"mnuFileSaveCodeAs",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
         QKeySequence::SaveAs,
         {}},
        {"mnuFileExit", QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence::Quit, {}},
        {"mnuHelpContents", QKeySequence(Qt::Key_F1), QKeySequence::HelpContents, {}},
        {"menuNextDifference", QKeySequence(Qt::Key_F3), std::nullopt, {}},
        {"menuPreviousDifference", QKeySequence(Qt::SHIFT | Qt::Key_F3), std::nullopt, {}},
        {"menuDisplayCode", QKeySequence(Qt::Key_F4), std::nullopt, {"Display_button"}},
        {"menuReadCode", QKeySequence(Qt::Key_F5), std::nullopt, {"Read_button"}},
        {"menuBlankCheck", QKeySequence(Qt::Key_F6), std::nullopt, {"Blank_button"}},
        {"menuVerifyCode", QKeySequence(Qt::Key_F7), std::nullopt, {"Verify_button"}},
        {"menuProgramCode", QKeySequence(Qt::Key_F8), std::nullopt, {"Program_button"}},
        {"menuEraseFlash", QKeySequence(Qt::Key_F9), std::nullopt, {"EraseFlash_button"}},
    };
    return keys;
}

/// The Alt letter of each button (none of the menu bar's F, T, C, S and H).
const std::map<std::string, QChar>& ButtonMnemonics() {
    static const std::map<std::string, QChar> letters = {
        {"TestHardware_button", QLatin1Char('o')}, {"Read_button", QLatin1Char('R')},
        {"Blank_button", QLatin1Char('B')},        {"Display_button", QLatin1Char('D')},
        {"Program_button", QLatin1Char('P')},      {"Verify_button", QLatin1Char('V')},
        {"Erase_button", QLatin1Char('E')},        {"EraseFlash_button", QLatin1Char('i')},
        {"Show_button", QLatin1Char('w')},         {"Command1", QLatin1Char('m')},
    };
    return letters;
}

/// What a screen reader says for the controls whose caption does not tell it.
const std::map<std::string, const char*>& AccessibleNames() {
    static const std::map<std::string, const char*> names = {
        {"BufferDisplay", "Hex and ASCII page"},
        {"SystemLog", "System log"},
        {"Ready_label", "Ready lamp"},
        {"Program_label", "Program lamp"},
        {"DataFlow_label", "Data flow lamp"},
        {"Error_label", "Error lamp"},
        {"ProgressBar1", "Progress"},
        {"ProgressText", "Progress of the running operation"},
        {"VScroll1", "Page"},
        {"Slider1", "Speed"},
        {"Device", "Device"},
        {"GoToAddress", "Go to address"},
        {"PortSelected", "Port address"},
    };
    return names;
}

/// Left to right, top to bottom as the window reads: the device list first, the
/// commands after the options they use, then the page and the log.
const std::vector<const char*>& TabOrder() {
    static const std::vector<const char*> order = {
        "Device",
        "TestHardware_button",
        "LPTSelection(0)",
        "LPTSelection(1)",
        "LPTSelection(2)",
        "PortSelected",
        "Voltage_button(0)",
        "Voltage_button(1)",
        "Voltage_button(2)",
        "Voltage_button(3)",
        "CheckBlankPriorProgramming",
        "VerifyAfterProgramming",
        "HiLow_button(0)",
        "HiLow_button(1)",
        "HiLow_button(2)",
        "CheckCode",
        "CheckData",
        "Slider1",
        "Read_button",
        "Blank_button",
        "Display_button",
        "Program_button",
        "Verify_button",
        "Erase_button",
        "EraseFlash_button",
        "Show_button",
        "Command1",
        "Stop_button",
        "GoToAddress",
        "BufferDisplay",
        "SystemLog",
    };
    return order;
}

/// The colours of the marked bytes: every differing one, and the range the jump
/// keys showed last.
const QColor kDifferent(255, 200, 200);
const QColor kDifferentShown(255, 140, 60);

QWidget* CreateLabel(const Control& control, QWidget* parent) {
    const std::string& name = control.name;
    const bool path = name == "FileNameCodeText" || name == "FileNameDataText";
    auto* label = path ? new ElidedLabel(parent) : new ClickableLabel(parent);
    label->setTextFormat(Qt::PlainText);
    if (IsLamp(name)) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(Bold(label->font()));
        label->setMargin(2);
    } else if (name == "PleaseSelect") {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setFont(Bold(label->font(), 1.6));
    } else if (name == "QuorbitHardwareFound") {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFont(Bold(label->font()));
    } else if (name == "FileNameCodeText" || name == "FileNameDataText") {
        QFont font = label->font();
        font.setUnderline(true);
        label->setFont(font);
        label->setCursor(Qt::PointingHandCursor);
    } else if (name == "FileNameCodeSize" || name == "FileNameDataSize") {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return label;
}

QWidget* CreateTextBox(const Control& control, QWidget* parent) {
    if (control.name == "PortSelected" || control.name == "GoToAddress") {
        // Typed by the operator: the port box's fourth choice (a card's base), or
        // the address whose page to show. Wide enough for a base or an address.
        auto* line = new QLineEdit(parent);
        // Two characters more for the frame and its padding.
        const int columns = control.name == "PortSelected" ? 6 + 2 : 9 + 2;
        line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QString(columns, 'D')));
        line->setMaximumWidth(line->minimumWidth() * 2);
        if (control.name == "PortSelected") line->setAlignment(Qt::AlignCenter);
        return line;
    }
    if (control.name == "BufferDisplay") return new HexPageBox(parent);
    auto* box = new TextBox(parent);
    // Log lines are wrapped, not cut: no sideways scrolling to read a line. At least
    // eight lines are in view at the window's smallest.
    if (control.name == "SystemLog") {
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box->SetMinimumLines(8);
    }
    return box;
}

/// A box of the view's own that holds controls in a grid; Shape2, the panel the
/// lamps sit in, is sunken.
QWidget* CreateBox(const char* name, QWidget* parent) {
    auto* box = new QFrame(parent);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    if (std::string_view(name) == "Shape2") {
        box->setFrameStyle(QFrame::Box | QFrame::Sunken);
        box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        grid->setContentsMargins(2, 2, 2, 2);
        grid->setSpacing(2);
    }
    return box;
}

/// The grid of a frame or box, made with the frame's first control.
QGridLayout* GridOf(QWidget* widget) {
    if (auto* grid = qobject_cast<QGridLayout*>(widget->layout())) return grid;
    auto* grid = new QGridLayout(widget);
    const int inner = std::max(4, widget->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing));
    grid->setContentsMargins(inner, inner / 2, inner, inner / 2);
    return grid;
}

} // namespace

MainWindow::MainWindow(App& app, QWidget* parent)
    : QMainWindow(parent), app_(app), runner_(std::make_unique<OperationRunner>(app)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(AppIcon());
    setContextMenuPolicy(Qt::NoContextMenu); // no tool bar hiding menu
    desktop_ = std::make_unique<QtDesktop>(app, this);
    app_.svc.refresher = this;
    app_.svc.desktop = desktop_.get();
    app_.svc.operations = runner_.get();
    // The operation's last act, on its thread: the window takes the state back on its own.
    runner_->onFinished = [this] {
        QMetaObject::invokeMethod(this, &MainWindow::EndOperation, Qt::QueuedConnection);
    };
    // File > Exit closes the window once the menu handler has returned.
    app_.onCloseRequest = [this] {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    };

    BuildMenus();
    BuildToolBar();
    BuildCanvas();
    BuildStatusBar();
    BuildKeys();
    setAcceptDrops(true); // an image file dropped on the window is opened

    clockTimer_ = new QTimer(this);
    connect(clockTimer_, &QTimer::timeout, this, [this] {
        UpdateClockPanels();
        UpdatePortPanel();
        Sync();
    });
    clockTimer_->start(1000);
    lateSync_ = new QTimer(this);
    lateSync_->setSingleShot(true);
    connect(lateSync_, &QTimer::timeout, this, &MainWindow::Sync);
    publishedTimer_ = new QTimer(this);
    connect(publishedTimer_, &QTimer::timeout, this, &MainWindow::ShowPublished);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &MainWindow::StopOperation);
    UpdateClockPanels();
    UpdatePortPanel();
    Sync();
}

MainWindow::~MainWindow() {
    if (runner_->Running()) {
        // The operation may be waiting for the window's thread (a message box): it
        // is served until the stop is taken up.
        runner_->Stop();
        while (runner_->Running())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    runner_->Join();
    app_.svc.operations = nullptr;
    app_.svc.refresher = nullptr;
    app_.svc.desktop = nullptr;
    app_.onCloseRequest = nullptr;
}

void MainWindow::BuildKeys() {
    for (const CommandKey& key : CommandKeys()) {
        QList<QKeySequence> keys{key.keys};
        if (key.standard)
            for (const QKeySequence& more : QKeySequence::keyBindings(*key.standard))
                if (!keys.contains(more)) keys << more;
        ControlAction(key.item)->setShortcuts(keys);
        const QString hint = key.keys.toString(QKeySequence::NativeText);
        for (const char* button : key.buttons)
            if (ControlView* view = ViewOf(*app_.ui.Find(button))) view->SetKeyHint(hint);
    }
    for (const auto& [name, letter] : ButtonMnemonics())
        if (ControlView* view = ViewOf(*app_.ui.Find(name))) view->SetMnemonic(letter);
    for (const auto& [name, text] : AccessibleNames())
        if (QWidget* widget = ControlWidget(name))
            widget->setAccessibleName(QString::fromLatin1(text));
    QWidget* previous = nullptr;
    for (const char* name : TabOrder()) {
        QWidget* widget = ControlWidget(name);
        if (previous && widget) setTabOrder(previous, widget);
        if (widget) previous = widget;
    }
    // Arrow keys move within an option group, Tab from one group to the next.
    for (auto group : {app_.ui.LPTGroup(), app_.ui.VoltageGroup(), app_.ui.HiLowGroup()})
        for (Control* option : group)
            ControlWidget(option->name)->installEventFilter(this);
}

void MainWindow::FixOptionFocus() {
    for (auto group : {app_.ui.LPTGroup(), app_.ui.VoltageGroup(), app_.ui.HiLowGroup()}) {
        const auto chosen = std::find_if(group.begin(), group.end(), [](const Control* option) {
            return option->enabled && option->selected();
        });
        const auto usable = std::find_if(group.begin(), group.end(),
                                         [](const Control* option) { return option->enabled; });
        const auto tabStop = chosen != group.end() ? chosen : usable;
        QWidget* stop = tabStop != group.end() ? ControlWidget((*tabStop)->name) : nullptr;
        for (Control* option : group) {
            QWidget* widget = ControlWidget(option->name);
            const Qt::FocusPolicy policy = widget == stop ? Qt::StrongFocus : Qt::ClickFocus;
            if (widget->focusPolicy() != policy) widget->setFocusPolicy(policy);
        }
    }
}

bool MainWindow::OptionKey(QObject* watched, QKeyEvent* key) {
    int step = 0;
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        step = 1;
        break;
    default:
        return false;
    }
    for (auto group : {app_.ui.LPTGroup(), app_.ui.VoltageGroup(), app_.ui.HiLowGroup()}) {
        const auto at = std::find_if(group.begin(), group.end(), [&](Control* option) {
            return ControlWidget(option->name) == watched;
        });
        if (at == group.end()) continue;
        // The next option that can be chosen, as a click on it would choose it.
        const auto count = static_cast<std::ptrdiff_t>(group.size());
        for (std::ptrdiff_t i = at - group.begin() + step; i >= 0 && i < count; i += step) {
            auto* next =
                static_cast<QRadioButton*>(ControlWidget(group[static_cast<std::size_t>(i)]->name));
            if (!next->isEnabled() || next->isHidden()) continue;
            next->setFocus(Qt::TabFocusReason);
            next->click();
            break;
        }
        return true;
    }
    return false;
}

QString MainWindow::DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile()) return {};
    return url.toLocalFile();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!operationShown_ && !busy_ && !DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    const std::string file = path.toStdString();
    Forward(
        [this, &file] { app_.RunGuarded([&file](App& app) { OpenCodeFileNamed(app, file); }); });
}

void MainWindow::BuildCanvas() {
    canvas_ = new QWidget(this);
    canvas_->setObjectName(QStringLiteral("ControlArea"));
    setCentralWidget(canvas_);
    auto* area = new QGridLayout(canvas_);
    std::map<std::string, QWidget*> boxes{{"", canvas_}};
    for (const Placement& place : MainFormLayout()) {
        QWidget* parent =
            boxes.count(place.parent) ? boxes.at(place.parent) : widgets_.at(place.parent);
        QWidget* widget = nullptr;
        if (IsLayoutBox(place.name)) {
            widget = CreateBox(place.name, parent);
            boxes[place.name] = widget;
            // The controls keep their size; the page and the log take what the
            // window gains.
            if (std::string_view(place.name) == "LeftColumn")
                widget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        } else if (Control* control = app_.ui.Find(place.name)) {
            widget = CreateWidget(*control, parent);
            views_.emplace_back(*control, widget);
            if (control == &app_.ui.SystemLog) views_.back().FollowEnd();
            ConnectWidget(*control, widget);
        } else {
            widget = CreateOwnWidget(place.name, parent);
        }
        widget->setObjectName(QString::fromLatin1(place.name));
        // The voltage and option frames appear in the prompt's place once a device is
        // chosen: their room is kept, so that the window does not change size then.
        if (std::string_view(place.name) == "FrameVoltageSelection" ||
            std::string_view(place.name) == "Frame5") {
            QSizePolicy keep = widget->sizePolicy();
            keep.setRetainSizeWhenHidden(true);
            widget->setSizePolicy(keep);
        }
        QGridLayout* grid = parent == canvas_ ? area : GridOf(parent);
        grid->addWidget(widget, place.row, place.column, place.rowSpan, place.columnSpan);
        widgets_[place.name] = widget;
    }
    for (const Stretch& stretch : MainFormStretch()) {
        QWidget* box = boxes.count(stretch.box) ? boxes.at(stretch.box) : widgets_.at(stretch.box);
        QGridLayout* grid = box == canvas_ ? area : GridOf(box);
        if (stretch.row)
            grid->setRowStretch(stretch.index, stretch.factor);
        else
            grid->setColumnStretch(stretch.index, stretch.factor);
    }
    page_ = static_cast<HexPageBox*>(widgets_.at("BufferDisplay"));
    // A taller page shows more lines.
    connect(page_, &HexPageBox::linesThatFitChanged, this, &MainWindow::FitPageLines);
    // The wheel and the paging keys over the page move through the buffer.
    page_->installEventFilter(this);
    page_->viewport()->installEventFilter(this);
}

QWidget* MainWindow::CreateOwnWidget(const std::string& name, QWidget* parent) {
    if (name == "Stop_button") {
        stopButton_ = new QPushButton(QStringLiteral("Stop"), parent);
        stopButton_->setToolTip(QStringLiteral("Stop the running operation (Esc): the board is "
                                               "reset and its voltages switched off"));
        stopButton_->setAutoDefault(false);
        stopButton_->setFont(Bold(stopButton_->font()));
        // Shown only while an operation runs; the row keeps its height meanwhile.
        QSizePolicy keep = stopButton_->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        stopButton_->setSizePolicy(keep);
        stopButton_->hide();
        connect(stopButton_, &QPushButton::clicked, this, &MainWindow::StopOperation);
        return stopButton_;
    }
    progressText_ = new ElidedLabel(parent); // ProgressText: never widens the window
    progressText_->setTextFormat(Qt::PlainText);
    // Never empty, so that the row keeps its height when nothing runs.
    progressText_->setText(QStringLiteral(" "));
    return progressText_;
}

QWidget* MainWindow::CreateWidget(Control& control, QWidget* parent) {
    switch (control.kind) {
    case ControlKind::Frame:
        return new QGroupBox(parent);
    case ControlKind::Label:
        return CreateLabel(control, parent);
    case ControlKind::Button: {
        auto* button = new QPushButton(parent);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::OptionButton: {
        auto* option = new QRadioButton(parent);
        option->setAutoExclusive(false); // the model decides; it may clear them all
        return option;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(parent);
    case ControlKind::TextBox:
        return CreateTextBox(control, parent);
    case ControlKind::ListBox: {
        auto* list = new QComboBox(parent);
        list->setMaxVisibleItems(20);
        list->view()->setMinimumWidth(240); // whole catalog names in the drop-down
        return list;
    }
    case ControlKind::ScrollBar: // the page follows the thumb as it is dragged
        return new QScrollBar(Qt::Vertical, parent);
    case ControlKind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setTracking(false);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(1);
        slider->setPageStep(5);
        return slider;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::MenuItem:
    case ControlKind::ToolButton:
    case ControlKind::StatusPanel:
        break;
    }
    return new QWidget(parent);
}

void MainWindow::ConnectWidget(Control& c, QWidget* widget) {
    auto fire = [this](const std::function<void()>& handler) {
        Forward([&handler] { Fire(handler); });
    };
    switch (c.kind) {
    case ControlKind::Button:
        connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
                [&c, fire] { fire(c.onClick); });
        break;
    case ControlKind::Label: {
        auto* label = static_cast<ClickableLabel*>(widget);
        connect(label, &ClickableLabel::clicked, this, [&c, fire] { fire(c.onClick); });
        connect(label, &ClickableLabel::doubleClicked, this, [&c, fire] { fire(c.onDblClick); });
        break;
    }
    case ControlKind::OptionButton:
        connect(static_cast<QRadioButton*>(widget), &QRadioButton::clicked, this, [this, &c] {
            Forward([this, &c] {
                std::vector<Control*> group = OptionGroup(c);
                const auto at = std::find(group.begin(), group.end(), &c);
                if (at != group.end())
                    SetOption(group, static_cast<std::size_t>(at - group.begin()), true);
            });
        });
        break;
    case ControlKind::CheckBox:
        connect(static_cast<QCheckBox*>(widget), &QCheckBox::clicked, this,
                [this, &c](bool checked) {
                    Forward([&c, checked] {
                        SetCheck(c, checked ? 1 : 0);
                        Fire(c.onClick);
                    });
                });
        break;
    case ControlKind::TextBox:
        if (auto* box = qobject_cast<TextBox*>(widget))
            connect(box, &TextBox::doubleClicked, this, [&c, fire] { fire(c.onDblClick); });
        if (auto* line = qobject_cast<QLineEdit*>(widget); line && c.onCommit)
            // Enter or leaving the box: an edit the operator left is never ignored.
            connect(line, &QLineEdit::editingFinished, this, [this, &c, line] {
                if (!line->isModified()) return;
                line->setModified(false);
                const std::string typed = line->text().trimmed().toStdString();
                Forward([&c, typed] {
                    c.caption = typed;
                    Fire(c.onCommit);
                });
                // The base chosen, or the one kept; an operation that took the state
                // shows it when it ends.
                if (!operationShown_) line->setText(ToQText(c.caption));
            });
        break;
    case ControlKind::ListBox:
        connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this,
                [this, &c](int index) { Forward([&c, index] { SetListIndex(c, index); }); });
        break;
    case ControlKind::ScrollBar:
    case ControlKind::Slider:
        connect(static_cast<QAbstractSlider*>(widget), &QAbstractSlider::valueChanged, this,
                [this, &c](int value) { Forward([&c, value] { SetPosition(c, value); }); });
        break;
    default:
        break;
    }
}

std::vector<Control*> MainWindow::OptionGroup(const Control& option) const {
    for (auto group : {app_.ui.LPTGroup(), app_.ui.VoltageGroup(), app_.ui.HiLowGroup()})
        if (std::find(group.begin(), group.end(), &option) != group.end()) return group;
    return {};
}

void MainWindow::BindAction(Control& control, QAction* action) {
    action->setObjectName(QString::fromStdString(control.name));
    actions_[control.name] = action;
    views_.emplace_back(control, action);
}

void MainWindow::BuildMenus() {
    menuBar()->setObjectName(QStringLiteral("MenuBar"));
    const auto& entries = MainMenuLayout();
    QMenu* top = nullptr;
    QMenu* sub = nullptr;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = entries[i];
        QMenu* into = entry.level == 2 ? sub : top;
        if (std::string(entry.name) == "-") {
            into->addSeparator();
            continue;
        }
        Control& control = *app_.ui.Find(entry.name);
        const QString caption = QString::fromStdString(control.caption);
        const bool opensSubmenu =
            entry.level == 1 && i + 1 < entries.size() && entries[i + 1].level == 2;
        if (entry.level == 0 || opensSubmenu) {
            QMenu* menu = entry.level == 0 ? menuBar()->addMenu(caption) : into->addMenu(caption);
            BindAction(control, menu->menuAction());
            // A menu's click runs as it opens (the Setup menu refreshes its items).
            connect(menu, &QMenu::aboutToShow, this,
                    [this, &control] { Forward([&control] { Fire(control.onClick); }); });
            (entry.level == 0 ? top : sub) = menu;
            continue;
        }
        QAction* action = into->addAction(caption);
        BindAction(control, action);
        connect(action, &QAction::triggered, this,
                [this, &control] { Forward([&control] { Fire(control.onClick); }); });
    }
}

void MainWindow::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("tbToolBar"));
    bar->setObjectName(QStringLiteral("tbToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    // imlToolbarIcons: the "Open" and "Save" images.
    const QIcon open = style()->standardIcon(QStyle::SP_DialogOpenButton);
    const QIcon save = style()->standardIcon(QStyle::SP_DialogSaveButton);
    for (Control& button : app_.ui.tbToolBar) {
        if (button.key.empty()) {
            BindAction(button, bar->addSeparator());
            continue;
        }
        const bool opens = button.key.rfind("Open", 0) == 0;
        QAction* action = bar->addAction(opens ? open : save, QString::fromStdString(button.key));
        BindAction(button, action);
        connect(action, &QAction::triggered, this,
                [this, &button] { Forward([&button] { Fire(button.onClick); }); });
    }
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    auto panel = [bar](Control& control, int minimumWidth) {
        auto* label = new QLabel(bar);
        label->setObjectName(QString::fromStdString(control.name));
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(minimumWidth);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    auto& panels = app_.ui.sbStatusBar;
    QLabel* status = panel(panels[0], 100);
    status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bar->addWidget(status, 1);
    views_.emplace_back(panels[0], status);

    // A long port name (an external program's command line) is shortened, never
    // allowed to widen the window.
    portPanel_ = new ElidedLabel(bar);
    portPanel_->setObjectName(QStringLiteral("PortPanel"));
    portPanel_->setTextFormat(Qt::PlainText);
    portPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(portPanel_);
    for (std::size_t i = 1; i < panels.size(); ++i) {
        QLabel* label = panel(panels[i], 70);
        bar->addPermanentWidget(label);
        views_.emplace_back(panels[i], label);
    }
}

void MainWindow::SetPortNote(const QString& note) {
    portNote_ = note;
    UpdatePortPanel();
}

void MainWindow::UpdatePortPanel() {
    // The port belongs to a running operation; the panel is brought up to date as it ends.
    if (!app_.svc.port || operationShown_) return;
    // Said plainly: a real parallel port or the simulated board (and its socket).
    QString text = QStringLiteral("Port: ") + QString::fromStdString(app_.svc.port->Describe());
    if (app_.board.FastPort) text += QStringLiteral(", fast port access");
    if (portPanel_->text() != text) portPanel_->setText(text);
    // The whole description stays readable in the tool tip.
    const QString tip = portNote_.isEmpty() ? text : text + QLatin1Char('\n') + portNote_;
    if (portPanel_->toolTip() != tip) portPanel_->setToolTip(tip);
}

void MainWindow::UpdateClockPanels() {
    const std::string date = ShortDateText(app_), time = TimeOfDayText(app_);
    if (operationShown_) { // the model is the operation's: only the panels change
        static_cast<QLabel*>(ControlWidget("sbStatusBar(2)"))
            ->setText(QString::fromStdString(date));
        static_cast<QLabel*>(ControlWidget("sbStatusBar(3)"))
            ->setText(QString::fromStdString(time));
        return;
    }
    app_.ui.sbStatusBar[1].caption = date;
    app_.ui.sbStatusBar[2].caption = time;
}

void MainWindow::Forward(const std::function<void()>& action) {
    // One handler at a time, and none while an operation runs: a click made
    // meanwhile is refused, not queued.
    if (busy_ || operationShown_) return;
    busy_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{busy_};
    const std::uint64_t started = runner_->Started();
    action();
    if (runner_->Started() != started) {
        BeginOperation(); // the state is the operation's now
        return;
    }
    UpdatePortPanel();
    Sync();
}

void MainWindow::Sync() {
    if (operationShown_) {
        ShowPublished();
        return;
    }
    for (ControlView& view : views_)
        view.Sync();
    UpdatePortPanel(); // the fast port option is told beside the port
    if (app_.frmDisplay1.created && !displayWindow_)
        displayWindow_ = new DisplayWindowView(app_.frmDisplay1, this);
    if (displayWindow_) displayWindow_->Sync();
    const QString title = QString::fromStdString(WindowTitle(app_));
    if (windowTitle() != title) setWindowTitle(title);
    ShowDifferences();
    FixOptionFocus();
    // Paging through the chip reads it from the board: it moves when the thumb is
    // let go, not at every step of a drag.
    PageBar()->setTracking(!ShowsDevicePage(app_));
    lampsShown_ = LampColours();
    sinceSync_.restart();
    lateSync_->stop();
}

std::array<std::uint32_t, 4> MainWindow::LampColours() const {
    const auto& ui = app_.ui;
    return {ui.readyLamp.foreColor, ui.programLamp.foreColor, ui.dataFlowLamp.foreColor,
            ui.errorLamp.foreColor};
}

void MainWindow::Repaint() {
    if (operationShown_) return; // the operation publishes; the timer shows it
    const qint64 since = sinceSync_.isValid() ? sinceSync_.elapsed() : kRepaintIntervalMs;
    if (since < kRepaintIntervalMs && LampColours() == lampsShown_) {
        if (!lateSync_->isActive()) lateSync_->start(static_cast<int>(kRepaintIntervalMs - since));
        return;
    }
    Sync();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::ShowDifferences() {
    QList<QTextEdit::ExtraSelection> marks;
    for (const PageCell& cell : DifferingCellsOfPage(app_)) {
        const QTextBlock line = page_->document()->findBlockByNumber(cell.line);
        if (!line.isValid()) continue;
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(cell.current ? kDifferentShown : kDifferent);
        mark.format.setForeground(QColor(Qt::black));
        for (const auto& [column, length] : {std::pair{cell.hexColumn, 2}, {cell.textColumn, 1}}) {
            if (column + length > line.length() - 1) continue;
            mark.cursor = QTextCursor(line);
            mark.cursor.setPosition(line.position() + column);
            mark.cursor.setPosition(line.position() + column + length, QTextCursor::KeepAnchor);
            marks << mark;
        }
    }
    page_->setExtraSelections(marks);
}

// ---- A chip operation on its own thread -------------------------------------------

ControlView* MainWindow::ViewOf(const Control& control) {
    for (ControlView& view : views_)
        if (&view.model() == &control) return &view;
    return nullptr;
}

void MainWindow::LockControls(bool locked) {
    for (ControlView& view : views_) {
        if (!ActsOnTheCore(view.model())) continue;
        if (!locked) {
            view.Sync();
        } else if (view.action()) {
            view.action()->setEnabled(false);
        } else {
            view.widget()->setEnabled(false);
        }
    }
}

void MainWindow::BeginOperation() {
    operationShown_ = true;
    stopAsked_ = false;
    shownSerial_ = 0;
    estimate_ = ProgressEstimate();
    operationClock_.start();
    lateSync_->stop();
    LockControls(true);
    // The page shows what the operation publishes; its marks belong to the page before.
    page_->setExtraSelections({});
    stopButton_->setEnabled(true);
    publishedTimer_->start(kPublishedIntervalMs);
    ShowPublished();
}

double MainWindow::WorkingSeconds() const {
    // The time the operation's boxes waited for the operator is not its own.
    double asked = published_.secondsAsking;
    if (published_.askingOperator)
        asked +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - published_.askedAt)
                .count();
    return std::max(0.0, static_cast<double>(operationClock_.elapsed()) / 1000.0 - asked);
}

void MainWindow::ShowPublished() {
    if (!operationShown_) return;
    if (app_.published.Serial() != shownSerial_) {
        published_ = app_.published.Read();
        shownSerial_ = published_.serial;
        const auto& ui = app_.ui;
        // Only these change during an operation; every other control keeps what it
        // showed as the operation began.
        ControlFace log;
        log.caption = published_.log;
        const std::pair<const Control*, const ControlFace*> shown[] = {
            {&ui.SystemLog, &log},
            {&ui.readyLamp, &published_.readyLamp},
            {&ui.programLamp, &published_.programLamp},
            {&ui.dataFlowLamp, &published_.dataFlowLamp},
            {&ui.errorLamp, &published_.errorLamp},
            {&ui.progressBar, &published_.progressBar},
            {&ui.sbStatusBar[0], &published_.status},
            {&ui.BufferDisplay, &published_.page},
            {&ui.bufferFrame, &published_.pageFrame},
            {&ui.pageScrollBar, &published_.pageBar},
        };
        for (const auto& [control, face] : shown)
            if (ControlView* view = ViewOf(*control)) view->Show(*face, false);
        // Stop and the progress line belong to the work: not while a box of the
        // operation (its safety question) waits for the operator.
        stopButton_->setVisible(!published_.askingOperator);
        // The log box keeps its own tool tip (the published copy has none).
        if (ControlView* view = ViewOf(ui.SystemLog))
            view->widget()->setToolTip(QString::fromStdString(ui.SystemLog.toolTip));
    }
    ShowProgressText();
}

void MainWindow::ShowProgressText() {
    const ControlFace& bar = published_.progressBar;
    const double fraction =
        bar.max > bar.min ? double(bar.value - bar.min) / double(bar.max - bar.min) : 0.0;
    if (published_.askingOperator) {
        progressText_->setText(QStringLiteral(" "));
        return;
    }
    const double elapsed = WorkingSeconds();
    estimate_.Observe(fraction, elapsed);
    std::string text =
        published_.waitPhase.empty()
            ? ProgressLine(static_cast<int>(fraction * 100.0), published_.progressAddress, elapsed,
                           estimate_.SecondsLeft())
            : WaitLine(published_.waitPhase, published_.waitSeconds, elapsed);
    if (stopAsked_) text = "Stopping...  " + text;
    progressText_->setText(QString::fromStdString(text));
}

void MainWindow::StopOperation() {
    if (!operationShown_ || stopAsked_) return;
    stopAsked_ = true;
    runner_->Stop();
    stopButton_->setEnabled(false); // taken: the operation ends at its next board access
    ShowProgressText();
}

void MainWindow::EndOperation() {
    if (!operationShown_) return;
    runner_->Join();
    // A Stop that came as the operation ended found nothing to stop: it must not
    // end the next handler that touches the board.
    ClearStopRequest();
    publishedTimer_->stop();
    operationShown_ = false;
    stopButton_->hide();
    published_ = app_.published.Read();
    const double elapsed = WorkingSeconds();
    progressText_->setText(QStringLiteral("Last operation: ") +
                           QString::fromStdString(DurationText(elapsed)));
    UpdateClockPanels();
    UpdatePortPanel();
    LockControls(false);
    Sync();
    FitPageLines(); // the window may have changed size meanwhile
    if (closeWhenEnded_) close();
}

// ---- The hex page ---------------------------------------------------------------------

QScrollBar* MainWindow::PageBar() const {
    return static_cast<QScrollBar*>(widgets_.at("VScroll1"));
}

bool MainWindow::PageKey(QKeyEvent* key) {
    QScrollBar* bar = PageBar();
    const bool control = key->modifiers() & Qt::ControlModifier;
    const QTextBlock line = page_->textCursor().block();
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (key->key()) {
    case Qt::Key_PageUp: // a page of the bar, from the line in view
        return ScrollPage(-kPageLines);
    case Qt::Key_PageDown:
        return ScrollPage(kPageLines);
    case Qt::Key_Home:
        if (control) action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        if (control) action = QAbstractSlider::SliderToMaximum;
        break;
    case Qt::Key_Up: // past the first line: a line up
        if (line.blockNumber() == 0) return ScrollPage(-1);
        break;
    case Qt::Key_Down: // past the last line: a line down
        if (!line.next().isValid()) return ScrollPage(1);
        break;
    default:
        break;
    }
    if (action == QAbstractSlider::SliderNoAction) return false;
    if (bar->isEnabled()) bar->triggerAction(action);
    return true;
}

bool MainWindow::ScrollPage(int lines) {
    if (!PageBar()->isEnabled()) return true;
    // The caret stays on its line of the view, so that a held arrow key goes on.
    const QTextCursor caret = page_->textCursor();
    const int line = caret.blockNumber();
    const int column = caret.positionInBlock();
    Forward([this, lines] { ScrollDisplayLines(app_, lines); });
    const QTextBlock block = page_->document()->findBlockByNumber(line);
    if (block.isValid()) {
        QTextCursor back(block);
        back.setPosition(block.position() + std::min(column, block.length() - 1));
        page_->setTextCursor(back);
    }
    return true;
}

void MainWindow::FitPageLines() {
    if (busy_ || operationShown_ || page_->LinesThatFit() == app_.DisplayLines) return;
    Forward([this] { SetDisplayLines(app_, page_->LinesThatFit()); });
}

bool MainWindow::PageWheel(QWheelEvent* wheel) {
    // The desktop's lines per notch; a touchpad's small steps add up to notches.
    wheelAngle_ += wheel->angleDelta().y();
    const int notches = wheelAngle_ / kWheelNotch;
    wheelAngle_ -= notches * kWheelNotch;
    if (notches != 0) ScrollPage(-notches * QApplication::wheelScrollLines());
    return true;
}

QWidget* MainWindow::DisplayWindowWidget() const {
    return displayWindow_;
}

void MainWindow::Load() {
    app_.RunGuarded(Form_Load);
    if (layout()) layout()->activate();
    ApplyWindowRect();
    Sync();
}

void MainWindow::ApplyWindowRect() {
    const WindowRect& r = app_.ui.Window;
    auto pixels = [](double twips) {
        return static_cast<int>(std::lround(twips / kTwipsPerPixel));
    };
    const QRect outer =
        FitOnScreen(QRect(pixels(r.left), pixels(r.top), pixels(r.width), pixels(r.height)));
    const QSize frame = frameGeometry().size() - geometry().size();
    // Never smaller than the layout needs: every control stays in reach.
    resize((outer.size() - frame).expandedTo(minimumSizeHint()));
    move(outer.topLeft());
    // Before the window system has framed the window its frame is unknown: the
    // outer size is applied again once it is.
    pendingOuter_ = frame.isNull() ? outer : QRect();
    if (r.state == WindowState::Maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

QRect MainWindow::FitOnScreen(const QRect& outer) const {
    // The screen the rectangle's middle or its corner is on, else the window's: a
    // rectangle kept from a larger screen is shrunk and moved onto this one.
    const QScreen* screen = QGuiApplication::screenAt(outer.center());
    if (!screen) screen = QGuiApplication::screenAt(outer.topLeft());
    if (!screen) screen = this->screen();
    if (!screen) return outer;
    const QRect room = screen->availableGeometry();
    QRect fitted(outer.topLeft(), outer.size().boundedTo(room.size()));
    if (fitted.right() > room.right()) fitted.moveRight(room.right());
    if (fitted.bottom() > room.bottom()) fitted.moveBottom(room.bottom());
    if (fitted.left() < room.left()) fitted.moveLeft(room.left());
    if (fitted.top() < room.top()) fitted.moveTop(room.top());
    return fitted;
}

void MainWindow::StoreWindowRect() {
    WindowRect& r = app_.ui.Window;
    r.state = isMinimized()   ? WindowState::Minimized
              : isMaximized() ? WindowState::Maximized
                              : WindowState::Normal;
    if (r.state == WindowState::Minimized) return;
    const QRect outer = frameGeometry();
    r.left = outer.x() * kTwipsPerPixel;
    r.top = outer.y() * kTwipsPerPixel;
    r.width = outer.width() * kTwipsPerPixel;
    r.height = outer.height() * kTwipsPerPixel;
}

bool MainWindow::event(QEvent* e) {
    if (!pendingOuter_.isNull() && isVisible() && !isMaximized()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        if (!frame.isNull()) {
            const QSize outer = pendingOuter_.size();
            pendingOuter_ = QRect();
            resize((outer - frame).expandedTo(minimumSizeHint()));
        }
    }
    return QMainWindow::event(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && qobject_cast<QRadioButton*>(watched) &&
        OptionKey(watched, static_cast<QKeyEvent*>(e)))
        return true;
    if (watched == page_ || watched == page_->viewport()) {
        if (e->type() == QEvent::Wheel) return PageWheel(static_cast<QWheelEvent*>(e));
        if (e->type() == QEvent::KeyPress && PageKey(static_cast<QKeyEvent*>(e))) return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (operationShown_) {
        // The board is in the middle of a chip: it is stopped the safe way first.
        if (!closeWhenEnded_) {
            const auto answer = QMessageBox::question(
                this, windowTitle(),
                QStringLiteral("An operation is running on the board.\n\nStop it and close "
                               "the program? The board is reset and its voltages switched "
                               "off first."),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer == QMessageBox::Yes && operationShown_) {
                closeWhenEnded_ = true;
                StopOperation();
            }
        }
        // Closed when the operation has ended (at once, if it ended meanwhile).
        if (operationShown_ || !closeWhenEnded_) {
            event->ignore();
            return;
        }
    }
    if (busy_) { // a handler on the window's thread runs: it ends first
        event->ignore();
        return;
    }
    if (!unloaded_) {
        StoreWindowRect();
        Form_Unload(app_);
        if (displayWindow_) displayWindow_->Sync(); // the core closed frmDisplay1
        desktop_->CloseWindows();
        clockTimer_->stop();
        unloaded_ = true;
    }
    event->accept();
}

QWidget* MainWindow::ControlWidget(const std::string& name) const {
    const auto it = widgets_.find(name);
    if (it != widgets_.end()) return it->second;
    return findChild<QWidget*>(QString::fromStdString(name));
}

QAction* MainWindow::ControlAction(const std::string& name) const {
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

} // namespace quorbit::gui
