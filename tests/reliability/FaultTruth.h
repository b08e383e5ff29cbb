#pragma once
// What a simulated chip really holds, and whether a command's claim about it holds.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/PageWriteChip.h"
#include "sim/ParallelChip.h"
#include "sim/SimChip.h"
#include "sim/SimFlash.h"

namespace quorbit::test {

/// Every byte as anything reading the chip would find it, defects included.
inline std::vector<std::uint8_t> TrueContents(sim::SimChip& chip) {
    auto* parallel = dynamic_cast<sim::ParallelChip*>(&chip);
    std::vector<std::uint8_t> bytes = chip.Memory();
    if (parallel)
        for (std::size_t a = 0; a < bytes.size(); ++a)
            bytes[a] = parallel->ReadsAs(static_cast<std::uint32_t>(a));
    return bytes;
}

/// The maker and device code a flash chip answers in its identification mode,
/// as the ID line writes them ("01A4"), or "" for a chip without one.
inline std::string TrueFlashId(sim::SimChip& chip) {
    int codes = -1;
    if (auto* flash = dynamic_cast<sim::FlashFaults*>(&chip)) codes = flash->IdCodes();
    if (dynamic_cast<sim::PageWriteChip*>(&chip) &&
        chip.Name().find("AT29C256") != std::string::npos)
        codes = sim::kAt29c256Maker << 8 | sim::kAt29c256Device;
    if (codes < 0) return {};
    char text[8];
    std::snprintf(text, sizeof text, "%04X", codes);
    return text;
}

/// How many of the first `n` bytes differ.
inline std::size_t Differences(const std::vector<std::uint8_t>& a,
                               const std::vector<std::uint8_t>& b, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) ++count;
    return count;
}

/// An image to program: random bytes with about one in eight left erased (FFh).
inline std::vector<std::uint8_t> ImageWithErasedBytes(std::uint32_t seed, std::size_t size) {
    std::vector<std::uint8_t> image(size);
    std::uint32_t x = seed * 2654435761U + 1;
    for (auto& byte : image) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        byte = (x & 7) == 0 ? 0xFF : static_cast<std::uint8_t>(x >> 8);
    }
    return image;
}

} // namespace quorbit::test
