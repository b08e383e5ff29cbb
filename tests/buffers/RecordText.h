#pragma once
// Hand-made Intel HEX and S-record lines for the image tests.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quorbit::test {

inline std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

/// ":LLAAAATT...CC" with a correct checksum.
inline std::string IntelLine(int type, std::uint16_t address,
                             const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> all = {
        static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
        static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(type)};
    all.insert(all.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : all)
        sum += b;
    all.push_back(static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF));
    return ":" + HexBytes(all) + "\r\n";
}

/// "Sn" record with an address of `addressBytes` bytes and a correct checksum.
inline std::string SLine(char type, int addressBytes, std::uint32_t address,
                         const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> all = {
        static_cast<std::uint8_t>(static_cast<std::size_t>(addressBytes) + data.size() + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        all.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    all.insert(all.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : all)
        sum += b;
    all.push_back(static_cast<std::uint8_t>(~sum & 0xFF));
    return std::string("S") + type + HexBytes(all) + "\n";
}

inline std::string IntelEnd() {
    return ":00000001FF\r\n";
}

/// The S9 end record of a file with 16-bit addresses.
inline std::string SEnd() {
    return "S9030000FC\n";
}

} // namespace quorbit::test
