#pragma once
// Making the simulated chip for a catalog row, wired the way its family sits in
// the board's socket.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimChip.h"

namespace quorbit::sim {

/// A chip of catalog row `row` holding `contents` (resized to the chip's size,
/// padded with FFh). Null for rows the simulator has no model for.
std::unique_ptr<SimChip> MakeSimChip(int row, std::vector<std::uint8_t> contents);
/// An erased chip (all FFh) of catalog row `row`.
std::unique_ptr<SimChip> MakeErasedSimChip(int row);

} // namespace quorbit::sim
