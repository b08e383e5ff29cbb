// The operator's events on the real widgets reach the core's handlers and the
// window shows what they did: device list, scroll bar, file label, display.
#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTextBlock>
#include <QUrl>
#include <filesystem>

#include "WindowRig.h"
#include "gui/Widgets.h"

namespace quorbit::test {
namespace {

constexpr int kEprom27C256 = 11;
constexpr int kEprom27C512 = 13;

/// What the drop-down does when the operator picks a row: the row becomes
/// current, then "activated" is reported.
void PickRow(QComboBox* list, int row) {
    list->setCurrentIndex(row);
    emit list->activated(row);
}

TEST(DeviceList, ARefusedRowShowsTheDeviceThatStaysInForce) {
    WindowRig w;
    w.window->Load();
    auto* list = w.Get<QComboBox>("Device");
    ASSERT_TRUE(list->itemText(1).startsWith("N/A - "));
    PickRow(list, 1);
    // The N/A rows look it, and the keys pass over them.
    auto* rows = qobject_cast<QStandardItemModel*>(list->model());
    ASSERT_NE(rows, nullptr);
    EXPECT_FALSE(rows->item(1)->isEnabled());
    EXPECT_TRUE(rows->item(kEprom27C256)->isEnabled());
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_TRUE(list->currentText().isEmpty());
    EXPECT_EQ(list->placeholderText(), "Please Select Device on this List");
    EXPECT_FALSE(w.Get("Read_button")->isEnabled());

    PickRow(list, kEprom27C256);
    EXPECT_EQ(list->currentText().trimmed(), "Eprom 27C256");
    EXPECT_EQ(w.app().dev.DeviceType, "P4");
    PickRow(list, 1);
    // The device chosen before stays in force, its commands usable, and the list
    // says which it is.
    EXPECT_EQ(list->currentIndex(), kEprom27C256);
    EXPECT_EQ(list->currentText().trimmed(), "Eprom 27C256");
    EXPECT_EQ(w.app().dev.DeviceSize, 32768);
    EXPECT_TRUE(w.Get("Read_button")->isEnabled());
    EXPECT_TRUE(w.Get<QPlainTextEdit>("SystemLog")
                    ->toPlainText()
                    .endsWith("N/A - Eprom 2716 cannot be selected - Eprom 27C256 stays selected"));
}

TEST(HexDisplay, ReadShowsPageZeroAndTheScrollBarPagesThroughTheBuffer) {
    WindowRig w;
    w.window->Load();
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    PickRow(w.Get<QComboBox>("Device"), kEprom27C256);
    QTest::mouseClick(w.Get<QPushButton>("Read_button"), Qt::LeftButton);
    w.Settle();
    auto* display = w.Get<QPlainTextEdit>("BufferDisplay");
    auto* bar = w.Get<QScrollBar>("VScroll1");
    EXPECT_EQ(bar->maximum(), 127); // 32768 bytes in pages of 256
    EXPECT_TRUE(display->toPlainText().contains("000000|"));

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(w.app().ui.pageScrollBar.value, 1);
    EXPECT_TRUE(display->toPlainText().contains("000100|")) << display->toPlainText().toStdString();
    EXPECT_FALSE(display->toPlainText().contains("000000|"));
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_TRUE(display->toPlainText().contains("007FF0|"));

    // All sixteen lines of a page are in view at once, whatever font was found, and
    // pageScrollBar is the only scroll bar.
    const int lineHeight = display->fontMetrics().lineSpacing();
    EXPECT_GE(display->viewport()->height(), 16 * lineHeight);
    EXPECT_FALSE(display->verticalScrollBar()->isVisible());
    EXPECT_FALSE(display->horizontalScrollBar()->isVisible());
    ASSERT_EQ(display->document()->blockCount(), 16);
    for (int line = 0; line < 16; ++line) {
        QTextCursor end(display->document()->findBlockByNumber(line));
        end.movePosition(QTextCursor::EndOfBlock);
        const QRect caret = display->cursorRect(end);
        EXPECT_LE(caret.bottom(), display->viewport()->height()) << "line " << line << " cut off";
        EXPECT_LE(caret.right(), display->viewport()->width()) << "line " << line << " cut off";
    }
}

TEST(HexDisplay, DoubleClickSavesTheShownPageToTheListingFile) {
    WindowRig w;
    w.window->Load();
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    PickRow(w.Get<QComboBox>("Device"), kEprom27C256);
    QTest::mouseClick(w.Get<QPushButton>("Read_button"), Qt::LeftButton);
    w.Settle();
    auto* display = w.Get<QPlainTextEdit>("BufferDisplay");
    QTest::mouseDClick(display->viewport(), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(w.rig.dir / "work" / "QUORBIT.BUF"));
    EXPECT_EQ(w.rig.LogLines().back(), "Buffer DIsplay was Saved to QUORBIT.BUF file");
}

TEST(CodeFileLabel, AClickOnThePromptOpensTheCodeFileDialog) {
    WindowRig w;
    w.window->Load();
    const std::filesystem::path image = w.rig.dir / "image.bin";
    WriteBytes(image, std::string(32768, '\x5A'));
    w.rig.dialogs.fileAnswers.push_back(image.string());
    QTest::mouseClick(w.Get<gui::ClickableLabel>("FileNameCodeText"), Qt::LeftButton);
    ASSERT_EQ(w.rig.dialogs.fileTitles.size(), 1u);
    EXPECT_EQ(w.rig.dialogs.fileTitles[0], "Open Code File");
    EXPECT_EQ(w.Get<QLabel>("FileNameCodeSize")->text(), "(32768)");

    // Once a file is named, the label is no longer a prompt.
    QTest::mouseClick(w.Get<gui::ClickableLabel>("FileNameCodeText"), Qt::LeftButton);
    EXPECT_EQ(w.rig.dialogs.fileTitles.size(), 1u);
}

TEST(CodeFileLabel, AReadThenSaveLeavesTheLoadedFileByteForByte) {
    WindowRig w;
    w.window->Load();
    PickRow(w.Get<QComboBox>("Device"), kEprom27C256);
    std::string image(32768, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 13 + 1);
    const std::filesystem::path good = w.rig.dir / "good.bin";
    WriteBytes(good, image);
    w.rig.dialogs.fileAnswers.push_back(good.string());
    w.window->ControlAction("mnuFileOpenCode")->trigger();
    QTest::mouseClick(w.Get<QPushButton>("Read_button"), Qt::LeftButton); // an erased chip
    w.Settle();
    EXPECT_EQ(w.Get<gui::ElidedLabel>("FileNameCodeText")->text(),
              "read from Eprom 27C256, not saved");

    // Save asks for a name as Save As does (what it asks is the core's test): Cancel
    // leaves good.bin as it was, and the line names it no more.
    w.window->ControlAction("mnuFileSaveCode")->trigger();
    EXPECT_EQ(ReadBytes(good), image);
    EXPECT_EQ(w.rig.dialogs.fileTitles,
              (std::vector<std::string>{"Open Code File", "Save CODE BUFFER As..."}));
    EXPECT_TRUE(w.window->windowTitle().startsWith("read from Eprom 27C256, not saved - "));
}

TEST(CodeFileLabel, AnImagePastTheChipsEndIsNamedAtLoadAndAtADeviceChange) {
    WindowRig w;
    w.window->Load();
    PickRow(w.Get<QComboBox>("Device"), kEprom27C256);
    const std::filesystem::path big = w.rig.dir / "big.bin";
    WriteBytes(big, std::string(65536, '\x11'));
    w.rig.dialogs.fileAnswers.push_back(big.string());
    w.window->ControlAction("mnuFileOpenCode")->trigger();
    const std::string reason =
        "The image reaches address FFFFh (65536 bytes) but the Eprom 27C256 holds 32768 bytes";
    ASSERT_EQ(w.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(w.rig.dialogs.boxes[0].title, "Image Does Not Fit");
    EXPECT_EQ(w.rig.dialogs.boxes[0].text.rfind(reason + ".", 0), 0u);
    EXPECT_EQ(w.rig.LogLines().back(), reason + " - Program will refuse this image");
    // A chip it fits says nothing; going back to the smaller one says it again.
    PickRow(w.Get<QComboBox>("Device"), kEprom27C512);
    EXPECT_EQ(w.rig.dialogs.boxes.size(), 1u);
    PickRow(w.Get<QComboBox>("Device"), kEprom27C256);
    EXPECT_EQ(w.rig.dialogs.boxes.size(), 2u);
}

TEST(CodeFileLabel, AFileDroppedOnTheWindowLoadsAndJoinsTheRecentFilesAndTheTitle) {
    WindowRig w;
    w.window->Load();
    const std::filesystem::path first = w.rig.dir / "first.bin";
    const std::filesystem::path dropped = w.rig.dir / "good.bin";
    WriteBytes(first, std::string(100, '\x01'));
    WriteBytes(dropped, std::string(200, '\x02'));
    w.rig.dialogs.fileAnswers.push_back(first.string());
    w.window->ControlAction("mnuFileOpenCode")->trigger();

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped.string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.window.get(), &drop);
    EXPECT_EQ(w.Get<QLabel>("FileNameCodeSize")->text(), "(200)");
    EXPECT_EQ(w.app().buf.CodeBuffer[0], 2);
    EXPECT_TRUE(w.window->windowTitle().startsWith("good.bin - QUORBIT"))
        << w.window->windowTitle().toStdString();

    // Newest first in the File menu; a recent file opens again from there.
    QAction* newest = w.window->ControlAction("mnuFileRecent(1)");
    QAction* older = w.window->ControlAction("mnuFileRecent(2)");
    EXPECT_TRUE(newest->isVisible() && older->isVisible());
    EXPECT_FALSE(w.window->ControlAction("mnuFileRecent(3)")->isVisible());
    EXPECT_EQ(newest->text().toStdString(), "&1 " + dropped.string());
    EXPECT_EQ(older->text().toStdString(), "&2 " + first.string());
    older->trigger();
    EXPECT_EQ(w.app().buf.CodeBuffer[0], 1);
    EXPECT_EQ(w.window->ControlAction("mnuFileRecent(1)")->text().toStdString(),
              "&1 " + first.string());
}

/// The window after choosing the 27C256 and reading the simulated chip, for a look.
TEST(MainWindowScreenshot, WritesTheWindowAfterReadingAChip) {
    WindowRig w;
    w.window->Load();
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    PickRow(w.Get<QComboBox>("Device"), kEprom27C256);
    QTest::mouseClick(w.Get<QPushButton>("Read_button"), Qt::LeftButton);
    w.Settle();
    const QString path = QStringLiteral(QUORBIT_GUI_SHOT_DIR "/frmMain-read.png");
    ASSERT_TRUE(w.window->grab().save(path));
    EXPECT_EQ(w.rig.LogLines().back(), "You can Save the file using [FILE - Save As] menu");
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

TEST(Shutdown, ClosingTheMainWindowClosesTheDisplayWindow) {
    WindowRig w;
    w.window->Load();
    w.window->show();
    QTest::mouseClick(w.Get<QPushButton>("Command1"), Qt::LeftButton);
    QWidget* second = w.window->DisplayWindowWidget();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(second->isVisible());
    w.window->close();
    EXPECT_FALSE(second->isVisible());
}

} // namespace
} // namespace quorbit::test
