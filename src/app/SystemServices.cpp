#include "app/SystemServices.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <vector>

namespace quorbit {

LocalTime SystemClock::Now() const {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

MsgResult ConsoleDialogs::MsgBox(const std::string& text, const std::string& title, MsgIcon,
                                 MsgButtons buttons, int defaultButton) {
    shown.push_back(text);
    (err_ ? *err_ : std::cerr) << "[" << title << "] " << text << "\n";
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgResult::Ok;
    case MsgButtons::OkCancel:
        return assumeYes_ || defaultButton == 0 ? MsgResult::Ok : MsgResult::Cancel;
    case MsgButtons::YesNo:
        return assumeYes_ || defaultButton == 0 ? MsgResult::Yes : MsgResult::No;
    }
    return MsgResult::Ok;
}

std::optional<std::string> ConsoleDialogs::InputBox(const std::string&, const std::string&) {
    return std::nullopt;
}

std::optional<std::string> MemorySettings::Get(const std::string& section,
                                               const std::string& key) const {
    const auto it = values_.find(section + "/" + key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemorySettings::Set(const std::string& section, const std::string& key,
                         const std::string& value) {
    values_[section + "/" + key] = value;
}

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

std::string UserConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return (std::filesystem::path(xdg) / "quorbit").string();
    if (const char* home = std::getenv("HOME"); home && *home)
        return (std::filesystem::path(home) / ".config" / "quorbit").string();
    return ".";
}

bool InstalledProgramFolder(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(folder) / kInstalledMarkerName,
                                            ec);
}

} // namespace quorbit
