#pragma once
// The chip the command line puts into the simulated board's socket.
#include <memory>
#include <string>

#include "session/Backend.h"
#include "sim/SimChip.h"

namespace quorbit::cli {

/// A chip of the catalog row `setup.chip` names, holding the contents of
/// `setup.imageFile`: a file, or "fill:HH", "pattern:address", "random:SEED".
/// `fault` puts defects into a parallel chip (sim::ApplyFaults: a stuck bit
/// ADDRESS:BIT:LEVEL, a weak cell weak:ADDRESS:PULSES, comma-separated) or a serial
/// EEPROM (busy, nowrite:ADDRESS). "none" is an empty socket (a null chip). Throws
/// std::invalid_argument with a message for the operator.
std::unique_ptr<sim::SimChip> MakeSocketChip(const SimSetup& setup, const std::string& fault);

} // namespace quorbit::cli
