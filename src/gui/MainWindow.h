#pragma once
// frmMain: the programmer's main window. A view over the core's control model:
// Sync() shows the model, every operator action goes to the core's handlers.
#include <QElapsedTimer>
#include <QMainWindow>
#include <QRect>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Services.h"
#include "gui/ControlView.h"

class QLabel;
class QMenu;
class QTimer;

namespace quorbit {
class App;
}

namespace quorbit::gui {

class QtDesktop;
class DisplayWindowView;

class MainWindow : public QMainWindow, public Refresher {
    Q_OBJECT
  public:
    /// Builds every control in its start state and attaches itself to the core
    /// as its refresher, desktop and close request.
    explicit MainWindow(App& app, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Runs the core's start-up sequence, then places the window as stored.
    void Load();
    /// Shows the whole control model.
    void Sync();
    /// Redraws during a long operation, without taking operator input.
    void Repaint() override;

    /// Why the program runs on the port it does (the port panel's tool tip).
    void SetPortNote(const QString& note);

    /// Window rectangle and state between the model (twips) and the window.
    void ApplyWindowRect();
    void StoreWindowRect();

    /// The widget or menu/tool bar action of a control, by its model name.
    [[nodiscard]] QWidget* ControlWidget(const std::string& name) const;
    [[nodiscard]] QAction* ControlAction(const std::string& name) const;
    [[nodiscard]] QtDesktop& desktop() const { return *desktop_; }
    /// The secondary display window (frmDisplay1).
    [[nodiscard]] QWidget* DisplayWindowWidget() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildCanvas();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    QWidget* CreateWidget(Control& control, QWidget* parent);
    void ConnectWidget(Control& control, QWidget* widget);
    void BindAction(Control& control, QAction* action);
    std::vector<Control*> OptionGroup(const Control& option) const;
    /// Runs an operator action in the core, then shows the result.
    void Forward(const std::function<void()>& action);
    void PlaceControls(QSize canvasSize);
    void UpdateClockPanels();
    void UpdatePortPanel();
    [[nodiscard]] std::array<std::uint32_t, 4> LampColours() const;

    App& app_;
    std::unique_ptr<QtDesktop> desktop_;
    DisplayWindowView* displayWindow_ = nullptr;
    std::vector<ControlView> views_;
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, QAction*> actions_;
    QWidget* canvas_ = nullptr;
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
};

} // namespace quorbit::gui
