#include "gui/MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "app/App.h"
#include "app/Operations.h"
#include "app/Shell.h"
#include "buffers/Display.h"
#include "gui/AppIcon.h"
#include "gui/DisplayWindowView.h"
#include "gui/FormLayout.h"
#include "gui/QtDesktop.h"
#include "gui/Widgets.h"
#include "hw/StopRequest.h"

namespace quorbit::gui {
namespace {

/// Handlers on the window's thread repaint at most this often, except when a lamp
/// changes; an operation's published state is shown at the same pace.
constexpr qint64 kRepaintIntervalMs = 30;
constexpr int kPublishedIntervalMs = 40;
constexpr double kTwipsPerPixel = 15.0;
/// One notch of a mouse wheel.
constexpr int kWheelNotch = 120;

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
    const QString text =
        QStringLiteral("Port: ") + QString::fromStdString(app_.svc.port->Describe());
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
    if (app_.frmDisplay1.created && !displayWindow_)
        displayWindow_ = new DisplayWindowView(app_.frmDisplay1, this);
    if (displayWindow_) displayWindow_->Sync();
    const QString title = QString::fromStdString(app_.ui.Caption);
    if (windowTitle() != title) setWindowTitle(title);
    // Paging through the chip reads it from the board: it moves when the thumb is
    // let go, not at every step of a drag.
    PageBar()->setTracking(!ShowsDevicePage(app_));
    lampsShown_ = LampColours();
    sinceSync_.restart();
    lateSync_->stop();
}

std::array<std::uint32_t, 4> MainWindow::LampColours() const {
    const auto& ui = app_.ui;
    return {ui.Ready_label.foreColor, ui.Program_label.foreColor, ui.DataFlow_label.foreColor,
            ui.Error_label.foreColor};
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
    stopButton_->setEnabled(true);
    stopButton_->show();
    publishedTimer_->start(kPublishedIntervalMs);
    ShowPublished();
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
            {&ui.Ready_label, &published_.readyLamp},
            {&ui.Program_label, &published_.programLamp},
            {&ui.DataFlow_label, &published_.dataFlowLamp},
            {&ui.Error_label, &published_.errorLamp},
            {&ui.ProgressBar1, &published_.progressBar},
            {&ui.sbStatusBar[0], &published_.status},
            {&ui.BufferDisplay, &published_.page},
            {&ui.Frame3, &published_.pageFrame},
            {&ui.VScroll1, &published_.pageBar},
        };
        for (const auto& [control, face] : shown)
            if (ControlView* view = ViewOf(*control)) view->Show(*face, false);
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
    const double elapsed = static_cast<double>(operationClock_.elapsed()) / 1000.0;
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
    const double elapsed = static_cast<double>(operationClock_.elapsed()) / 1000.0;
    progressText_->setText(QStringLiteral("Last operation: ") +
                           QString::fromStdString(DurationText(elapsed)));
    UpdateClockPanels();
    UpdatePortPanel();
    LockControls(false);
    Sync();
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
    case Qt::Key_PageUp:
        action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_PageDown:
        action = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_Home:
        if (control) action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        if (control) action = QAbstractSlider::SliderToMaximum;
        break;
    case Qt::Key_Up: // past the first line: the page before
        if (line.blockNumber() == 0) action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Down: // past the last line: the next page
        if (!line.next().isValid()) action = QAbstractSlider::SliderSingleStepAdd;
        break;
    default:
        break;
    }
    if (action == QAbstractSlider::SliderNoAction) return false;
    if (bar->isEnabled()) bar->triggerAction(action);
    return true;
}

bool MainWindow::PageWheel(QWheelEvent* wheel) {
    QScrollBar* bar = PageBar();
    // A page per notch; a touchpad's small steps add up to notches.
    wheelAngle_ += wheel->angleDelta().y();
    while (std::abs(wheelAngle_) >= kWheelNotch) {
        const bool up = wheelAngle_ > 0;
        wheelAngle_ += up ? -kWheelNotch : kWheelNotch;
        if (bar->isEnabled())
            bar->triggerAction(up ? QAbstractSlider::SliderSingleStepSub
                                  : QAbstractSlider::SliderSingleStepAdd);
    }
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
    const QRect outer(pixels(r.left), pixels(r.top), pixels(r.width), pixels(r.height));
    const QSize frame = frameGeometry().size() - geometry().size();
    // Never smaller than the layout needs: every control stays in reach.
    resize((outer.size() - frame).expandedTo(minimumSizeHint()));
    move(outer.topLeft());
    // Before the window system has framed the window its frame is unknown: the
    // outer size is applied again once it is.
    pendingOuter_ = frame.isNull() ? outer : QRect();
    if (r.state == WindowState::Maximized) setWindowState(windowState() | Qt::WindowMaximized);
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
