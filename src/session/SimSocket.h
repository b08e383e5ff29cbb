#pragma once
// The simulated board's socket as the session fills it: the chip the options
// describe, or the chip of each device the operator chooses.
#include <functional>
#include <memory>
#include <string>

#include "session/Backend.h"
#include "sim/SimChip.h"

namespace quorbit {

class App;

namespace sim {
class SimBoard;
}

/// A chip of the catalog row `setup.chip` names, holding the contents of
/// `setup.imageFile`: a file, or "fill:HH", "pattern:address", "random:SEED".
/// `fault` puts defects into a parallel chip (sim::ApplyFaults: a stuck bit
/// ADDRESS:BIT:LEVEL, a weak cell weak:ADDRESS:PULSES, comma-separated) or a serial
/// EEPROM (busy, nowrite:ADDRESS). "none" is an empty socket (a null chip). Throws
/// std::invalid_argument with a message for the operator.
std::unique_ptr<sim::SimChip> MakeSocketChip(const SimSetup& setup, const std::string& fault);

/// Puts a fresh chip of catalog row `row` into the socket, as the next chip of a
/// production run: erased, or holding `setup.imageFile`; with `faulty`, the chip's
/// part of `setup.fault` (the board's own faults stay on the board).
void InsertFreshChip(sim::SimBoard& board, SimSetup setup, int row, bool faulty);

/// Makes the chip for a chosen catalog row; throws std::invalid_argument when the
/// chip cannot be made as asked at start (contents or faults that do not suit it).
using SocketChipMaker = std::function<std::unique_ptr<sim::SimChip>(int row)>;

/// The device-choice hook of a session on the simulated board: the socket takes a
/// chip of each row chosen, from `makeChip` (null: an erased chip). A chip of the
/// same type already in the socket stays, with what was programmed into it.
std::function<void(App& app, int row)> SocketFollowsDevice(sim::SimBoard& board,
                                                           SocketChipMaker makeChip = nullptr);

} // namespace quorbit
