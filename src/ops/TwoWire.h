#pragma once
// The two-wire bus of the 24Cxx serial EEPROMs, bit-banged through the board's
// line operations: the clock is the chip-enable line (DisableChip = high, EnableChip = low),
// the data line is register 4 bit 7 while DriveDataPins drives it, and is read back as
// bit 7 of the high nibble (ReadHighNibble). Every primitive ends with the clock low.

#include <cstdint>

#include "hw/Board.h"

namespace quorbit {

/// Data falls while the clock is high.
void TwoWireStart(Board& b);
/// Data rises while the clock is high.
void TwoWireStop(Board& b);
/// Shifts out `byte`, most significant bit first, then waits for the chip's
/// acknowledge (TwoWireAck) and returns what that returns.
int TwoWireSend(Board& b, std::uint8_t byte);
/// Releases the data line and samples it up to 200 times, 1 ms apart, until the
/// chip pulls it low (returns 0) or gives up (returns 200); then the ninth clock.
int TwoWireAck(Board& b);
/// Shifts out `byte` and samples the acknowledge once, without its clock: returns
/// (and leaves in DataIn) 0 when the chip answered, 80h while it is busy writing.
std::uint8_t TwoWireSendPolled(Board& b, std::uint8_t byte);
/// Shifts one byte in from the chip and returns it (DataIn holds it too), leaving
/// the ninth clock to the caller.
std::uint8_t TwoWireReceive(Board& b);
/// Ninth clock with the data line driven low: the chip goes on with the next byte.
void TwoWireMasterAck(Board& b);
/// Ninth clock with the data line released: the chip ends its transfer and lets
/// go of the line, so a stop condition can follow.
void TwoWireMasterNack(Board& b);

} // namespace quorbit
