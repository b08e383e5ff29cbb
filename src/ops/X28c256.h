#pragma once
// The XICOR X28C256 EEPROM: programmed in 64-byte pages, end of write waited for.
#include <optional>

#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"
#include "state/DeviceConfig.h"

namespace quorbit {

class App;

/// Programs the pages of `image` into the chip `device`, after a byte of it has
/// shown that a chip takes a write; each page is rewritten until it reads back
/// (79 writes at most), `speedWaitMs` + 1 ms before each write and + 3 ms
/// before the write cycle's poll. Only the bytes the image holds are loaded.
ProgramOutcome ProgramX28c256(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                              int speedWaitMs, ProgrammingEvents& events);
/// The Program command's routine: ProgramX28c256 with the prepared image and the
/// operator's speed, the board reset after a success.
std::optional<ProgramOutcome> ProgramX28c256Chip(App& app, const ChipOptions& options);
/// Erases the chip by programming FFh everywhere, every page read back; the
/// program image is not touched. The command's outcome.
OpOutcome EraseX28C256(App& app, const ChipOptions& options);
/// Six-cycle protection-disable command, then `speedWaitMs` + 5 ms.
void DisableX28Protection(Board& b, int speedWaitMs);
/// One command write cycle: Reg4Shadow at `address`.
void WriteX28CommandCycle(Board& b, int address);
/// The write-enable line, register 1 bit 6 (active low).
void X28WriteEnableOn(Board& b);
void X28WriteEnableOff(Board& b);

} // namespace quorbit
