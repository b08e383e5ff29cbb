#pragma once
// Small pieces shared by the code and data file commands.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

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
/// The file name that stands for standard input or output.
inline constexpr const char* kStandardStream = "-";

/// Reads standard input to its end, refusing more than `limit` bytes; "" or the reason.
std::string ReadStandardInput(std::size_t limit, std::string& bytes);
/// Writes the whole text to standard output; "" or the reason.
std::string WriteStandardOutput(const std::string& text);

/// Size of the file when the file system can tell it, without reading it.
inline std::optional<std::uintmax_t> SizeOnDisk(const std::string& path) {
    std::error_code ec;
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
