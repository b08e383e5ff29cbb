#include "buffers/Display.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string_view>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"

namespace quorbit {
namespace {

constexpr int kCodePageBytes = 256;
constexpr int kDataPageBytes = 128;
constexpr int kLineBytes = 16;
constexpr int kPageLines = kCodePageBytes / kLineBytes;
constexpr int kMostDisplayLines = 256;

bool Keeps(const App& app, std::uint8_t byte, PrintableRule rule) {
    if (rule == PrintableRule::DeviceView) return byte >= 0x20 && byte <= 0x7A;
    return byte != 0 && app.PrintableChars.find(static_cast<char>(byte)) != std::string::npos;
}

std::string HexByte(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

/// First byte of the page that the view can show whole: a page past the end of
/// the buffer shows the buffer's last page instead of reading beyond it.
std::size_t PageStart(int page, int pageBytes, std::size_t bufferSize) {
    const auto lastPage = static_cast<int>(bufferSize / static_cast<std::size_t>(pageBytes)) - 1;
    return static_cast<std::size_t>(std::clamp(page, 0, lastPage) * pageBytes);
}

} // namespace

std::string FormatDisplayLine(const App& app, std::int32_t address, const std::uint8_t* bytes,
                              PrintableRule rule) {
    const std::string digits = "000000" + Hex(address);
    std::string line = digits.substr(digits.size() - 6) + "| ";
    for (int group = 0; group < 4; ++group) {
        for (int i = 0; i < 4; ++i)
            line += HexByte(bytes[group * 4 + i]);
        line += ' ';
    }
    line += "| ";
    for (int i = 0; i < kLineBytes; ++i)
        line += Keeps(app, bytes[i], rule) ? static_cast<char>(bytes[i]) : '.';
    return line;
}

void DisplayPageMemory(App& app) {
    if (app.dev.DeviceType != "MJ") {
        DisplayCodeMemory(app);
        return;
    }
    // The Show button names the buffer a press switches to.
    if (app.ui.showDataButton.caption == "Show Data") DisplayCodeMemory(app);
    if (app.ui.showDataButton.caption == "Show Code") DisplayDataMemory(app);
}

void DisplayCodeMemory(App& app) {
    const auto& code = app.buf.CodeBuffer;
    const ShownLines view = LinesInView(app, ShownExtent(app));
    app.board.Address = static_cast<std::int32_t>(view.start);
    app.board.SplitAddress();
    std::string text;
    for (int line = 0; line < view.lines; ++line) {
        const std::size_t address = view.start + static_cast<std::size_t>(line * kLineBytes);
        if (!text.empty()) text += app.NewLine;
        text += FormatDisplayLine(app, static_cast<std::int32_t>(address), &code[address],
                                  PrintableRule::BufferView);
    }
    app.ui.BufferDisplay.caption = text;
    app.Repaint();
}

void DisplayDataMemory(App& app) {
    const auto& data = app.buf.DataBuffer;
    const std::size_t start = PageStart(app.ui.pageScrollBar.value, kDataPageBytes, data.size());
    app.board.Address = static_cast<std::int32_t>(start);
    app.board.SplitAddress();
    std::string text = "             *** BUFFER DATA ***" + app.NewLine;
    for (int line = 0; line < kDataPageBytes / kLineBytes; ++line) {
        const std::size_t address = start + static_cast<std::size_t>(line * kLineBytes);
        text += app.NewLine;
        text += FormatDisplayLine(app, static_cast<std::int32_t>(address), &data[address],
                                  PrintableRule::BufferView);
    }
    app.ui.BufferDisplay.caption = text;
    app.Repaint();
}

bool ShowsDevicePage(const App& app) {
    return app.DisplayMode == "DisplayEprom";
}

std::size_t PageBarExtent(const App& app) {
    return static_cast<std::size_t>(std::max(app.ui.pageScrollBar.max, 0) + 1) * kCodePageBytes;
}

std::size_t ShownExtent(const App& app) {
    if (ShowsDevicePage(app)) return PageBarExtent(app);
    return std::min(app.buf.CodeBuffer.size(), PageBarExtent(app));
}

ShownLines LinesInView(const App& app, std::size_t extent) {
    const auto total = static_cast<std::int64_t>(extent / kLineBytes);
    const auto lines = std::min<std::int64_t>(app.DisplayLines, total);
    const std::int64_t page = app.ui.pageScrollBar.value;
    // The wheel's top line counts while it lies in the bar's page.
    std::int64_t top = app.DisplayTopAddress / kCodePageBytes == page
                           ? app.DisplayTopAddress / kLineBytes * kLineBytes
                           : page * kCodePageBytes;
    // Past the end the view keeps its lines full: it starts earlier instead.
    top = std::clamp<std::int64_t>(top, 0, (total - lines) * kLineBytes);
    return {static_cast<std::uint32_t>(top), static_cast<int>(lines)};
}

void SetDisplayLines(App& app, int lines) {
    lines = std::clamp(lines, kPageLines, kMostDisplayLines);
    if (lines == app.DisplayLines) return;
    app.DisplayLines = lines;
    // The chip's view takes the new lines at its next move: reading it again for
    // a resize would reset the board under the operator's hands.
    if (app.DisplayMode == "Read") DisplayPageMemory(app);
}

namespace {

/// A hex address as the operator may type it: 7FF00, 7FF00h, 0x7FF00 or &H7FF00.
std::optional<std::uint32_t> ParseHexAddress(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    else if (text.size() > 2 && text[0] == '&' && (text[1] == 'h' || text[1] == 'H'))
        text.erase(0, 2);
    else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H'))
        text.pop_back();
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t address = 0;
    for (char c : text) {
        const auto digit =
            std::string_view("0123456789ABCDEF")
                .find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (digit == std::string_view::npos) return std::nullopt;
        address = address * 16 + static_cast<std::uint32_t>(digit);
    }
    return address;
}

/// The data buffer (the microcontroller's EEPROM) is shown in pages of 128 bytes.
bool ShowsDataBuffer(const App& app) {
    return app.DisplayMode == "Read" && app.dev.DeviceType == "MJ" &&
           app.ui.showDataButton.caption == "Show Code";
}

/// Shows the view from a line's address, moving the page bar to its page.
void MoveViewTo(App& app, std::int64_t top) {
    app.DisplayTopAddress = top;
    const auto page = static_cast<int>(top / kCodePageBytes);
    if (page == app.ui.pageScrollBar.value)
        pageScrollBar_Change(app);
    else
        SetPosition(app.ui.pageScrollBar, page);
}

/// The code buffer or the chip is shown a line at a time.
bool ShowsLines(const App& app) {
    return ShowsDevicePage(app) || (app.DisplayMode == "Read" && !ShowsDataBuffer(app));
}

} // namespace

void ScrollDisplayLines(App& app, int lines) {
    if (lines == 0) return;
    if (!ShowsLines(app)) { // the data buffer's pages move whole
        SetPosition(app.ui.pageScrollBar, app.ui.pageScrollBar.value + (lines > 0 ? 1 : -1));
        return;
    }
    const std::size_t extent = ShownExtent(app);
    const ShownLines view = LinesInView(app, extent);
    const auto last = (static_cast<std::int64_t>(extent / kLineBytes) - view.lines) * kLineBytes;
    const std::int64_t top =
        std::clamp<std::int64_t>(std::int64_t{view.start} + std::int64_t{lines} * kLineBytes, 0,
                                 std::max<std::int64_t>(last, 0));
    if (top != view.start) MoveViewTo(app, top);
}

void GoToAddress_Commit(App& app) {
    auto& ui = app.ui;
    const std::string typed = ui.GoToAddress.caption;
    const auto address = ParseHexAddress(typed);
    if (!address) {
        LogMessage(app, "Address \"" + typed +
                            "\" is not valid - type a hex address such as 7FF00 and press Enter");
        return;
    }
    const std::uint32_t pageBytes = ShowsDataBuffer(app) ? kDataPageBytes : kCodePageBytes;
    const auto lastPage = static_cast<std::uint32_t>(ui.pageScrollBar.max);
    std::uint32_t page = *address / pageBytes;
    ui.GoToAddress.caption = Hex(static_cast<long long>(*address)) + "h";
    if (page > lastPage) {
        page = lastPage;
        LogMessage(app, "Address " + ui.GoToAddress.caption + " is past the last address " +
                            Hex(static_cast<long long>((lastPage + 1) * pageBytes - 1)) +
                            "h - the last page is shown");
    }
    MoveViewTo(app, std::int64_t{page} * kCodePageBytes);
}

namespace {

/// The chip address of a byte of the shown page, when it has one the verify
/// compared: the device view shows chip addresses; the buffer view maps through
/// the Hi Byte / Low Byte choice.
std::optional<std::uint32_t> ChipAddressOf(const App& app, std::uint32_t shown) {
    if (ShowsDevicePage(app)) return shown;
    const auto& hiLow = app.ui.byteChoiceButtons;
    if (!hiLow[1].selected() && !hiLow[2].selected()) return shown;
    if ((shown % 2 == 1) != hiLow[1].selected()) return std::nullopt;
    return shown / 2;
}

/// The shown page's address of a chip address (its first byte in the buffer view).
std::uint32_t ShownAddressOf(const App& app, std::uint32_t chip) {
    if (ShowsDevicePage(app)) return chip;
    const auto& hiLow = app.ui.byteChoiceButtons;
    if (hiLow[1].selected()) return 2 * chip + 1;
    if (hiLow[2].selected()) return 2 * chip;
    return chip;
}

/// The kept differing range that holds a chip address.
const AddressRange* RangeHolding(const std::vector<AddressRange>& kept, std::uint32_t chip) {
    const auto after =
        std::upper_bound(kept.begin(), kept.end(), chip,
                         [](std::uint32_t a, const AddressRange& r) { return a < r.first; });
    if (after == kept.begin() || (after - 1)->last < chip) return nullptr;
    return &*(after - 1);
}

void JumpToDifference(App& app, bool forward) {
    const auto& kept = app.ops.Mismatches.Kept();
    if (kept.empty() || !ShowsLines(app)) {
        SetStatusText(app, "No differences to show: the last verify found none");
        return;
    }
    // From the range shown last while it is in view, else from the view's top.
    const ShownLines view = LinesInView(app, ShownExtent(app));
    const auto inView = [&view](std::uint32_t shown) {
        return shown >= view.start &&
               shown - view.start < static_cast<std::uint32_t>(view.lines * kLineBytes);
    };
    std::int64_t from = app.DifferenceShown;
    if (from < 0 || !inView(ShownAddressOf(app, static_cast<std::uint32_t>(from)))) {
        // The first chip address the view shows (a half's addresses are doubled).
        from = std::int64_t{view.start} / (ShownAddressOf(app, 1) - ShownAddressOf(app, 0));
        if (forward) --from;
    }
    const AddressRange* next = nullptr;
    if (forward) {
        const auto at = std::find_if(kept.begin(), kept.end(),
                                     [from](const AddressRange& r) { return r.first > from; });
        if (at != kept.end()) next = &*at;
    } else {
        const auto at = std::find_if(kept.rbegin(), kept.rend(),
                                     [from](const AddressRange& r) { return r.first < from; });
        if (at != kept.rend()) next = &*at;
    }
    if (!next) {
        SetStatusText(app, forward ? "No differing byte after this one"
                                   : "No differing byte before this one");
        return;
    }
    app.DifferenceShown = next->first;
    const auto range = next->first == next->last ? Hex(next->first) + "h"
                                                 : Hex(next->first) + "h-" + Hex(next->last) + "h";
    SetStatusText(app, "Difference at " + range);
    const std::uint32_t shown = ShownAddressOf(app, next->first);
    if (inView(shown))
        app.Repaint();
    else
        MoveViewTo(app, std::int64_t{shown} / kCodePageBytes * kCodePageBytes);
}

} // namespace

std::vector<PageCell> DifferingCellsOfPage(const App& app) {
    const auto& kept = app.ops.Mismatches.Kept();
    if (kept.empty() || !ShowsLines(app)) return {};
    const ShownLines view = LinesInView(app, ShownExtent(app));
    const AddressRange* current = nullptr;
    if (app.DifferenceShown >= 0)
        current = RangeHolding(kept, static_cast<std::uint32_t>(app.DifferenceShown));
    std::vector<PageCell> cells;
    for (int i = 0; i < view.lines * kLineBytes; ++i) {
        const auto chip = ChipAddressOf(app, view.start + static_cast<std::uint32_t>(i));
        if (!chip) continue;
        const AddressRange* range = RangeHolding(kept, *chip);
        if (!range) continue;
        const int column = i % kLineBytes;
        // "AAAAAA| ", four groups of four bytes and a blank, "| ", the characters.
        cells.push_back(
            {i / kLineBytes, 8 + column / 4 * 9 + column % 4 * 2, 46 + column, range == current});
    }
    return cells;
}

void NextDifference_Click(App& app) {
    JumpToDifference(app, true);
}

void PreviousDifference_Click(App& app) {
    JumpToDifference(app, false);
}

void pageScrollBar_Change(App& app) {
    // A move of the bar (not the wheel's) shows its page from the first line.
    if (app.DisplayTopAddress / kCodePageBytes != app.ui.pageScrollBar.value)
        app.DisplayTopAddress = std::int64_t{app.ui.pageScrollBar.value} * kCodePageBytes;
    if (app.DisplayMode == "Read")
        DisplayPageMemory(app);
    else if (app.DisplayMode == "DisplayEprom")
        DisplayEprom(app);
}

void showDataButton_Click(App& app) {
    auto& ui = app.ui;
    if (app.dev.DeviceType != "MJ") {
        ui.bufferFrame.caption = "Code Buffer Hex/Ascii Display";
        app.DisplayMode = "Read";
    } else if (ui.showDataButton.caption != "Show Data") {
        ui.showDataButton.caption = "Show Data";
        SetScrollMax(ui.pageScrollBar, app.dev.DeviceSize / 256 - 1);
        ui.bufferFrame.caption = "Code Buffer Hex/Ascii Display";
    } else {
        ui.showDataButton.caption = "Show Code";
        SetScrollMax(ui.pageScrollBar, 63);
        ui.bufferFrame.caption = "Data Buffer Hex/Ascii Display";
    }
    app.DisplayTopAddress = 0;
    SetPosition(ui.pageScrollBar, 0);
    DisplayPageMemory(app);
}

void BufferDisplay_DblClick(App& app) {
    const std::string& text = app.ui.BufferDisplay.caption;
    const std::string header =
        StampedHeader(app, "QUORBIT BUFFER DISPLAY FILE - ",
                      "The following contents are the contents from Buffer DIsplay", text);
    const auto path = std::filesystem::path(app.svc.workFolder) / "QUORBIT.BUF";
    const std::string error = WriteFileAtomically(path, header + text + "\r\n");
    if (!error.empty()) {
        ReportFileError(app, "Could not save the Buffer Display to " + path.string(), error);
        return;
    }
    LogMessage(app, "Buffer DIsplay was Saved to QUORBIT.BUF file");
    PlayEventSound(app, "OK");
}

void openDisplayButton_Click(App& app) {
    DisplayWindow& window = app.frmDisplay1;
    window.created = true;
    SetPosition(window.pageScrollBar, 0);
    app.board.Address = 0;
    app.board.SplitAddress();
    std::string text;
    for (int line = 0; line < kCodePageBytes / kLineBytes; ++line) {
        const int address = line * kLineBytes;
        text += app.NewLine;
        text +=
            FormatDisplayLine(app, address, &app.buf.CodeBuffer[static_cast<std::size_t>(address)],
                              PrintableRule::BufferView);
    }
    window.BufferDisplay.caption = text;
    window.visible = true;
    app.Repaint();
}

} // namespace quorbit
