#pragma once
// Making the simulated chip for a catalog row, wired the way its family sits in
// the board's socket.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/ParallelChip.h"
#include "sim/SimChip.h"

namespace quorbit::sim {

/// A chip of catalog row `row` holding `contents` (resized to the chip's size,
/// padded with FFh). Null for rows the simulator has no model for.
std::unique_ptr<SimChip> MakeSimChip(int row, std::vector<std::uint8_t> contents);
/// The same for the parallel families, with their defect hooks reachable.
std::unique_ptr<ParallelChip> MakeParallelSimChip(int row, std::vector<std::uint8_t> contents);
/// An erased chip (all FFh) of catalog row `row`.
std::unique_ptr<SimChip> MakeErasedSimChip(int row);
/// Bytes of the chip of catalog row `row` (0 for a row that does not exist).
std::size_t SimChipSize(int row);

} // namespace quorbit::sim
