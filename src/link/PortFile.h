#pragma once
// The port/model file quorbit6.ini: remembers where the board was found.
#include <optional>
#include <string>

#include "app/Services.h"

namespace quorbit {

class App;

inline constexpr const char* kPortFileName = "quorbit6.ini";

struct PortFileContents {
    std::optional<int> port;  // last IO_PORT line
    std::optional<int> model; // last MODEL line
    std::string keys;         // "PORT" / "MODEL" in the order met
    bool fastPort = false;    // a "FAST_PORT = 1" line: the window's fast port option
};

/// The four lines of the file, CR LF ended, and a fifth "FAST_PORT = 1" while the
/// window's fast port option is on (a file without it reads as before).
std::string FormatPortFile(int dataPort, int boardModel, const LocalTime& when,
                           bool fastPort = false);
/// Reads the lines that start with "IO_PORT = ", "MODEL = " or "FAST_PORT = ";
/// ignores the rest. The fast port line is not one of `keys`, which tell whether
/// the file names a board.
PortFileContents ParsePortFile(const std::string& text);

/// Value of a hex number as "&H" + text reads it: stops at the first non-hex digit.
int LenientHex(const std::string& text);
/// Decimal value as a lenient reader takes it (leading blanks skipped, stops at the
/// first character that cannot continue the number), rounded to the nearest integer.
int LenientDecimal(const std::string& text);

/// True when a printer port base and its status and control ports (base + 1, + 2)
/// all stay within FFFFh.
bool PortBaseFits(int base);

void SavePortFile(App& app);
void LoadPortFile(App& app);

} // namespace quorbit
