#pragma once
// Defects put into a simulated chip from a text, as --sim-fault gives them.
#include <cstddef>
#include <string>

#include "sim/ParallelChip.h"
#include "sim/SimSerialEeprom.h"

namespace quorbit::sim {

/// Applies one or more faults, separated by commas. Each is KIND:ARGS, or the
/// stuck-bit form ADDRESS:BIT:LEVEL without a kind. Throws std::invalid_argument
/// with a message for the operator.
void ApplyFaults(ParallelChip& chip, const std::string& text, std::size_t chipSize);
/// The same for a serial EEPROM, whose faults are its own kinds (busy, nowrite).
void ApplyFaults(SerialEeprom& chip, const std::string& text, std::size_t chipSize);
/// The forms the faults take, for the option's help.
std::string FaultForms();

} // namespace quorbit::sim
