// The window rectangle kept in the per-user settings (QSettings), in twips.
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include "WindowRig.h"
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

TEST_F(WindowRectTest, FirstStartShowsTheWholeWindowAtTheDefaultPlace) {
    auto w = Start();
    const QRect outer = w->window->frameGeometry();
    EXPECT_EQ(outer.topLeft(), QPoint(7, 7)); // 100 twips
    // 10800 by 6500 twips, unless that would cut the window: it is never smaller
    // than its layout needs.
    const QSize frame = outer.size() - w->window->size();
    EXPECT_EQ(w->window->size(),
              (QSize(720, 433) - frame).expandedTo(w->window->minimumSizeHint()));
}

TEST_F(WindowRectTest, ClosingStoresTheRectangleAndTheNextStartRestoresIt) {
    QRect outer;
    {
        auto w = Start();
        const QSize least = w->window->minimumSizeHint();
        w->window->setGeometry(120, 80, least.width() + 100, least.height() + 60);
        outer = w->window->frameGeometry(); // the window with its frame
        w->window->close();
    }
    EXPECT_DOUBLE_EQ(Stored("MainLeft"), outer.x() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainTop"), outer.y() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainWidth"), outer.width() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainHeight"), outer.height() * 15.0);

    auto again = Start();
    EXPECT_EQ(again->window->frameGeometry(), outer);
}

TEST_F(WindowRectTest, ARectangleKeptFromALargerScreenIsFittedOntoThisOne) {
    // The test screens (GuiTestMain): 1920 by 1080, and 1024 by 768 beside it.
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect room = screen->availableGeometry();
        SCOPED_TRACE(std::to_string(room.width()) + "x" + std::to_string(room.height()));
        // As a screen twice as large would have left it: from the middle of this one
        // on, past its right and bottom edges.
        const QRect kept(room.center(), room.size() * 2);
        for (const auto& [key, pixels] : {std::pair{"MainLeft", kept.x()},
                                          {"MainTop", kept.y()},
                                          {"MainWidth", kept.width()},
                                          {"MainHeight", kept.height()}})
            store->Set("Settings", key, std::to_string(pixels * 15));
        auto w = Start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w->window.get()));
        QCoreApplication::processEvents();
        const QRect outer = w->window->frameGeometry();
        const QSize least = w->window->minimumSizeHint();
        if (least.width() <= room.width() && least.height() <= room.height())
            EXPECT_TRUE(room.contains(outer))
                << outer.x() << "," << outer.y() << " " << outer.width() << "x" << outer.height();
        else // fonts too large for this screen: as much of it in reach as can be
            EXPECT_EQ(outer.topLeft(), room.topLeft());
        // The stored values keep their keys and their format.
        w->window->close();
        EXPECT_DOUBLE_EQ(Stored("MainLeft"), outer.x() * 15.0);
        EXPECT_DOUBLE_EQ(Stored("MainWidth"), outer.width() * 15.0);
    }
}

TEST_F(WindowRectTest, ClosingWhileMinimizedLeavesTheStoredValues) {
    QRect outer;
    {
        auto w = Start();
        const QSize least = w->window->minimumSizeHint();
        w->window->setGeometry(200, 150, least.width() + 40, least.height() + 20);
        outer = w->window->frameGeometry();
        w->window->close();
    }
    {
        auto w = Start();
        w->window->setGeometry(10, 10, w->window->minimumSizeHint().width() + 140,
                               w->window->minimumSizeHint().height() + 80);
        w->window->showMinimized();
        w->window->close();
    }
    EXPECT_DOUBLE_EQ(Stored("MainLeft"), outer.x() * 15.0);
    EXPECT_DOUBLE_EQ(Stored("MainWidth"), outer.width() * 15.0);
}

} // namespace
} // namespace quorbit::test
