// Start-up and shutdown of the core as the window runs them.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "catalog/Catalog.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

TEST(StartUp, FirstStartWithoutPortFileScansAndEndsWithAnEmptyLog) {
    Rig rig(6);
    App& app = *rig.app;
    Form_Load(app);
    EXPECT_EQ(app.ui.SystemLog.caption, "");
    EXPECT_EQ(app.board.BoardModel, 6);
    EXPECT_EQ(app.ui.Window.left, 100);
    EXPECT_EQ(app.ui.Window.top, 100);
    EXPECT_EQ(app.ui.Window.height, 6500);
    EXPECT_EQ(app.ui.Device.items.size(), static_cast<std::size_t>(CatalogRowCount() + 1));
    EXPECT_EQ(app.ui.Device.items[0], "N/A - ");
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(app.board.PageMap[i], static_cast<int>(i));
        EXPECT_EQ(app.board.BankMap[i], static_cast<int>(i));
    }
    EXPECT_EQ(app.board.PortDelayCount, 0);
    EXPECT_EQ(app.dev.VppVolts, 0);
    ASSERT_FALSE(rig.sound.played.empty());
    EXPECT_EQ(std::filesystem::path(rig.sound.played.back()).filename(), "init.wav");
    // The board was left idle: CE and OE inactive, data pins released.
    EXPECT_EQ(rig.sim->Regs().r[0], 0x40);
    EXPECT_EQ(rig.sim->Regs().r[3], 0xC4);
}

TEST(StartUp, NoBoardStillCompletes) {
    Rig rig(0);
    App& app = *rig.app;
    Form_Load(app);
    EXPECT_EQ(app.ui.SystemLog.caption, "");
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "NO HARDWARE FOUND");
    EXPECT_EQ(app.ui.readyLamp.caption, "NotReady");
    EXPECT_EQ(app.ui.Device.items.size(), static_cast<std::size_t>(CatalogRowCount() + 1));
}

TEST(WindowRectangle, StoredOnCloseAndRestoredOnStart) {
    Rig rig(6);
    Form_Load(*rig.app);
    rig.app->ui.Window = {1500, 1200, 11000, 7000, WindowState::Maximized};
    Form_Unload(*rig.app);
    EXPECT_EQ(rig.settings.Get("Settings", "MainLeft"), "1500");

    rig.app->ui.Window = {};
    Form_Load(*rig.app);
    EXPECT_EQ(rig.app->ui.Window.left, 1500);
    EXPECT_EQ(rig.app->ui.Window.top, 1200);
    EXPECT_EQ(rig.app->ui.Window.width, 11000);
    EXPECT_EQ(rig.app->ui.Window.height, 7000);
}

TEST(WindowRectangle, MinimizedCloseKeepsTheStoredValuesAndJunkIsIgnored) {
    Rig rig(6);
    rig.settings.Set("Settings", "MainLeft", "300");
    rig.settings.Set("Settings", "MainTop", "not a number");
    Form_Load(*rig.app);
    EXPECT_EQ(rig.app->ui.Window.left, 300);
    EXPECT_EQ(rig.app->ui.Window.top, 100);
    rig.app->ui.Window = {9, 9, 9, 9, WindowState::Minimized};
    Form_Unload(*rig.app);
    EXPECT_EQ(rig.settings.Get("Settings", "MainLeft"), "300");
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

/// A port link that breaks on the first access.
class BrokenPort : public RecordingPort {
  public:
    void PortOut(std::uint16_t, std::uint8_t) override { throw PortError("link gone"); }
    std::uint8_t PortIn(std::uint16_t) override { throw PortError("link gone"); }
};

TEST(StartUp, ABrokenPortLinkIsReportedAndTheWindowStillComesUp) {
    Rig rig(std::make_unique<BrokenPort>());
    App& app = *rig.app;
    app.RunGuarded(Form_Load);
    ASSERT_FALSE(rig.dialogs.boxes.empty());
    EXPECT_NE(rig.dialogs.boxes[0].text.find("link gone"), std::string::npos);
    // The rest of start-up ran: the device list is there and the start sound played.
    EXPECT_EQ(app.ui.Device.items.size(), static_cast<std::size_t>(CatalogRowCount() + 1));
    ASSERT_FALSE(rig.sound.played.empty());
    EXPECT_EQ(std::filesystem::path(rig.sound.played.back()).filename(), "init.wav");
    EXPECT_EQ(app.ui.readyLamp.caption, "NotReady");
}

} // namespace
} // namespace quorbit::test
