#pragma once
// Contents for a simulated chip: a fill byte, an address-derived pattern, seeded
// random bytes, or a file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorbit::sim {

std::vector<std::uint8_t> FilledContents(std::size_t size, std::uint8_t value);
/// Every byte derived from its own address, so that a byte read from a wrong page
/// or bank almost never matches.
std::vector<std::uint8_t> AddressPatternContents(std::size_t size);
std::uint8_t AddressPatternByte(std::uint32_t address);
/// Bytes of a Mersenne twister seeded with `seed` (the same on every platform).
std::vector<std::uint8_t> RandomContents(std::size_t size, std::uint32_t seed);

/// Contents described by "fill:HH" (hex byte), "pattern:address" or "random:SEED";
/// an empty result with `error` set for a malformed description; nothing when the
/// text is not one of these forms (it then names a file).
std::optional<std::vector<std::uint8_t>> GeneratedContents(const std::string& description,
                                                           std::size_t size, std::string& error);

} // namespace quorbit::sim
