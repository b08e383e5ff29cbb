// The hex/ASCII views, the device view on the simulated board and the listing file.
#include <gtest/gtest.h>

#include <sstream>

#include "Fakes.h"
#include "buffers/Display.h"
#include "catalog/DeviceSelection.h"
#include "session/Startup.h"
#include "sim/ChipFactory.h"

namespace quorbit::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (;;) {
        const auto at = text.find("\r\n", from);
        lines.push_back(text.substr(from, at - from));
        if (at == std::string::npos) return lines;
        from = at + 2;
    }
}

struct Display : ::testing::Test {
    Rig rig;
    App& app = *rig.app;
    Display() {
        app.RunGuarded(Form_Load);
        rig.ClearLog();
    }
};

TEST_F(Display, LineFormatAndPrintableRulesOfBothViews) {
    std::uint8_t letters[16];
    for (int i = 0; i < 16; ++i)
        letters[i] = static_cast<std::uint8_t>(0x41 + i);
    EXPECT_EQ(FormatDisplayLine(app, 0x10, letters, PrintableRule::BufferView),
              "000010| 41424344 45464748 494A4B4C 4D4E4F50 | ABCDEFGHIJKLMNOP");

    const std::uint8_t mixed[16] = {0x20, 0x22, 0x60, 0x7E, 0x7B, 0x7C, 0x7D, 0x7A,
                                    0x7F, 0x80, 0xFF, 0x00, 0x1F, 0x30, 0x27, 0x5C};
    // Buffer views: only PrintableChars (no space, quote, back quote or tilde).
    EXPECT_EQ(FormatDisplayLine(app, 0xFFF00, mixed, PrintableRule::BufferView),
              "0FFF00| 2022607E 7B7C7D7A 7F80FF00 1F30275C | ....{|}z.....0'\\");
    // Device view: 20h to 7Ah.
    EXPECT_EQ(FormatDisplayLine(app, 0xFFF00, mixed, PrintableRule::DeviceView),
              "0FFF00| 2022607E 7B7C7D7A 7F80FF00 1F30275C |  \"`....z.....0'\\");
}

TEST_F(Display, CodePageIsSixteenLinesWithoutOuterBreaks) {
    SelectDevice(app, 21); // 27C080: 4096 pages
    for (int i = 0; i < 16; ++i)
        app.buf.CodeBuffer[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x41 + i);
    app.DisplayMode = "Read";
    SetPosition(app.ui.pageScrollBar, 1);
    SetPosition(app.ui.pageScrollBar, 0);
    auto lines = Lines(app.ui.BufferDisplay.caption);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0], "000000| 41424344 45464748 494A4B4C 4D4E4F50 | ABCDEFGHIJKLMNOP");
    EXPECT_EQ(lines[15].substr(0, 8), "0000F0| ");
    SetPosition(app.ui.pageScrollBar, 4095);
    lines = Lines(app.ui.BufferDisplay.caption);
    EXPECT_EQ(lines[0].substr(0, 6), "0FFF00");
    EXPECT_EQ(lines[15].substr(0, 6), "0FFFF0");
    EXPECT_EQ(app.board.Address, 0xFFF00);
}

TEST_F(Display, DataViewHasAHeaderAndEightLines) {
    app.dev.DeviceType = "MJ"; // the only device with a data memory (not selectable)
    app.dev.DeviceSize = 1024 * 1024;
    app.ui.showDataButton.caption = "Show Data";
    app.buf.DataBuffer[0x1F80] = 'Q';
    app.DisplayMode = "Read";
    showDataButton_Click(app); // to the data view
    EXPECT_EQ(app.ui.showDataButton.caption, "Show Code");
    EXPECT_EQ(app.ui.pageScrollBar.max, 63);
    EXPECT_EQ(app.ui.bufferFrame.caption, "Data Buffer Hex/Ascii Display");
    SetPosition(app.ui.pageScrollBar, 63);
    const auto lines = Lines(app.ui.BufferDisplay.caption);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "             *** BUFFER DATA ***");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].substr(0, 9), "001F80| 5");
    EXPECT_EQ(lines[2].back(), '.');
    EXPECT_EQ(lines[2][lines[2].size() - 16], 'Q');
    EXPECT_EQ(lines[9].substr(0, 6), "001FF0");
    showDataButton_Click(app); // and back
    EXPECT_EQ(app.ui.showDataButton.caption, "Show Data");
    EXPECT_EQ(app.ui.pageScrollBar.max, 4095);
    EXPECT_EQ(Lines(app.ui.BufferDisplay.caption).size(), 16u);
}

TEST_F(Display, DeviceViewReadsThePageFromTheChipInTheSocket) {
    ASSERT_NE(app.board.BoardModel, 0);
    std::vector<std::uint8_t> image(32768, 0xFF);
    const std::string text = "Hello \"EPROM\" {}";
    std::copy(text.begin(), text.end(), image.begin() + 0x7F00);
    rig.sim->Insert(sim::MakeSimChip(11, image));
    app.svc.deviceChosen = nullptr; // the chip above stays in the socket
    SelectDevice(app, 11);
    rig.ClearLog();
    Fire(app.ui.displayButton.onClick);
    EXPECT_EQ(app.DisplayMode, "DisplayEprom");
    EXPECT_EQ(app.ui.bufferFrame.caption, "Device Memory Hex/Ascii Display");
    EXPECT_EQ(rig.LogLines(),
              std::vector<std::string>{"Fetching Device Binary Contents to Screen"});
    EXPECT_EQ(Lines(app.ui.BufferDisplay.caption)[0],
              "000000| FFFFFFFF FFFFFFFF FFFFFFFF FFFFFFFF | ................");
    SetPosition(app.ui.pageScrollBar, 127); // scrolling reads the next page from the chip
    const auto lines = Lines(app.ui.BufferDisplay.caption);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0], "007F00| 48656C6C 6F202245 50524F4D 22207B7D | Hello \"EPROM\" ..");
}

TEST_F(Display, DeviceViewWithNoBoardLeavesThePortAlone) {
    auto port = std::make_unique<RecordingPort>();
    RecordingPort* rec = port.get();
    Rig bare(std::move(port));
    App& a = *bare.app;
    a.RunGuarded(Form_Load);
    ASSERT_EQ(a.board.BoardModel, 0);
    SelectDevice(a, 11);
    rec->log.clear();
    bare.ClearLog();
    Fire(a.ui.displayButton.onClick);
    EXPECT_TRUE(rec->log.empty());
    ASSERT_EQ(bare.dialogs.boxes.size(), 1u);
    EXPECT_NE(bare.dialogs.boxes[0].text.find("TestPort"), std::string::npos);
    ASSERT_EQ(bare.LogLines().size(), 1u);
    EXPECT_NE(a.DisplayMode, "DisplayEprom");
}

TEST_F(Display, DisplayButtonDoesNothingWithoutCodeTicked) {
    SelectDevice(app, 11);
    SetCheck(app.ui.codeCheck, 0);
    rig.ClearLog();
    const auto before = app.ui.BufferDisplay.caption;
    Fire(app.ui.menuDisplayCode.onClick);
    EXPECT_TRUE(rig.LogLines().empty());
    EXPECT_EQ(app.ui.BufferDisplay.caption, before);
}

TEST_F(Display, ListingFileHasTheHeaderAndTheShownText) {
    app.ui.BufferDisplay.caption = "AB\r\nC";
    Fire(app.ui.BufferDisplay.onDblClick);
    const std::string file = ReadBytes(rig.dir / "work" / "QUORBIT.BUF");
    const std::string expected = std::string("QUORBIT BUFFER DISPLAY FILE - ") + kMakerLine +
                                 "\r\n" +
                                 "The following contents are the contents from Buffer DIsplay\r\n"
                                 "12-08-2026 09:05:07 StatCode: 221  Model: 6 \r\n" +
                                 std::string(60, '-') + "\r\nAB\r\nC\r\n";
    EXPECT_EQ(file, expected); // StatCode: A B CR LF C = 65 + 66 + 13 + 10 + 67
    EXPECT_EQ(rig.LogLines(),
              std::vector<std::string>{"Buffer DIsplay was Saved to QUORBIT.BUF file"});
    EXPECT_EQ(rig.sound.played.back(), (rig.dir / "app" / "ok.wav").string());
}

TEST_F(Display, ListingFileFailureIsReported) {
    std::filesystem::remove_all(rig.dir / "work");
    app.ui.BufferDisplay.caption = "AB";
    Fire(app.ui.BufferDisplay.onDblClick);
    EXPECT_EQ(rig.dialogs.boxes.size(), 1u);
    ASSERT_EQ(rig.LogLines().size(), 1u);
    EXPECT_NE(rig.LogLines()[0].find("QUORBIT.BUF"), std::string::npos);
}

TEST_F(Display, Command1ShowsCodePageZeroInTheSecondWindow) {
    app.buf.CodeBuffer[0] = 'Z';
    Fire(app.ui.openDisplayButton.onClick);
    EXPECT_TRUE(app.frmDisplay1.visible);
    const auto lines = Lines(app.frmDisplay1.BufferDisplay.caption);
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "000000| 5A000000 00000000 00000000 00000000 | Z...............");
    EXPECT_EQ(lines[16].substr(0, 6), "0000F0");
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

/// The page the display shows: the address of its first line.
long FirstLineAddress(const App& app) {
    return std::stol(app.ui.BufferDisplay.caption.substr(0, 6), nullptr, 16);
}

TEST_F(Display, GoToAddressShowsThePageThatHoldsItInEveryFormTheOperatorTypes) {
    SelectDevice(app, 27); // AM29F040: 2048 pages
    app.DisplayMode = "Read";
    DisplayPageMemory(app);
    rig.ClearLog();
    auto go = [this](const std::string& typed) {
        app.ui.GoToAddress.caption = typed;
        Fire(app.ui.GoToAddress.onCommit);
    };
    const struct {
        const char* typed;
        long page;
        const char* shown;
    } cases[] = {{"7FF00", 0x7FF00, "7FF00h"},
                 {"0x1234", 0x1200, "1234h"},
                 {"&h7ff", 0x700, "7FFh"},
                 {" 40000h ", 0x40000, "40000h"},
                 {"0", 0, "0h"},
                 {"7ffff", 0x7FF00, "7FFFFh"}};
    for (const auto& c : cases) {
        go(c.typed);
        EXPECT_EQ(FirstLineAddress(app), c.page) << c.typed;
        EXPECT_EQ(app.ui.pageScrollBar.value, c.page / 256) << c.typed;
        EXPECT_EQ(app.ui.GoToAddress.caption, c.shown) << c.typed;
    }
    EXPECT_TRUE(rig.LogLines().empty());

    // Past the end: the last page, and the log says why.
    go("80000");
    EXPECT_EQ(FirstLineAddress(app), 0x7FF00);
    EXPECT_EQ(rig.LogLines().back(),
              "Address 80000h is past the last address 7FFFFh - the last page is shown");
    // Not an address: refused, the page stays.
    go("40000");
    for (const char* bad : {"", "xyz", "12G4", "0x", "123456789", "-5"}) {
        go(bad);
        EXPECT_EQ(FirstLineAddress(app), 0x40000) << bad;
        EXPECT_EQ(rig.LogLines().back(), "Address \"" + std::string(bad) +
                                             "\" is not valid - type a hex address such as "
                                             "7FF00 and press Enter")
            << bad;
    }
}

} // namespace
} // namespace quorbit::test
