// Paging through a large image in the hex view: the scroll bar's thumb (with the
// page following the drag), the mouse wheel and the keys over the page, and the Go
// to address field all reach the end of an AM29F040; a taller window shows more.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QWheelEvent>

#include "WindowRig.h"
#include "gui/Widgets.h"
#include "sim/SimBoard.h"

namespace quorbit::test {
namespace {

constexpr int kAm29F040 = 27;
constexpr int kLastPage = 0x7FF;

/// An AM29F040 read into the buffer and shown from page 0.
struct ReadAm29F040 {
    ReadAm29F040() {
        w.window->Load();
        w.Show();
        auto* list = w.Get<QComboBox>("Device");
        list->setCurrentIndex(kAm29F040);
        emit list->activated(kAm29F040);
        QTest::mouseClick(w.Get<QPushButton>("Read_button"), Qt::LeftButton);
        w.Settle();
        page = w.Get<QPlainTextEdit>("BufferDisplay");
        bar = w.Get<QScrollBar>("VScroll1");
    }
    /// The address of the first line on show, as the page says it.
    [[nodiscard]] int Shown() const { return page->toPlainText().left(6).toInt(nullptr, 16); }
    void Wheel(int angle) const {
        const QPointF at(page->viewport()->rect().center());
        QWheelEvent turn(at, page->viewport()->mapToGlobal(at), QPoint(), QPoint(0, angle),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(page->viewport(), &turn);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QTest::keyClick(page, static_cast<Qt::Key>(key), modifiers);
    }

    WindowRig w;
    QPlainTextEdit* page = nullptr;
    QScrollBar* bar = nullptr;
};

TEST(HexPage, TheThumbDragsWithTheLastPageShownLive) {
    ReadAm29F040 r;
    ASSERT_EQ(r.bar->maximum(), kLastPage);
    EXPECT_GE(r.bar->pageStep(), 128) << "a click in the track moves far";
    r.bar->setSliderDown(true); // the operator holds the thumb
    r.bar->setSliderPosition(1000);
    EXPECT_EQ(r.Shown(), 1000 * 256) << "redrawn while dragged";
    r.bar->setSliderPosition(kLastPage);
    EXPECT_EQ(r.Shown(), 0x7FF00);
    r.bar->setSliderDown(false);
    EXPECT_EQ(r.Shown(), 0x7FF00);
    EXPECT_EQ(r.w.app().ui.pageScrollBar.value, kLastPage);
}

TEST(HexPage, TheWheelAndTheArrowsMoveByLinesThePagingKeysByPages) {
    ReadAm29F040 r;
    const int notch = QApplication::wheelScrollLines() * 16;
    r.Wheel(-120);
    EXPECT_EQ(r.Shown(), notch);
    r.Wheel(-360);
    EXPECT_EQ(r.Shown(), 4 * notch);
    for (int step = 0; step < 4; ++step) // a touchpad's small steps add up to a notch
        r.Wheel(30);
    EXPECT_EQ(r.Shown(), 3 * notch);
    r.Key(Qt::Key_PageDown); // a page on from the line shown
    EXPECT_EQ(r.Shown(), 3 * notch + 0x100);
    EXPECT_EQ(r.bar->value(), 1 + 3 * notch / 0x100) << "the bar follows the top line's page";
    r.Wheel(120 * 1000); // far past the start stops at the first line
    EXPECT_EQ(r.Shown(), 0);

    // Far past the end stops with the chip's last line at the foot of the view.
    r.Wheel(-120 * 0x10000);
    EXPECT_EQ(r.Shown() + 16 * r.page->blockCount(), 0x80000);
    EXPECT_EQ(r.page->document()->lastBlock().text().left(6), "07FFF0");

    // The arrows walk the lines; past the last one the view moves a line, and
    // the caret stays at the foot so that a held key goes on.
    r.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(r.Shown(), 0);
    r.page->moveCursor(QTextCursor::Start);
    for (int line = 1; line < r.page->blockCount(); ++line)
        r.Key(Qt::Key_Down);
    EXPECT_EQ(r.Shown(), 0) << "still within the view";
    r.Key(Qt::Key_Down);
    EXPECT_EQ(r.Shown(), 0x10);
    r.Key(Qt::Key_Down);
    EXPECT_EQ(r.Shown(), 0x20);
    r.page->moveCursor(QTextCursor::Start);
    r.Key(Qt::Key_Up);
    EXPECT_EQ(r.Shown(), 0x10);
    r.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(r.Shown() + 16 * r.page->blockCount(), 0x80000);
    EXPECT_EQ(r.bar->value(), kLastPage);
}

TEST(HexPage, ATallerWindowShowsMoreLinesInTheSameFont) {
    ReadAm29F040 r;
    auto* box = r.w.Get<gui::HexPageBox>("BufferDisplay");
    const qreal points = box->font().pointSizeF();
    r.w.window->resize(r.w.window->width(), r.w.window->height() * 3 / 2);
    WindowRig::Relayout();
    const int lines = r.page->blockCount();
    EXPECT_GT(lines, 16);
    EXPECT_EQ(lines, box->LinesThatFit());
    EXPECT_EQ(box->font().pointSizeF(), points) << "as wide as before";
    // Every line in view, one after another, and all of them on show.
    for (int line = 0; line < lines; ++line)
        EXPECT_EQ(r.page->document()->findBlockByNumber(line).text().left(6).toInt(nullptr, 16),
                  16 * line)
            << line;
    const QRect last = r.page->cursorRect(QTextCursor(r.page->document()->lastBlock()));
    EXPECT_LE(last.bottom(), r.page->viewport()->height());

    // Back to the smallest window: the page's 16 lines again.
    r.w.window->resize(r.w.window->minimumSizeHint());
    WindowRig::Relayout();
    EXPECT_EQ(r.page->blockCount(), 16);
}

TEST(HexPage, GoToAddressShowsThePageThatHoldsIt) {
    ReadAm29F040 r;
    auto* field = r.w.Get<QLineEdit>("GoToAddress");
    field->setFocus();
    QTest::keyClicks(field, "7ff3a");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(r.Shown(), 0x7FF00);
    EXPECT_EQ(field->text(), "7FF3Ah");
    EXPECT_EQ(r.bar->value(), kLastPage);

    field->selectAll();
    QTest::keyClicks(field, "nothing");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(r.Shown(), 0x7FF00);
    EXPECT_TRUE(r.w.Get<QPlainTextEdit>("SystemLog")
                    ->toPlainText()
                    .contains("Address \"nothing\" is not valid"));
}

TEST(HexPage, TheChipsPagesAreReadWhenTheThumbIsLetGo) {
    ReadAm29F040 r;
    EXPECT_TRUE(r.bar->hasTracking());
    QTest::mouseClick(r.w.Get<QPushButton>("Display_button"), Qt::LeftButton);
    r.w.Settle();
    // Each page of the chip is read from the board: not at every step of a drag.
    EXPECT_FALSE(r.bar->hasTracking());
    r.Key(Qt::Key_End, Qt::ControlModifier); // a read of the chip's last page
    r.w.Settle();
    EXPECT_EQ(r.Shown(), 0x7FF00);
    EXPECT_EQ(r.w.app().ui.bufferFrame.caption, "Device Memory Hex/Ascii Display");
}

TEST(HexPage, AVerifysDifferencesAreMarkedOnBothViewsAndTheJumpKeysVisitThemInOrder) {
    ReadAm29F040 r; // an erased chip
    WindowRig& w = r.w;
    std::string image(512 * 1024, '\xFF');
    for (const std::size_t at : {0x10u, 0x11u, 0x12u, 0x150u, 0x7FF00u})
        image[at] = '\0';
    const auto file = w.rig.dir / "image.bin";
    WriteBytes(file, image);
    w.rig.dialogs.fileAnswers.push_back(file.string());
    w.window->ControlAction("mnuFileOpenCode")->trigger();
    QTest::keyClick(w.window.get(), Qt::Key_F7); // Verify
    w.Settle();
    ASSERT_FALSE(w.rig.dialogs.boxes.empty());
    const auto& box = w.rig.dialogs.boxes.back();
    EXPECT_EQ(box.text, "Program or Compare Error");
    EXPECT_EQ(box.informative, "First difference at 10h: buffer 0h, device FFh.\r\n"
                               "5 bytes differ in 3 ranges: 10-12, 150, 7FF00.");

    // Each differing byte of the page is marked, its hex digits and its character.
    auto marks = [&r] { return r.page->extraSelections(); };
    ASSERT_EQ(marks().size(), 6);
    EXPECT_EQ(marks()[0].cursor.selectedText(), "00");
    EXPECT_EQ(marks()[1].cursor.selectedText(), ".");
    // The jump keys visit the ranges in order, the one shown in its own colour.
    const auto press = [&w](Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(w.window.get(), Qt::Key_F3, modifiers);
        w.Settle();
    };
    const QColor unshown = marks()[0].format.background().color();
    press();
    EXPECT_EQ(r.Shown(), 0);
    ASSERT_EQ(marks().size(), 6);
    EXPECT_NE(marks()[0].format.background().color(), unshown) << "10-12 shown";
    press();
    EXPECT_EQ(r.Shown(), 0x100);
    ASSERT_EQ(marks().size(), 2);
    EXPECT_NE(marks()[0].format.background().color(), unshown) << "150 shown";
    press();
    EXPECT_EQ(r.Shown(), 0x7FF00);
    press();
    EXPECT_EQ(r.Shown(), 0x7FF00);
    EXPECT_EQ(w.app().ui.sbStatusBar[0].caption, "No differing byte after this one");
    press(Qt::ShiftModifier);
    EXPECT_EQ(r.Shown(), 0x100);
    ASSERT_EQ(marks().size(), 2);
    EXPECT_NE(marks()[0].format.background().color(), unshown) << "150 shown";

    // The device view marks the same bytes of the chip, page by page as it is read.
    QTest::mouseClick(w.Get<QPushButton>("Display_button"), Qt::LeftButton);
    w.Settle();
    EXPECT_EQ(r.Shown(), 0);
    EXPECT_EQ(marks().size(), 6);
    press();
    press();
    EXPECT_EQ(r.Shown(), 0x100);
    EXPECT_EQ(w.app().ui.bufferFrame.caption, "Device Memory Hex/Ascii Display");
    ASSERT_EQ(marks().size(), 2);
    EXPECT_EQ(marks()[0].cursor.selectedText(), "FF"); // as the chip holds it
}

} // namespace
} // namespace quorbit::test
