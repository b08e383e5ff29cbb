#pragma once
// The defects a simulated serial EEPROM can be given from the command line.
#include <memory>
#include <string>
#include <vector>

#include "sim/SimChip.h"

namespace quorbit::cli {

/// For a serial EEPROM of catalog row `row`: the chip with `fault` applied, which
/// is "busy" (its first write cycle never ends) or "nowrite:ADDRESS" (the byte at
/// that hex address never takes a write). Null when the row is not a serial EEPROM.
/// Throws std::invalid_argument with a message for the operator for another fault.
std::unique_ptr<sim::SimChip> MakeFaultySerialChip(int row, std::vector<std::uint8_t> contents,
                                                   const std::string& fault);

/// --sim-chip none: nothing in the socket.
bool NamesEmptySocket(const std::string& chip);

} // namespace quorbit::cli
