#pragma once
// The two-wire bus of the 24Cxx serial EEPROMs, bit-banged through the board's
// line operations: the clock is the chip-enable line (DisableChip = high, EnableChip = low),
// the data line is register 4 bit 7 while DriveDataPins drives it, and is read back as
// bit 7 of the high nibble (ReadHighNibble). Every primitive ends with the clock low.

namespace quorbit {

class App;

/// Data falls while the clock is high.
void I2C_START(App& app);
/// Data rises while the clock is high.
void I2C_STOP(App& app);
/// Shifts out board.DataOut, most significant bit first, then waits for the
/// chip's acknowledge (I2C_ACK).
void I2C_OUT(App& app);
/// Releases the data line and samples it up to 200 times, 1 ms apart, until the
/// chip pulls it low (AckError 0) or gives up (AckError 200); then the ninth clock.
void I2C_ACK(App& app);
/// Shifts out board.DataOut and samples the acknowledge once, without its clock:
/// DataIn is 0 when the chip answered, 80h while it is busy writing.
void I2C_OUT_POLL(App& app);
/// Shifts one byte in from the chip into DataIn, leaving the ninth clock to the caller.
void I2C_IN(App& app);
/// Ninth clock with the data line driven low: the chip goes on with the next byte.
void I2C_MASTER_ACK(App& app);
/// Ninth clock with the data line released: the chip ends its transfer and lets
/// go of the line, so a stop condition can follow.
void I2C_MASTER_NACK(App& app);

} // namespace quorbit
