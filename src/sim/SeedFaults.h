#pragma once
// A fault chosen from a seed among those the chip in the socket can have, written
// as the --sim-fault text that makes it, so a seed's choice can be printed and
// replayed by hand.
#include <cstdint>
#include <string>

namespace quorbit::sim {

/// The fault text for `seed` on a chip of catalog row `row`; the same seed and
/// row always give the same text. Empty for a row the simulator has no faults for.
std::string FaultForSeed(std::uint32_t seed, int row);
/// Reads a seed as typed (decimal, 0 .. 4294967295).
bool ParseFaultSeed(const std::string& text, std::uint32_t& seed);

} // namespace quorbit::sim
