// The window's Setup menu: its load items follow the slot files each time it opens.
#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include <string>

#include "WindowRig.h"
#include "session/Startup.h"

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

    // A whole setup file, as the program saves it: a file with a line missing is
    // not restored at all.
    std::string text;
    for (const char* line :
         {"SetupName = Third", "sFILE = ", "Device.Index = 11", "Voltage_button(0).Value = False",
          "Voltage_button(1).Value = True", "Voltage_button(2).Value = False",
          "Voltage_button(3).Value = False", "CheckBlankPriorProgramming.Value = 0",
          "VerifyAfterProgramming.Value = 0", "LPTSelection(0).Value = True",
          "LPTSelection(1).Value = False", "LPTSelection(2).Value = False",
          "PortSelected.Text = 378h", "HiLow_button(0).Value = True",
          "HiLow_button(1).Value = False", "HiLow_button(2).Value = False", "Slider1.Value = 18",
          "CheckCode.Value = 1", "CheckData.Value = 0"})
        text += std::string(line) + "\r\n";
    WriteBytes(std::filesystem::path(w.app().svc.workFolder) / "QBSetup3.INI", text);
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
