#pragma once
// Safe file writing and the number formats the program's text files use.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorbit {

class App;

/// Longest text file (port file, setups) the program reads.
inline constexpr std::size_t kTextFileLimit = 1024 * 1024;

/// WriteFileSafely (hw/SafeFile.h) with special files written directly: a
/// failed write never destroys the old file. Empty string on success, else the reason.
std::string WriteFileAtomically(const std::filesystem::path& target, const std::string& content);
/// Reads a whole text file through the bounded reader: pipes and devices refused,
/// at most kTextFileLimit bytes. Returns the reason on failure (content untouched).
std::string ReadWholeFile(const std::filesystem::path& path, std::string& content);

/// A number as the program prints it in its files: a blank for the sign (or a
/// minus), the digits, one blank after.
std::string NumberField(long long value);
/// A hexadecimal number as the operator types it: 1 to maxDigits hex digits in
/// any letter case, with 0x before them or h after them ("378", "0x378", "378h").
bool ParseHexNumber(std::string_view text, std::size_t maxDigits, std::uint64_t& value);
/// Upper-case hexadecimal without leading zeros.
std::string Hex(long long value);
/// Exactly four upper-case hex digits.
std::string Hex4(long long value);

/// The four header lines of the log and listing files: title with the maker, a
/// subtitle, date, time, the text's StatCode and the board model, 60 hyphens.
std::string StampedHeader(const App& app, const std::string& title, const std::string& subtitle,
                          const std::string& text);

/// A file problem: a log line and a message box naming the file and the reason.
void ReportFileError(App& app, const std::string& what, const std::string& reason);

} // namespace quorbit
