// The window rectangle kept in the per-user settings (QSettings), in twips.
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include "WindowRig.h"
#include "gui/FormLayout.h"
#include "gui/QtServices.h"

namespace quorbit::test {
namespace {

class WindowRectTest : public ::testing::Test {
  protected:
    // The store is made only once QSettings points into the temporary folder.
    WindowRectTest() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(dir.path().string()));
        store = std::make_unique<gui::QtSettingsStore>(QStringLiteral("QUORBIT"),
                                                       QStringLiteral("QUORBIT"));
    }
    ~WindowRectTest() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }
    /// A window whose core keeps its settings in the temporary QSettings.
    std::unique_ptr<WindowRig> Start() {
        auto w = std::make_unique<WindowRig>();
        w->app().svc.settings = store.get();
        w->window->Load();
        w->window->show();
        return w;
    }
    static double Stored(const char* key) {
        QSettings settings(QStringLiteral("QUORBIT"), QStringLiteral("QUORBIT"));
        return settings.value(QStringLiteral("Settings/") + key).toDouble();
    }

    TempDir dir;
    std::unique_ptr<gui::QtSettingsStore> store;
};

TEST_F(WindowRectTest, FirstStartShowsTheWholeDesignAtTheDefaultPlace) {
    auto w = Start();
    const QRect outer = w->window->frameGeometry();
    EXPECT_EQ(outer.topLeft(), QPoint(7, 7)); // 100 twips
    EXPECT_EQ(outer.width(), 720);            // 10800 twips
    // The default height of 6500 twips would cut the window: it keeps its design size.
    EXPECT_EQ(w->window->height() - w->window->menuBar()->height(), gui::kDesignHeight);
}

TEST_F(WindowRectTest, ClosingStoresTheRectangleAndTheNextStartRestoresIt) {
    QRect outer;
    {
        auto w = Start();
        w->window->setGeometry(120, 80, 800, 560);
        outer = w->window->frameGeometry(); // the window with its frame
        w->window->close();
    }
    EXPECT_DOUBLE_EQ(Stored("MainLeft"), outer.x() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainTop"), outer.y() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainWidth"), outer.width() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainHeight"), outer.height() * 15.0);

    auto again = Start();
    EXPECT_EQ(again->window->frameGeometry(), outer);
    // The controls follow a larger window: the log takes the extra room.
    EXPECT_EQ(again->Get("SystemLog")->width(), 469 + 800 - gui::kDesignWidth);
}

TEST_F(WindowRectTest, ClosingWhileMinimizedLeavesTheStoredValues) {
    QRect outer;
    {
        auto w = Start();
        w->window->setGeometry(200, 150, 760, 540);
        outer = w->window->frameGeometry();
        w->window->close();
    }
    {
        auto w = Start();
        w->window->setGeometry(10, 10, 900, 600);
        w->window->showMinimized();
        w->window->close();
    }
    EXPECT_DOUBLE_EQ(Stored("MainLeft"), outer.x() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainWidth"), outer.width() * 15.0);
}

} // namespace
} // namespace quorbit::test
