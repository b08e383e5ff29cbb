#include "gui/MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "app/App.h"
#include "app/Shell.h"
#include "gui/AppIcon.h"
#include "gui/DisplayWindowView.h"
#include "gui/FormLayout.h"
#include "gui/QtDesktop.h"
#include "gui/Widgets.h"

namespace quorbit::gui {
namespace {

/// Long operations repaint at most this often, except when a lamp changes.
constexpr qint64 kRepaintIntervalMs = 30;
constexpr double kTwipsPerPixel = 15.0;

bool IsLamp(const std::string& name) {
    return name == "Ready_label" || name == "Program_label" || name == "DataFlow_label" ||
           name == "Error_label";
}

QFont PixelFont(QFont font, int pixels, bool bold = false) {
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

/// The buffer display's font, or the platform's fixed-pitch font in its place.
QFont DisplayFont() {
    QFont font(QStringLiteral("Monospac821 BT"));
    font.setStyleHint(QFont::TypeWriter);
    if (!font.exactMatch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    return font;
}

// A page of the display: 16 lines, the widest (a device listing) 75 characters.
constexpr int kPageLines = 16;
constexpr int kPageColumns = 75;

bool PageFits(const QPlainTextEdit* box, const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal margins = 2 * (box->document()->documentMargin() + box->frameWidth());
    // The widest glyph, so any text of a line fits, and room for the cursor.
    const qreal width = kPageColumns * metrics.horizontalAdvance(QLatin1Char('W')) + margins + 2;
    const qreal height = kPageLines * std::ceil(metrics.lineSpacing()) + margins;
    return width <= box->width() && height <= box->height();
}

/// The largest size of the font actually found at which a whole page fits the box;
/// the box has no scroll bars of its own (VScroll1 pages through the buffer).
void FitPageToBox(QPlainTextEdit* box) {
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font = box->font();
    int pixels = font.pixelSize() > 0 ? font.pixelSize() : 11;
    for (; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (PageFits(box, font)) break;
    }
    font.setPixelSize(pixels);
    box->setFont(font);
}

QWidget* CreateLabel(const Control& control, QWidget* parent) {
    auto* label = new ClickableLabel(parent);
    label->setTextFormat(Qt::PlainText);
    const std::string& name = control.name;
    if (IsLamp(name)) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(PixelFont(label->font(), 10, true));
    } else if (name == "PleaseSelect") {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setFont(PixelFont(label->font(), 22, true));
    } else if (name == "QuorbitHardwareFound") {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFont(PixelFont(label->font(), 11, true));
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
    if (control.name == "PortSelected") {
        auto* line = new QLineEdit(parent); // the port box's fourth choice: a typed base
        line->setAlignment(Qt::AlignCenter);
        return line;
    }
    auto* box = new TextBox(parent);
    if (control.name == "BufferDisplay") box->setFont(DisplayFont());
    // Log lines are wrapped, not cut: the box is narrow and has no room for a
    // horizontal bar. The hex display keeps its columns.
    if (control.name == "SystemLog") box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return box;
}

/// Shape2: the panel the lamps sit in.
QWidget* CreateDecoration(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return frame;
}

} // namespace

MainWindow::MainWindow(App& app, QWidget* parent) : QMainWindow(parent), app_(app) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(AppIcon());
    setContextMenuPolicy(Qt::NoContextMenu); // no tool bar hiding menu
    desktop_ = std::make_unique<QtDesktop>(app, this);
    app_.svc.refresher = this;
    app_.svc.desktop = desktop_.get();
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
    UpdateClockPanels();
    UpdatePortPanel();
    Sync();
}

MainWindow::~MainWindow() {
    app_.svc.refresher = nullptr;
    app_.svc.desktop = nullptr;
    app_.onCloseRequest = nullptr;
}

void MainWindow::BuildCanvas() {
    canvas_ = new QWidget(this);
    canvas_->setObjectName(QStringLiteral("ControlArea"));
    canvas_->setMinimumSize(kDesignWidth, kCanvasHeight);
    canvas_->setFont(PixelFont(canvas_->font(), 11));
    setCentralWidget(canvas_);
    for (const Placement& place : MainFormLayout()) {
        QWidget* parent = *place.parent ? widgets_.at(place.parent) : canvas_;
        QWidget* widget = nullptr;
        if (Control* control = app_.ui.Find(place.name)) {
            widget = CreateWidget(*control, parent);
            views_.emplace_back(*control, widget);
            if (control == &app_.ui.SystemLog) views_.back().FollowEnd();
            ConnectWidget(*control, widget);
        } else {
            widget = CreateDecoration(parent);
        }
        widget->setObjectName(QString::fromLatin1(place.name));
        widget->setGeometry(place.x, place.y, place.width, place.height);
        if (std::string_view(place.name) == "BufferDisplay")
            FitPageToBox(static_cast<QPlainTextEdit*>(widget));
        widgets_[place.name] = widget;
    }
    canvas_->installEventFilter(this);
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
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(parent);
        // The two option captions are long for the narrow column.
        if (control.name == "CheckBlankPriorProgramming" ||
            control.name == "VerifyAfterProgramming")
            box->setFont(PixelFont(box->font(), 10));
        return box;
    }
    case ControlKind::TextBox:
        return CreateTextBox(control, parent);
    case ControlKind::ListBox: {
        auto* list = new QComboBox(parent);
        list->setMaxVisibleItems(20);
        list->view()->setMinimumWidth(240); // whole catalog names in the drop-down
        return list;
    }
    case ControlKind::ScrollBar: {
        auto* bar = new QScrollBar(Qt::Vertical, parent);
        bar->setTracking(false); // a change is reported when the thumb is let go
        return bar;
    }
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
                line->setText(ToQText(c.caption)); // the base chosen, or the one kept
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
    bar->setFixedHeight(kToolBarHeight);
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
    bar->setFixedHeight(kStatusBarHeight);
    bar->setFont(PixelFont(bar->font(), 11));
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
    // allowed to widen the window past its design size.
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
    if (!app_.svc.port) return;
    // Said plainly: a real parallel port or the simulated board (and its socket).
    const QString text =
        QStringLiteral("Port: ") + QString::fromStdString(app_.svc.port->Describe());
    if (portPanel_->text() != text) portPanel_->setText(text);
    // The whole description stays readable in the tool tip.
    const QString tip = portNote_.isEmpty() ? text : text + QLatin1Char('\n') + portNote_;
    if (portPanel_->toolTip() != tip) portPanel_->setToolTip(tip);
}

void MainWindow::UpdateClockPanels() {
    app_.ui.sbStatusBar[1].caption = ShortDateText(app_);
    app_.ui.sbStatusBar[2].caption = TimeOfDayText(app_);
}

void MainWindow::Forward(const std::function<void()>& action) {
    // One handler at a time: a long operation finishes before the next click counts.
    if (busy_) return;
    busy_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{busy_};
    action();
    UpdatePortPanel();
    Sync();
}

void MainWindow::Sync() {
    for (ControlView& view : views_)
        view.Sync();
    if (app_.frmDisplay1.created && !displayWindow_)
        displayWindow_ = new DisplayWindowView(app_.frmDisplay1, this);
    if (displayWindow_) displayWindow_->Sync();
    const QString title = QString::fromStdString(app_.ui.Caption);
    if (windowTitle() != title) setWindowTitle(title);
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
    const qint64 since = sinceSync_.isValid() ? sinceSync_.elapsed() : kRepaintIntervalMs;
    if (since < kRepaintIntervalMs && LampColours() == lampsShown_) {
        if (!lateSync_->isActive()) lateSync_->start(static_cast<int>(kRepaintIntervalMs - since));
        return;
    }
    Sync();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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
    // Never smaller than the design size: every control stays in reach.
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
    if (watched == canvas_ && e->type() == QEvent::Resize) PlaceControls(canvas_->size());
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::PlaceControls(QSize canvasSize) {
    const int extraWidth = std::max(0, canvasSize.width() - kDesignWidth);
    const int extraHeight = std::max(0, canvasSize.height() - kCanvasHeight);
    for (const Placement& place : MainFormLayout()) {
        QRect rect(place.x, place.y, place.width, place.height);
        if (place.anchors & kGrowWidth) rect.setWidth(rect.width() + extraWidth);
        if (place.anchors & kGrowHeight) rect.setHeight(rect.height() + extraHeight);
        if (place.anchors & kFollowRight) rect.moveLeft(rect.left() + extraWidth);
        if (place.anchors & kFollowBottom) rect.moveTop(rect.top() + extraHeight);
        widgets_.at(place.name)->setGeometry(rect);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy_) { // an operation is running on the board: it ends first
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
