#include "app/TextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {

std::string WriteFileAtomically(const std::filesystem::path& target, const std::string& content) {
    std::filesystem::path temp = target;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return std::strerror(errno);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            const std::string reason = std::strerror(errno);
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return reason.empty() ? "write failed" : reason;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return ec.message();
    }
    return {};
}

std::string ReadWholeFile(const std::filesystem::path& path, std::string& content) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return "it is a folder, not a file";
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::strerror(errno);
    std::ostringstream data;
    data << in.rdbuf();
    if (in.bad()) return "read error";
    content = data.str();
    return {};
}

std::string NumberField(long long value) {
    return (value < 0 ? "" : " ") + std::to_string(value) + " ";
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
    LogMessage(app, what + ": " + reason);
    app.svc.dialogs->MsgBox(what + ".\r\n" + reason, kAppTitle, MsgIcon::Exclamation,
                            MsgButtons::Ok, 0);
}

} // namespace quorbit
