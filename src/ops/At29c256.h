#pragma once
// The Atmel AT29C256 flash: programmed in 64-byte pages, end of write found by
// DATA# polling.

namespace quorbit {

class App;

/// Programs the whole chip from ProgramImage.
void PAT29C256(App& app);
/// Polls the last byte loaded until the chip shows it; leaves PollCount (0: time-out).
void PollAT29C256(App& app);
/// Six-cycle protection-disable command, then 20 ms.
void UNPROTECT_AT29C256(App& app);
/// Three-cycle command AAh, 55h, FlashCommand.
void CMD_AT29C256(App& app);
/// One command write cycle: Reg4Shadow at CommandAddress.
void WRITE_AT29C256(App& app);
/// The write-enable line, register 1 bit 7 (active low).
void WEON_AT29C256(App& app);
void WEOFF_AT29C256(App& app);

} // namespace quorbit
