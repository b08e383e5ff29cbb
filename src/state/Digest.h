#pragma once
// The checksums that identify a ROM image, as the log and the results print them
// (buffers/Checksums.h computes them).
#include <array>
#include <cstdint>
#include <string>

namespace quorbit {

struct Digest {
    std::uint32_t crc32 = 0;
    std::array<std::uint8_t, 20> sha1{};

    /// Eight lower-case hex digits.
    [[nodiscard]] std::string Crc32Text() const;
    /// Forty lower-case hex digits.
    [[nodiscard]] std::string Sha1Text() const;
    bool operator==(const Digest&) const = default;
};

} // namespace quorbit
