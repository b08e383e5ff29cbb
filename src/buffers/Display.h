#pragma once
// The hex/ASCII view of the code buffer, the data buffer and the chip, one page
// at a time, and its listing file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorbit {

class App;

/// Which bytes show as themselves in the text column.
enum class PrintableRule {
    BufferView, // characters of PrintableChars
    DeviceView  // 20h (space) to 7Ah ("z")
};

/// One display line: six-digit address, "| ", four groups of four bytes in hex,
/// "| ", sixteen characters.
std::string FormatDisplayLine(const App& app, std::int32_t address, const std::uint8_t* bytes,
                              PrintableRule rule);

/// Where a byte of the shown page stands in the page's text.
struct PageCell {
    int line = 0;       // 0..15
    int hexColumn = 0;  // its two hex digits
    int textColumn = 0; // its character
    /// In the differing range the jump keys showed last.
    bool current = false;
};
/// The bytes of the shown page, of the code buffer or of the chip, that the last
/// verify found different (as far as it kept their ranges).
std::vector<PageCell> DifferingCellsOfPage(const App& app);
/// The page of the next (or previous) range of differing bytes of the last verify,
/// after (before) the one shown last or the page shown; the status bar says when
/// there is none.
void NextDifference_Click(App& app);
void PreviousDifference_Click(App& app);

/// The lines of the code buffer or of the chip in view: from the view's top line
/// (earlier near the end, so that the lines stay full), at most DisplayLines.
struct ShownLines {
    std::uint32_t start = 0;
    int lines = 0;
};
ShownLines LinesInView(const App& app, std::size_t extent);
/// The bytes the page bar reaches (its last page included).
std::size_t PageBarExtent(const App& app);
/// The bytes the view moves over: the chip's, or the code buffer's within the bar.
std::size_t ShownExtent(const App& app);
/// The number of lines a taller window shows (never fewer than a page's 16).
void SetDisplayLines(App& app, int lines);
/// Moves the view by lines (the wheel): down for positive counts, carrying the
/// page bar along; the data buffer moves by its pages.
void ScrollDisplayLines(App& app, int lines);

void DisplayPageMemory(App& app);
void DisplayCodeMemory(App& app);
void DisplayDataMemory(App& app);
/// Reads page P of the chip from the board and shows it.
void DisplayEprom(App& app);

void pageScrollBar_Change(App& app);
/// The chip's page is shown (read live from the board at every move of pageScrollBar).
bool ShowsDevicePage(const App& app);
/// GoToAddress: shows the page of the shown memory that holds the typed hex
/// address; one past the end shows the last page, and a text that is no address
/// is refused in the log.
void GoToAddress_Commit(App& app);
void showDataButton_Click(App& app);
void displayButton_Click(App& app);
void menuDisplayCode_Click(App& app);
/// Saves the shown text to QUORBIT.BUF in the working folder.
void BufferDisplay_DblClick(App& app);
/// Shows code-buffer page 0 in the secondary window frmDisplay1.
void openDisplayButton_Click(App& app);

} // namespace quorbit
