#include "app/TextFile.h"

#include <charconv>
#include <cstdio>

#include "app/App.h"
#include "app/Shell.h"
#include "hw/SafeFile.h"

namespace quorbit {

std::string WriteFileAtomically(const std::filesystem::path& target, const std::string& content) {
    return WriteFileSafely(target, content);
}

std::string ReadWholeFile(const std::filesystem::path& path, std::string& content) {
    std::string text;
    if (std::string error = ReadFileBounded(path.string(), kTextFileLimit + 1, text);
        !error.empty())
        return error;
    if (text.size() > kTextFileLimit)
        return "it is longer than " + std::to_string(kTextFileLimit) +
               " bytes, too long for a text file of this program";
    content = std::move(text);
    return {};
}

std::string NumberField(long long value) {
    return (value < 0 ? "" : " ") + std::to_string(value) + " ";
}

bool ParseHexNumber(std::string_view text, std::size_t maxDigits, std::uint64_t& value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > maxDigits) return false;
    std::uint64_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed, 16);
    if (error != std::errc() || stop != end) return false;
    value = parsed;
    return true;
}

std::string Hex(long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string Hex4(long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%04llX", static_cast<unsigned long long>(value & 0xFFFF));
    return text;
}

std::string StampedHeader(const App& app, const std::string& title, const std::string& subtitle,
                          const std::string& text) {
    return title + kMakerLine + "\r\n" + subtitle + "\r\n" + ShortDateText(app) + " " +
           TimeOfDayText(app) + " StatCode:" + NumberField(TextChecksum(text)) +
           " Model:" + NumberField(app.board.BoardModel) + "\r\n" + std::string(60, '-') + "\r\n";
}

void ReportFileError(App& app, const std::string& what, const std::string& reason) {
    // The operator stopped a wait on a stream: a stop, not a fault of the file.
    if (reason == kStoppedByOperator) {
        ReportOperationStopped(app);
        return;
    }
    LogMessage(app, what + ": " + reason);
    app.svc.dialogs->MsgBox(what + ".\r\n" + reason, kAppTitle, MsgIcon::Exclamation,
                            MsgButtons::Ok, 0);
}

} // namespace quorbit
