#pragma once
// frmMain: the programmer's main window. A view over the core's control model:
// Sync() shows the model, every operator action goes to the core's handlers. A
// chip operation runs on its own thread; meanwhile the window shows what the
// operation publishes, and only Stop (or Esc) acts.
#include <QElapsedTimer>
#include <QMainWindow>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgressEstimate.h"
#include "app/Services.h"
#include "app/ViewSnapshot.h"
#include "gui/ControlView.h"

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;

namespace quorbit {
class App;
class OperationRunner;
} // namespace quorbit

namespace quorbit::gui {

class QtDesktop;
class DisplayWindowView;
class HexPageBox;

class MainWindow : public QMainWindow, public Refresher {
    Q_OBJECT
  public:
    /// Builds every control in its start state and attaches itself to the core
    /// as its refresher, desktop, operation host and close request.
    explicit MainWindow(App& app, QWidget* parent = nullptr);
    /// A running operation is stopped and waited for.
    ~MainWindow() override;

    /// Runs the core's start-up sequence, then places the window as stored.
    void Load();
    /// Shows the whole control model (while an operation runs: what it published).
    void Sync();
    /// Redraws during a handler that runs on the window's thread.
    void Repaint() override;

    /// Why the program runs on the port it does (the port panel's tool tip).
    void SetPortNote(const QString& note);
    /// The port panel brought up to date: the port, and the fast port option
    /// beside it. Handlers run through the window do it themselves.
    void UpdatePortPanel();

    /// Window rectangle and state between the model (twips) and the window.
    void ApplyWindowRect();
    void StoreWindowRect();

    /// A chip operation runs on its thread; the controls are locked meanwhile.
    [[nodiscard]] bool OperationRunning() const { return operationShown_; }
    /// Stop, Esc: asks the running operation to stop at its next board access.
    void StopOperation();

    /// The widget or menu/tool bar action of a control, by its model name (also
    /// the view's own: Stop_button, ProgressText, PortPanel).
    [[nodiscard]] QWidget* ControlWidget(const std::string& name) const;
    [[nodiscard]] QAction* ControlAction(const std::string& name) const;
    [[nodiscard]] QtDesktop& desktop() const { return *desktop_; }
    /// The secondary display window (frmDisplay1).
    [[nodiscard]] QWidget* DisplayWindowWidget() const;

    /// The rectangle moved and shrunk onto the available area of its screen.
    [[nodiscard]] QRect FitOnScreen(const QRect& outer) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildCanvas();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    /// The commands' keys, the buttons' Alt letters, accessible names, tab order.
    void BuildKeys();
    /// One Tab stop per option group: its chosen option, else its first usable one.
    void FixOptionFocus();
    bool OptionKey(QObject* watched, QKeyEvent* key);
    /// The one local file of a drop, or empty.
    static QString DroppedFile(const QMimeData* data);
    /// Marks the page's bytes that the last verify found different.
    void ShowDifferences();
    /// Seconds the running operation has worked, its boxes' waits left out.
    [[nodiscard]] double WorkingSeconds() const;
    QWidget* CreateWidget(Control& control, QWidget* parent);
    QWidget* CreateOwnWidget(const std::string& name, QWidget* parent);
    void ConnectWidget(Control& control, QWidget* widget);
    void BindAction(Control& control, QAction* action);
    std::vector<Control*> OptionGroup(const Control& option) const;
    /// Runs an operator action in the core, then shows the result. Refused (not
    /// queued) while another action or an operation runs.
    void Forward(const std::function<void()>& action);
    void UpdateClockPanels();
    [[nodiscard]] std::array<std::uint32_t, 4> LampColours() const;

    // ---- The hex page: the operator's ways of paging through it ----------------
    bool PageKey(QKeyEvent* key);
    bool PageWheel(QWheelEvent* wheel);
    /// Moves the view by lines (down for positive counts); always takes the event.
    bool ScrollPage(int lines);
    /// Gives the view as many lines as the page has room for.
    void FitPageLines();
    [[nodiscard]] QScrollBar* PageBar() const;

    // ---- A chip operation on its own thread -------------------------------------
    void BeginOperation();
    /// Queued from the operation's thread as it ends: the state is the window's again.
    void EndOperation();
    void ShowPublished();
    void ShowProgressText();
    /// Disables every control that could start or change an operation, or gives
    /// them back the model's state.
    void LockControls(bool locked);
    ControlView* ViewOf(const Control& control);

    App& app_;
    std::unique_ptr<QtDesktop> desktop_;
    std::unique_ptr<OperationRunner> runner_;
    DisplayWindowView* displayWindow_ = nullptr;
    std::vector<ControlView> views_;
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, QAction*> actions_;
    QWidget* canvas_ = nullptr;
    HexPageBox* page_ = nullptr;
    QLabel* portPanel_ = nullptr;
    QString portNote_;
    QTimer* clockTimer_ = nullptr;
    /// Shows what a skipped repaint left out, at the next turn of the event loop.
    QTimer* lateSync_ = nullptr;
    QElapsedTimer sinceSync_;
    std::array<std::uint32_t, 4> lampsShown_{};
    /// Outer rectangle still to be applied once the window frame is known.
    QRect pendingOuter_;
    bool busy_ = false;
    bool unloaded_ = false;
    int wheelAngle_ = 0;

    QPushButton* stopButton_ = nullptr;
    QLabel* progressText_ = nullptr;
    QTimer* publishedTimer_ = nullptr;
    bool operationShown_ = false;
    bool stopAsked_ = false;
    bool closeWhenEnded_ = false;
    std::uint64_t shownSerial_ = 0;
    ViewSnapshot published_;
    QElapsedTimer operationClock_;
    ProgressEstimate estimate_;
};

} // namespace quorbit::gui
