#include "state/Digest.h"

namespace quorbit {
namespace {

std::string LowerHex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace

std::string Digest::Crc32Text() const {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(crc32 >> 24), static_cast<std::uint8_t>(crc32 >> 16),
        static_cast<std::uint8_t>(crc32 >> 8), static_cast<std::uint8_t>(crc32)};
    return LowerHex(bytes, 4);
}

std::string Digest::Sha1Text() const {
    return LowerHex(sha1.data(), sha1.size());
}

} // namespace quorbit
