#pragma once
// Faults of the simulated board itself rather than of the chip in its socket.
#include <string>

#include "sim/SimBoard.h"

namespace quorbit::sim {

/// Applies the board's own faults of a --sim-fault text (flip:ONEIN:SEED, a
/// read-back bit that flips about once in ONEIN chip reads) and returns the
/// remaining chip faults, comma-separated. Throws std::invalid_argument with a
/// message for the operator.
std::string ApplyBoardFaults(SimBoard& board, const std::string& text);
/// The whole text on a board and the chip in its socket: the board's own faults
/// on the board, the rest on the chip.
void ApplyAllFaults(SimBoard& board, SimChip& chip, const std::string& text);
/// The board fault forms, for the option's help.
std::string BoardFaultForms();

} // namespace quorbit::sim
