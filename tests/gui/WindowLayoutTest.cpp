// The window's layout at any system font size (a screen of another resolution
// gives another size): at its first-start size every control is whole and apart,
// the hex page is whole in a font of at least the system's size, the log shows
// eight lines; a larger window gives the page a larger font and the log more room.
// Every check measures the fonts found at run time, never pixels of one machine.
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <cstdint>
#include <map>
#include <vector>

#include "WindowRig.h"
#include "buffers/Display.h"
#include "catalog/DeviceSelection.h"
#include "gui/FormLayout.h"
#include "gui/Widgets.h"

namespace quorbit::test {
namespace {

/// The application's font at another size for the life of one test part.
class SystemFontSize {
  public:
    explicit SystemFontSize(qreal points) : saved_(QApplication::font()) {
        QFont font = saved_;
        if (points > 0) font.setPointSizeF(points);
        QApplication::setFont(font);
    }
    ~SystemFontSize() { QApplication::setFont(saved_); }
    SystemFontSize(const SystemFontSize&) = delete;
    SystemFontSize& operator=(const SystemFontSize&) = delete;

  private:
    QFont saved_;
};

/// The widest page the display shows: every byte a wide character in the text column.
std::string WidestPage(const App& app) {
    std::string text;
    std::uint8_t bytes[16];
    for (int line = 0; line < 16; ++line) {
        for (int i = 0; i < 16; ++i)
            bytes[i] = static_cast<std::uint8_t>(i % 2 ? 'W' : 'M');
        if (line) text += "\r\n";
        text += FormatDisplayLine(app, 0xFFF00 + line * 16, bytes, PrintableRule::DeviceView);
    }
    return text;
}

/// Every line of the page is in view, to its last character.
void ExpectWholePage(QPlainTextEdit* page, const std::string& when) {
    ASSERT_EQ(page->document()->blockCount(), 16) << when;
    for (int line = 0; line < 16; ++line) {
        QTextCursor end(page->document()->findBlockByNumber(line));
        end.movePosition(QTextCursor::EndOfBlock);
        const QRect caret = page->cursorRect(end);
        EXPECT_LE(caret.bottom(), page->viewport()->height()) << "line " << line << ", " << when;
        EXPECT_LE(caret.right(), page->viewport()->width()) << "line " << line << ", " << when;
    }
}

/// Lines of the log's font that its box shows.
double LogLines(const WindowRig& w) {
    auto* log = w.Get<QPlainTextEdit>("SystemLog");
    return log->viewport()->height() / QFontMetricsF(log->font(), log).lineSpacing();
}

/// Visible controls lie inside the control area, and none covers another of its box.
void ExpectControlsWholeAndApart(const WindowRig& w, const std::string& when) {
    QWidget* area = w.window->centralWidget();
    std::map<std::string, std::vector<std::pair<const char*, QRect>>> byParent;
    for (const gui::Placement& place : gui::MainFormLayout()) {
        QWidget* widget = w.Get(place.name);
        if (!widget->isVisibleTo(w.window.get())) continue;
        const QRect box(widget->mapTo(area, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(area->rect().contains(box)) << place.name << ", " << when;
        EXPECT_FALSE(box.isEmpty()) << place.name << ", " << when;
        for (const auto& [other, otherBox] : byParent[place.parent])
            EXPECT_FALSE(box.intersects(otherBox))
                << place.name << " covers " << other << ", " << when;
        byParent[place.parent].emplace_back(place.name, box);
    }
}

TEST(WindowLayout, AtTheFirstStartSizeThePageIsWholeAndTheLogShowsEightLines) {
    // 0: the system's own size; then a small, a large and a very large system font.
    for (const qreal points : {0.0, 7.0, 12.0, 16.0}) {
        SystemFontSize size(points);
        const std::string when = "system font " + std::to_string(QApplication::font().pointSizeF());
        for (const bool chosen : {false, true}) {
            WindowRig w;
            w.window->Load();
            if (chosen) SelectDevice(w.app(), 27); // the voltage and option frames appear
            w.app().ui.BufferDisplay.caption = WidestPage(w.app());
            w.window->Sync();
            w.Show();
            auto* page = w.Get<gui::HexPageBox>("BufferDisplay");
            EXPECT_GE(page->font().pointSizeF(), QApplication::font().pointSizeF()) << when;
            EXPECT_FALSE(page->verticalScrollBar()->isVisible()) << "VScroll1 alone pages";
            ExpectWholePage(page, when);
            EXPECT_GE(LogLines(w), 8.0) << when;
            ExpectControlsWholeAndApart(w, when + (chosen ? ", device chosen" : ""));
        }
    }
}

TEST(WindowLayout, ALargerWindowShowsThePageLargerAndTheLogLonger) {
    WindowRig w;
    w.window->Load();
    SelectDevice(w.app(), 27);
    w.app().ui.BufferDisplay.caption = WidestPage(w.app());
    w.window->Sync();
    w.Show();
    auto* page = w.Get<gui::HexPageBox>("BufferDisplay");
    const qreal smallest = page->font().pointSizeF();
    const double logLines = LogLines(w);
    const int leftColumn = w.Get("LeftColumn")->width();

    w.window->resize(w.window->size() * 1.6);
    WindowRig::Relayout();
    EXPECT_GT(page->font().pointSizeF(), smallest);
    ExpectWholePage(page, "larger window");
    EXPECT_GT(LogLines(w), logLines + 4);
    EXPECT_EQ(w.Get("LeftColumn")->width(), leftColumn) << "the controls keep their size";
    ExpectControlsWholeAndApart(w, "larger window");

    w.window->resize(w.window->minimumSizeHint());
    WindowRig::Relayout();
    EXPECT_EQ(page->font().pointSizeF(), smallest) << "back to the smallest";
    ExpectWholePage(page, "smallest window");
}

} // namespace
} // namespace quorbit::test
