#pragma once
// --sim-fault kinds of the simulated flash chips.
#include <memory>
#include <optional>
#include <string>

#include "sim/SimChip.h"

namespace quorbit::cli {

/// Applies a flash fault named by `fault` to `chip`: "erase-hangs" (the chip erase
/// never completes), "id:MMDD" (another maker and device code, hex) or "empty"
/// (no flash chip in the socket: `chip` becomes null). Nothing when `fault` is
/// none of these; throws std::invalid_argument when it is one that does not fit.
std::optional<std::unique_ptr<sim::SimChip>> ApplyFlashFault(std::unique_ptr<sim::SimChip> chip,
                                                             const std::string& fault);

} // namespace quorbit::cli
