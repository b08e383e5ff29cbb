#pragma once
// The main window over a core wired to test fakes (simulated board, fixed clock,
// scripted dialogs, recorded sounds) in a temporary folder.
#include <QApplication>
#include <QPalette>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "Fakes.h"
#include "gui/MainWindow.h"

namespace quorbit::test {

struct WindowRig {
    explicit WindowRig(int simModel = 6, std::uint16_t simPort = 0x378)
        : rig(simModel, simPort), window(std::make_unique<gui::MainWindow>(*rig.app)) {}
    /// On a port that can halt an operation midway (PausingPort).
    explicit WindowRig(std::unique_ptr<PausingPort> port)
        : pausing(port.get()), rig(std::move(port), pausing->Board()),
          window(std::make_unique<gui::MainWindow>(*rig.app)) {}

    template <typename W = QWidget> W* Get(const std::string& name) const {
        auto* widget = qobject_cast<W*>(window->ControlWidget(name));
        EXPECT_NE(widget, nullptr) << "no widget for " << name;
        return widget;
    }
    QColor TextColour(const std::string& name) const {
        return Get(name)->palette().color(QPalette::Active, QPalette::WindowText);
    }
    App& app() const { return *rig.app; }
    /// Shows the window and lets its layouts place every control.
    void Show() const {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        Relayout();
    }
    /// Places the controls again after shown or hidden ones changed the layout.
    static void Relayout() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
    /// Turns the event loop until the operation a click started has ended and the
    /// window shows its end.
    void Settle() const {
        while (window->OperationRunning())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

    PausingPort* pausing = nullptr;
    Rig rig;
    std::unique_ptr<gui::MainWindow> window;
};

inline QColor SystemColour(QPalette::ColorRole role) {
    return QApplication::palette().color(QPalette::Active, role);
}

} // namespace quorbit::test
