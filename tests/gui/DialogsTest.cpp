// Qt forms of the core's dialogs, the About box and the help window.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>

#include "WindowRig.h"
#include "gui/AboutBox.h"
#include "gui/HelpViewer.h"
#include "gui/QtDesktop.h"
#include "gui/QtServices.h"

namespace quorbit::test {
namespace {

TEST(FileFilter, ChosenFormatGivesATypedNameItsExtension) {
    EXPECT_EQ(gui::WithChosenExtension("/tmp/chip", "Intel HEX (*.hex)"), "/tmp/chip.hex");
    EXPECT_EQ(gui::WithChosenExtension("/tmp/chip", "Motorola S-record (*.s19 *.s28)"),
              "/tmp/chip.s19");
    EXPECT_EQ(gui::WithChosenExtension("/tmp/chip.bin", "Intel HEX (*.hex)"), "/tmp/chip.bin");
    EXPECT_EQ(gui::WithChosenExtension("/tmp/chip", "All Files (*)"), "/tmp/chip");
    EXPECT_EQ(gui::WithChosenExtension("", "Intel HEX (*.hex)"), ""); // cancelled
}

TEST(FileFilter, PairsBecomeQtEntriesAndStarDotStarMatchesEveryFile) {
    EXPECT_EQ(gui::ToQtFilter("All Files (*.*)|*.*"), "All Files (*)");
    EXPECT_EQ(gui::ToQtFilter("Binary Files (*.bin)|*.bin;*.rom|All Files (*.*)|*.*"),
              "Binary Files (*.bin *.rom);;All Files (*)");
    EXPECT_EQ(gui::ToQtFilter("Images|*.hex"), "Images (*.hex)");
    EXPECT_EQ(gui::ToQtFilter(""), "All Files (*)");
}

/// Answers the next file dialog with a file name (none: Cancel), after noting the
/// folder it opened in.
void AnswerFileDialog(const QString& fileName, QString& openedIn) {
    QTimer::singleShot(0, [&openedIn, fileName] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        openedIn = QFileInfo(dialog->directory().absolutePath()).canonicalFilePath();
        if (fileName.isEmpty()) return dialog->reject();
        dialog->selectFile(fileName);
        static_cast<QDialog*>(dialog)->accept(); // as its Open or Save button does
    });
}

TEST(FileDialogs, OpenInTheFolderOfTheLastFileChosenInThisRunOrTheLast) {
    TempDir dir;
    std::filesystem::create_directories(dir / "images");
    std::filesystem::create_directories(dir / "saved");
    WriteBytes(dir / "images" / "good.bin", "\x01\x02");
    const auto canonical = [](const std::filesystem::path& p) {
        return QFileInfo(QString::fromStdString(p.string())).canonicalFilePath();
    };
    MemorySettings settings;
    QString openedIn;
    {
        gui::QtDialogs dialogs;
        dialogs.SetSettings(&settings);
        AnswerFileDialog(canonical(dir / "images" / "good.bin"), openedIn);
        EXPECT_EQ(canonical(dialogs.OpenFileName("Open", "Binary Files (*.bin)|*.bin")),
                  canonical(dir / "images" / "good.bin"));
        // A save dialog of the same run starts where the image came from, and a name
        // saved elsewhere moves the folder on.
        AnswerFileDialog(canonical(dir / "saved") + "/copy.bin", openedIn);
        EXPECT_FALSE(dialogs.SaveFileName("Save As", "Binary Files (*.bin)|*.bin").empty());
        EXPECT_EQ(openedIn, canonical(dir / "images"));
    }
    // The next run opens in the folder chosen last; a cancelled dialog keeps it.
    gui::QtDialogs nextRun;
    nextRun.SetSettings(&settings);
    AnswerFileDialog("", openedIn);
    EXPECT_EQ(nextRun.OpenFileName("Open", "All Files (*.*)|*.*"), "");
    EXPECT_EQ(openedIn, canonical(dir / "saved"));

    // A kept folder that has gone is not offered: the dialog opens in the working folder.
    std::filesystem::remove_all(dir / "saved");
    gui::QtDialogs afterRemoval;
    afterRemoval.SetSettings(&settings);
    AnswerFileDialog("", openedIn);
    afterRemoval.OpenFileName("Open", "All Files (*.*)|*.*");
    EXPECT_EQ(openedIn, QDir::current().canonicalPath());
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

namespace quorbit::test {
namespace {

struct ShownBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

/// Opens a message box through the core's dialog interface, notes what it shows
/// and answers it with the Enter key (the default button).
MsgResult ShowAndPressEnter(const std::string& text, const std::string& title, MsgIcon icon,
                            MsgButtons buttons, int defaultButton, ShownBox& shown) {
    gui::QtDialogs dialogs;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown.title = box->windowTitle();
        shown.text = box->text();
        shown.icon = box->icon();
        shown.buttons = box->standardButtons();
        if (box->defaultButton()) shown.defaultButton = box->standardButton(box->defaultButton());
        QTest::keyClick(box, Qt::Key_Return);
    });
    return dialogs.MsgBox(text, title, icon, buttons, defaultButton);
}

TEST(MessageBoxes, ShowTheCoresTextTitleIconButtonsAndDefault) {
    ShownBox shown;
    EXPECT_EQ(ShowAndPressEnter("Program or Compare Error", "Critical Message", MsgIcon::Critical,
                                MsgButtons::Ok, 0, shown),
              MsgResult::Ok);
    EXPECT_EQ(shown.title, "Critical Message");
    EXPECT_EQ(shown.text, "Program or Compare Error");
    EXPECT_EQ(shown.icon, QMessageBox::Critical);
    EXPECT_EQ(shown.buttons, QMessageBox::Ok);

    // A destructive command's question: Cancel is the default, Enter cancels.
    ShownBox question;
    EXPECT_EQ(ShowAndPressEnter("Are you sure?\r\nThe chip is written.", "Safety Question",
                                MsgIcon::Question, MsgButtons::OkCancel, 1, question),
              MsgResult::Cancel);
    EXPECT_EQ(question.text, "Are you sure?\nThe chip is written.");
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(question.defaultButton, QMessageBox::Cancel);

    // Without a title the box carries the application's.
    ShownBox plain;
    EXPECT_EQ(ShowAndPressEnter("This menu option is not available.", "", MsgIcon::None,
                                MsgButtons::Ok, 0, plain),
              MsgResult::Ok);
    EXPECT_EQ(plain.title, "QUORBIT");
    EXPECT_EQ(plain.icon, QMessageBox::NoIcon);
}

} // namespace
} // namespace quorbit::test
