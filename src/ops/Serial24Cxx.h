#pragma once
// The 24C08, 24C16 and 24C32 serial EEPROMs: page writers (programming and, with
// EraseMode 1, erasing), the sequential read and the verify.

namespace quorbit {

class App;

/// Writes the code buffer (or FFh with EraseMode 1) into a 24C08 or 24C16.
void P24CXX(App& app);
/// Writes the code buffer (or FFh with EraseMode 1) into a 24C32.
void P24C32(App& app);
/// Reads the whole chip into the code buffer; AckError is not 0 when it did not answer.
void Read24CXX(App& app);
/// Compares the chip with the code buffer where the image holds bytes: the first
/// difference is reported with both bytes, then the count and ranges of all.
void Verify24CXX(App& app);
/// Bus lines at rest after a serial command: clock low, OE active, registers 1 and 2 zero.
void ParkSerialBus(App& app);

} // namespace quorbit
