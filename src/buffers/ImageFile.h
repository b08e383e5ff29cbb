#pragma once
// Small pieces shared by the code and data file commands.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "hw/SafeFile.h"

namespace quorbit {

inline constexpr const char* kAllFiles = "All Files (*.*)|*.*";
inline constexpr std::size_t kDataFileLimit = 8192;
/// The code file dialogs: every file first (raw binary stays the default), then
/// the record formats, whose extension chooses how a file is saved.
inline constexpr const char* kCodeImageFiles =
    "All Files (*.*)|*.*|Binary (*.bin)|*.bin|Intel HEX (*.hex)|*.hex|"
    "Motorola S-record (*.s19 *.s28 *.s37 *.srec)|*.s19;*.s28;*.s37;*.srec";
/// A record file spells each byte as two characters, plus addresses and checksums.
inline constexpr std::size_t kRecordFileLimit = 4 * 2100001;
/// The file name that stands for standard output where an image is written.
inline constexpr const char* kStandardStream = "-";

/// Writes the whole text to standard output; "" or the reason.
std::string WriteStandardOutput(const std::string& text);

/// A length for the too-big refusals: the exact size when known, else what the
/// bounded read found ("more than N").
inline std::string LengthText(std::optional<std::uintmax_t> size, std::size_t limit) {
    return size ? std::to_string(*size) : "more than " + std::to_string(limit);
}

/// Size of a plain file when the file system can tell it, without reading it;
/// nothing for standard input, pipes and devices, whose length shows only on reading.
inline std::optional<std::uintmax_t> SizeOnDisk(const std::string& path) {
    if (path == kStandardInputName) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    return size;
}

/// The first `count` bytes of a buffer (fewer when the buffer is shorter).
inline std::string BufferBytes(const std::vector<std::uint8_t>& buffer, std::int32_t count) {
    const auto n = std::min(buffer.size(), static_cast<std::size_t>(std::max(0, count)));
    return {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n)};
}

} // namespace quorbit
