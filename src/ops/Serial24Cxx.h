#pragma once
// The 24C08, 24C16 and 24C32 serial EEPROMs: page writers (programming and
// erasing), the sequential read and the verify.
#include <optional>

#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"
#include "state/DeviceConfig.h"

namespace quorbit {

class App;

/// Writes `image` into the serial EEPROM `device` a page at a time, one write for
/// each run of bytes the image holds, each write cycle waited out by polling, then
/// reads the chip back. `twoAddressBytes`: the word address is two bytes (24C32
/// on), else the block number goes into the control byte. A chip that does not
/// acknowledge ends it at once (the outcome's `unanswered`); a byte that reads
/// back otherwise is its failure.
ProgramOutcome ProgramSerialEeprom(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                                   bool twoAddressBytes, ProgrammingEvents& events);
/// The Program command's routines: the code buffer into a 24C08 or 24C16, a 24C32.
std::optional<ProgramOutcome> Program24CxxChip(App& app, const ChipOptions& options);
std::optional<ProgramOutcome> Program24C32Chip(App& app, const ChipOptions& options);
/// Erase Chip's: FFh into every byte of a 24C08 or 24C16, a 24C32, the chip read
/// back; the command's outcome.
OpOutcome Erase24CXX(App& app, const ChipOptions& options);
OpOutcome Erase24C32(App& app, const ChipOptions& options);
/// Reads the whole chip into the code buffer: 0, or the samples spent waiting for
/// a chip that did not answer (200).
int Read24CXX(App& app);
/// How a comparison of a serial chip ended: `unanswered` as for a routine's
/// outcome; `matched` when the chip answered and held the image.
struct SerialCompare {
    int unanswered = 0;
    bool matched = false;
};
/// Compares the chip with the code buffer where the image holds bytes: the first
/// difference is reported with both bytes, then the count and ranges of all.
SerialCompare Verify24CXX(App& app);
/// Bus lines at rest after a serial command: clock low, OE active, registers 1 and 2 zero.
void ParkSerialBus(App& app);

} // namespace quorbit
