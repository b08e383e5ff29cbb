// Qt forms of the core's dialogs, the About box and the help window.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextCursor>

#include "WindowRig.h"
#include "app/gui/AboutBox.h"
#include "app/gui/HelpViewer.h"
#include "app/gui/QtDesktop.h"
#include "app/gui/QtServices.h"

namespace quorbit::test {
namespace {

TEST(FileFilter, PairsBecomeQtEntriesAndStarDotStarMatchesEveryFile) {
    EXPECT_EQ(gui::ToQtFilter("All Files (*.*)|*.*"), "All Files (*)");
    EXPECT_EQ(gui::ToQtFilter("Binary Files (*.bin)|*.bin;*.rom|All Files (*.*)|*.*"),
              "Binary Files (*.bin *.rom);;All Files (*)");
    EXPECT_EQ(gui::ToQtFilter("Images|*.hex"), "Images (*.hex)");
    EXPECT_EQ(gui::ToQtFilter(""), "All Files (*)");
}

TEST(AboutBox, ShowsTitleVersionAndTheSystemInfoButton) {
    WindowRig w;
    gui::AboutBox box(w.app(), w.window.get());
    EXPECT_EQ(box.lblTitle->text(), "QUORBIT");
    EXPECT_EQ(box.lblVersion->text(), "Version 1.0.68");
    EXPECT_TRUE(box.lblDisclaimer->text().startsWith("Warning: This software should run"));
    EXPECT_EQ(box.cmdSysInfo->text(), "&System Info...");
    EXPECT_FALSE(box.Label1->text().isEmpty());
    EXPECT_FALSE(box.lblDescription->text().isEmpty());
}

TEST(HelpViewer, OpensTheDocumentAndFindsWords) {
    gui::HelpViewer viewer(nullptr);
    EXPECT_FALSE(
        viewer.Open(QStringLiteral("/no/such/help.html"), HelpCommand::Contents).isEmpty());

    EXPECT_TRUE(viewer.Open(QStringLiteral(QUORBIT_HELP_FILE), HelpCommand::Search).isEmpty());
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(viewer.browser()->toPlainText().contains("TestPort"));
    viewer.findField()->setText(QStringLiteral("error alert"));
    EXPECT_TRUE(viewer.FindNext());
    EXPECT_EQ(viewer.browser()->textCursor().selectedText().toLower(), "error alert");
    // After the last match the search starts again at the top.
    viewer.findField()->setText(QStringLiteral("TestPort"));
    const qsizetype count =
        viewer.browser()->toPlainText().count(QStringLiteral("TestPort"), Qt::CaseInsensitive);
    ASSERT_GE(count, 2);
    for (qsizetype i = 0; i <= count; ++i)
        EXPECT_TRUE(viewer.FindNext()) << i;
    viewer.findField()->setText(QStringLiteral("no such words here"));
    EXPECT_FALSE(viewer.FindNext());
}

TEST(HelpMenu, ContentsOpenTheHelpWindowFromTheApplicationFolder) {
    WindowRig w;
    w.window->Load();
    std::filesystem::copy_file(QUORBIT_HELP_FILE, w.rig.dir / "app" / "quorbit.html");
    w.window->ControlAction("mnuHelpContents")->trigger();
    ASSERT_NE(w.window->desktop().helpViewer(), nullptr);
    EXPECT_TRUE(w.window->desktop().helpViewer()->isVisible());
    EXPECT_TRUE(w.rig.dialogs.boxes.empty());
    // Closing the main window closes the help window with it.
    w.window->close();
    EXPECT_FALSE(w.window->desktop().helpViewer()->isVisible());
}

} // namespace
} // namespace quorbit::test
