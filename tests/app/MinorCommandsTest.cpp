// Help and Tools menus, File > Close and the About box's System Info button.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "Fakes.h"
#include "app/Desktop.h"
#include "app/MinorCommands.h"

namespace quorbit::test {
namespace {

class FakeDesktop : public Desktop {
  public:
    void ShowAbout() override { ++aboutShown; }
    void ShowProduction() override { ++productionShown; }
    std::string ShowHelp(const std::string& file, HelpCommand command) override {
        helpRequests.emplace_back(file, command);
        return helpError;
    }
    bool StartProgram(const std::string& path) override {
        started.push_back(path);
        return startSucceeds;
    }
    int aboutShown = 0;
    int productionShown = 0;
    std::vector<std::pair<std::string, HelpCommand>> helpRequests;
    std::string helpError;
    std::vector<std::string> started;
    bool startSucceeds = true;
};

/// Sets PATH for one test and puts it back afterwards.
class PathScope {
  public:
    explicit PathScope(const std::string& value) {
        if (const char* old = std::getenv("PATH")) old_ = old;
        ::setenv("PATH", value.c_str(), 1);
    }
    ~PathScope() { ::setenv("PATH", old_.c_str(), 1); }

  private:
    std::string old_;
};

void MakeProgram(const std::filesystem::path& path, bool executable) {
    std::ofstream(path) << "#!/bin/sh\n";
    std::filesystem::permissions(path, executable ? std::filesystem::perms::owner_all
                                                  : std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_write);
}

struct MinorCommands : ::testing::Test {
    MinorCommands() { rig.app->svc.desktop = &desktop; }
    Rig rig;
    FakeDesktop desktop;
};

TEST_F(MinorCommands, PlaceholderMenusShowTheirFixedMessages) {
    Fire(rig.app->ui.mnuToolsOptions.onClick);
    Fire(rig.app->ui.mnuFileClose.onClick);
    ASSERT_EQ(rig.dialogs.boxes.size(), 2u);
    EXPECT_EQ(rig.dialogs.boxes[0].text, "This menu option is not available.");
    EXPECT_EQ(rig.dialogs.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(rig.dialogs.boxes[1].text, "Add 'mnuFileClose_Click' code.");
    EXPECT_EQ(rig.dialogs.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_TRUE(rig.LogLines().empty());
}

TEST_F(MinorCommands, AboutAndProductionOpenTheirBoxes) {
    Fire(rig.app->ui.mnuHelpAbout.onClick);
    EXPECT_EQ(desktop.aboutShown, 1);
    EXPECT_EQ(desktop.productionShown, 0);
    Fire(rig.app->ui.menuProduction.onClick);
    EXPECT_EQ(desktop.productionShown, 1);
}

TEST_F(MinorCommands, HelpWithoutItsDocumentSaysThereIsNoHelp) {
    Fire(rig.app->ui.mnuHelpContents.onClick);
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].text,
              "Unable to display Help Contents. There is no Help associated with this project.");
    EXPECT_EQ(rig.dialogs.boxes[0].icon, MsgIcon::Information);
    EXPECT_TRUE(desktop.helpRequests.empty());
}

TEST_F(MinorCommands, HelpContentsAndSearchOpenTheDocumentBesideTheProgram) {
    const auto help = std::filesystem::path(rig.app->svc.appFolder) / kHelpFileName;
    std::ofstream(help) << "<html></html>";
    Fire(rig.app->ui.mnuHelpContents.onClick);
    Fire(rig.app->ui.mnuHelpSearchForHelpOn.onClick);
    ASSERT_EQ(desktop.helpRequests.size(), 2u);
    EXPECT_EQ(desktop.helpRequests[0], std::make_pair(help.string(), HelpCommand::Contents));
    EXPECT_EQ(desktop.helpRequests[1], std::make_pair(help.string(), HelpCommand::Search));
    EXPECT_TRUE(rig.dialogs.boxes.empty());

    desktop.helpError = "The help file cannot be read.";
    Fire(rig.app->ui.mnuHelpContents.onClick);
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].text, "The help file cannot be read.");
}

TEST_F(MinorCommands, SystemInfoStartsTheFirstProgramFoundOnThePath) {
    const auto bin = rig.dir / "bin";
    std::filesystem::create_directories(bin);
    MakeProgram(bin / "xfce4-taskmanager", true);
    MakeProgram(bin / "gnome-system-monitor", false); // not executable: skipped
    PathScope path("::" + (rig.dir / "nothing").string() + ":" + bin.string());
    cmdSysInfo_Click(*rig.app);
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0], (bin / "xfce4-taskmanager").string());
    EXPECT_TRUE(rig.dialogs.boxes.empty());
}

TEST_F(MinorCommands, SystemInfoWithoutAProgramSaysItIsUnavailable) {
    PathScope path((rig.dir / "empty").string());
    cmdSysInfo_Click(*rig.app);
    EXPECT_TRUE(desktop.started.empty());

    const auto bin = rig.dir / "bin";
    std::filesystem::create_directories(bin);
    MakeProgram(bin / "hardinfo", true);
    PathScope withProgram(bin.string());
    desktop.startSucceeds = false; // found, but it would not start
    cmdSysInfo_Click(*rig.app);

    ASSERT_EQ(rig.dialogs.boxes.size(), 2u);
    for (const auto& box : rig.dialogs.boxes) {
        EXPECT_EQ(box.text, "System Information Is Unavailable At This Time");
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
    }
}

TEST(AboutTexts, VersionLabelFromTheProgramVersion) {
    EXPECT_EQ(VersionLabel("1.0.68"), "Version 1.0.68");
    EXPECT_EQ(VersionLabel("2.10.3"), "Version 2.10.3");
    EXPECT_EQ(AboutBoxTexts().version, "Version 1.0.68");
    EXPECT_EQ(AboutBoxTexts().disclaimer,
              "Warning: This software should run perfectly under "
              "Win98/Win98SE/WinME/Win2000/WinXP/WinNT, but in case of problems under Win2000/XP "
              "it may require download and use of the USERPORT utility.");
}

} // namespace
} // namespace quorbit::test
