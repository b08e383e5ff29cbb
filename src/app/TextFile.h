#pragma once
// Safe file writing and the number formats the program's text files use.
#include <filesystem>
#include <string>

namespace quorbit {

class App;

/// Writes the whole content to a temporary file beside the target and renames it
/// over the target, so a failed write never destroys the old file. Returns an
/// empty string on success, else the reason.
std::string WriteFileAtomically(const std::filesystem::path& target, const std::string& content);
/// Reads a whole file; returns the reason on failure (content untouched).
std::string ReadWholeFile(const std::filesystem::path& path, std::string& content);

/// A number as the program prints it in its files: a blank for the sign (or a
/// minus), the digits, one blank after.
std::string NumberField(long long value);
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
