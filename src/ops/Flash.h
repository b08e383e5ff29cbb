#pragma once
// The 32-pin 5 V flash chips (AM29F010/020/040, EN29F040, A29040): JEDEC
// command cycles, byte programming with read-back, and the flash menu's two
// signal-observation commands.

#include <cstdint>
#include <optional>

#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"
#include "state/DeviceConfig.h"

namespace quorbit {

class App;

/// Three-cycle command AAh/55h/`command` (the AT29C256 takes it through its own
/// write cycle). Latches the board registers inline, without pauses and without
/// touching the shadows: the board's address registers then hold 5555h.
void SendFlashCommand(Board& b, const DeviceConfig& device, int command);
/// Programs the chip `device` from `image`, the chip's maker code `maker` read
/// already (the sector-writing Atmel parts are read back whole at the end). The
/// walk is the chip's and ends at the image's last byte; a byte that does not
/// take after 49 writes ends it with the voltages off.
ProgramOutcome ProgramFlash(Board& b, const DeviceConfig& device, int maker,
                            const ImageToWrite& image, ProgrammingEvents& events);
/// The Program command's flash routine: the ID read and checked, then
/// ProgramFlash; nothing for a chip it does not program.
std::optional<ProgramOutcome> ProgramFlashChip(App& app, const ChipOptions& options);
/// One byte-program cycle of `data` at Address.
void WriteFlashByte(Board& b, const DeviceConfig& device, std::uint8_t data);
/// Reads the byte at the address latched back once and returns it.
std::uint8_t ReadFlashByte(Board& b);
/// Register 3 bit 2 (the 32-pin parts' write enable) low / high.
void FlashWriteEnableOn(Board& b);
void FlashWriteEnableOff(Board& b);
/// Menu LoopFlashTest: the byte-program cycle repeated for a scope, a thousand
/// times the speed slider's value.
void LoopFlashTest_Click(App& app);
/// One write cycle of F0h at whatever address the board holds: a 32-pin flash
/// chip left in a status mode (a program that ran past its limit shows DQ5 and
/// takes nothing else) goes back to reading its array.
void WriteFlashReset(Board& b);
/// Menu ResetFlash: WriteFlashReset.
void ResetFlash_Click(App& app);

} // namespace quorbit
