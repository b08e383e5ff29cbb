#pragma once
// Checksums that identify a ROM image: CRC32 (zlib's, the one file tools and ROM
// lists print) and SHA-1, over the bytes an image or a chip reading holds, taken
// in address order. The 16-bit sums of the log ("Read File CRC", "Device CHKSUMM")
// are a different, older thing and stay beside these.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "state/Coverage.h"
#include "state/Digest.h"

namespace quorbit {

/// Checksums of `size` bytes.
Digest DigestOf(const std::uint8_t* data, std::size_t size);
inline Digest DigestOf(const std::vector<std::uint8_t>& bytes) {
    return DigestOf(bytes.data(), bytes.size());
}
/// Checksums of the buffer's bytes at the addresses `held` holds, in address order.
/// Addresses past the buffer's end are not taken.
Digest DigestOfCoverage(const std::vector<std::uint8_t>& buffer, const Coverage& held);

/// "CRC32 = cbf43926 SHA-1 = f7c3... over 0-8 (9 bytes)": what a log line says
/// after its subject ("Image", "Device").
std::string DigestLogText(const Digest& digest, const Coverage& over);

} // namespace quorbit
