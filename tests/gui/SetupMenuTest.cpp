// The window's Setup menu: its load items follow the slot files each time it opens.
#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include "WindowRig.h"

namespace quorbit::test {
namespace {

TEST(SetupMenu, OpeningItRefreshesTheLoadItemsAndALoadItemRestoresTheSetup) {
    WindowRig w;
    w.app().RunGuarded(Form_Load);
    w.window->Sync();
    QMenu* setup = w.window->ControlAction("Setup")->menu();
    ASSERT_NE(setup, nullptr);
    QAction* third = w.window->ControlAction("LoadSetup3");
    EXPECT_FALSE(third->isEnabled());

    WriteBytes(std::filesystem::path(w.app().svc.workFolder) / "QBSetup3.INI",
               "SetupName = Third\r\nDevice.Index = 11\r\n");
    Q_EMIT setup->aboutToShow();
    EXPECT_TRUE(third->isEnabled());
    EXPECT_EQ(third->text(), "Third");
    EXPECT_FALSE(w.window->ControlAction("LoadSetup1")->isEnabled());

    third->trigger(); // the restore runs as an operation of its own
    w.Settle();
    EXPECT_EQ(w.app().dev.DeviceName, "Eprom 27C256");
}

} // namespace
} // namespace quorbit::test
