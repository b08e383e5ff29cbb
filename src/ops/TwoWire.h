#pragma once
// The two-wire bus of the 24Cxx serial EEPROMs, bit-banged through the board's
// line operations: the clock is the chip-enable line (DisableChip = high, EnableChip = low),
// the data line is register 4 bit 7 while DriveDataPins drives it, and is read back as
// bit 7 of the high nibble (ReadHighNibble). Every primitive ends with the clock low.

#include <cstdint>

#include "hw/Board.h"

namespace quorbit {

/// Data falls while the clock is high.
void I2C_START(Board& b);
/// Data rises while the clock is high.
void I2C_STOP(Board& b);
/// Shifts out `byte`, most significant bit first, then waits for the chip's
/// acknowledge (I2C_ACK) and returns what that returns.
int I2C_OUT(Board& b, std::uint8_t byte);
/// Releases the data line and samples it up to 200 times, 1 ms apart, until the
/// chip pulls it low (returns 0) or gives up (returns 200); then the ninth clock.
int I2C_ACK(Board& b);
/// Shifts out `byte` and samples the acknowledge once, without its clock: returns
/// (and leaves in DataIn) 0 when the chip answered, 80h while it is busy writing.
std::uint8_t I2C_OUT_POLL(Board& b, std::uint8_t byte);
/// Shifts one byte in from the chip and returns it (DataIn holds it too), leaving
/// the ninth clock to the caller.
std::uint8_t I2C_IN(Board& b);
/// Ninth clock with the data line driven low: the chip goes on with the next byte.
void I2C_MASTER_ACK(Board& b);
/// Ninth clock with the data line released: the chip ends its transfer and lets
/// go of the line, so a stop condition can follow.
void I2C_MASTER_NACK(Board& b);

} // namespace quorbit
