#pragma once
// The 32-pin 5 V flash chips (AM29F010/020/040, EN29F040, A29040): JEDEC
// command cycles, byte programming with read-back, and the flash menu's two
// signal-observation commands.

namespace quorbit {

class App;

/// Three-cycle command AAh/55h/FlashCommand (the AT29C256 takes it through its
/// own write cycle). Latches the board registers inline, without pauses and
/// without touching the shadows: the board's address registers then hold 5555h.
void CMD_FLASH(App& app);
/// Programs the chip from ProgramImage; ProgramStatus 0 for an unsupported maker.
void PFLASH(App& app);
/// One byte-program cycle of the byte at Address.
void PBYTE_FLASH(App& app);
/// Reads the byte back once; PollCount 0 when it holds DataOut.
void CheckByteFLASH(App& app);
/// Register 3 bit 2 (the 32-pin parts' write enable) low / high.
void WEON_FLASH(App& app);
void WEOFF_FLASH(App& app);
/// Menu LoopFlashTest: the byte-program cycle repeated for a scope.
void LoopFlashTest_Click(App& app);
/// One write cycle of F0h at whatever address the board holds: a 32-pin flash
/// chip left in a status mode (a program that ran past its limit shows DQ5 and
/// takes nothing else) goes back to reading its array.
void WriteFlashReset(App& app);
/// Menu ResetFlash: WriteFlashReset.
void ResetFlash_Click(App& app);

} // namespace quorbit
