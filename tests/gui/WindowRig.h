#pragma once
// The main window over a core wired to test fakes (simulated board, fixed clock,
// scripted dialogs, recorded sounds) in a temporary folder.
#include <QApplication>
#include <QPalette>
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

    template <typename W = QWidget> W* Get(const std::string& name) const {
        auto* widget = qobject_cast<W*>(window->ControlWidget(name));
        EXPECT_NE(widget, nullptr) << "no widget for " << name;
        return widget;
    }
    QColor TextColour(const std::string& name) const {
        return Get(name)->palette().color(QPalette::Active, QPalette::WindowText);
    }
    App& app() const { return *rig.app; }

    Rig rig;
    std::unique_ptr<gui::MainWindow> window;
};

inline QColor SystemColour(QPalette::ColorRole role) {
    return QApplication::palette().color(QPalette::Active, role);
}

} // namespace quorbit::test
