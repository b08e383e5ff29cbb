#pragma once
// The Atmel AT29C256 flash: programmed in 64-byte pages, end of write found by
// DATA# polling.

#include <cstdint>
#include <optional>

#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"
#include "state/DeviceConfig.h"

namespace quorbit {

class App;

/// Programs the pages of `image` into the chip, each page rewritten whole until
/// it reads back (19 writes at most), waiting `speedWaitMs` + 1 ms before each
/// write. The bytes of a page the image does not hold are read from the chip
/// first and written back. The board is left as the last page left it.
ProgramOutcome ProgramAt29c256(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                               int speedWaitMs, ProgrammingEvents& events);
/// The Program command's AT29C256 routine: ProgramAt29c256 with the prepared
/// image and the operator's speed, the board reset after a success.
std::optional<ProgramOutcome> ProgramAt29c256Chip(App& app, const ChipOptions& options);
/// Polls the last byte loaded (`last`) until the chip shows it; returns the
/// reads left including the one that matched (0: time-out).
int PollAT29C256(Board& b, std::uint8_t last);
/// Six-cycle protection-disable command, then 20 ms.
void DisableAt29Protection(Board& b);
/// Three-cycle command AAh, 55h, `command`.
void SendAt29Command(Board& b, int command);
/// One command write cycle: Reg4Shadow at `address`.
void WriteAt29CommandCycle(Board& b, int address);
/// The write-enable line, register 1 bit 7 (active low).
void At29WriteEnableOn(Board& b);
void At29WriteEnableOff(Board& b);

} // namespace quorbit
