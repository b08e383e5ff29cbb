#pragma once
// Printer port bases as the operator types them.
#include <cstdint>
#include <string>

namespace quorbit {

inline constexpr std::uint16_t kLowestBasePort = 0x100;
inline constexpr std::uint16_t kHighestBasePort = 0xFFF8;

/// Parses a printer port base: "378", "378h", "0x378", "3BC", or a card's base such
/// as "D100" (any base from 100h to FFF8h).
bool ParseBasePort(const std::string& text, std::uint16_t& port);

} // namespace quorbit
