#pragma once
// The XICOR X28C256 EEPROM: programmed in 64-byte pages, end of write waited for.

namespace quorbit {

class App;

/// Programs the whole chip from ProgramImage.
void PX28C256(App& app);
/// Erases the chip by programming FFh everywhere, then rebuilds ProgramImage from
/// the code buffer.
void EraseX28C256(App& app);
/// Six-cycle protection-disable command, then the speed wait + 5 ms.
void UNPROTECT_XICOR(App& app);
/// One command write cycle: Reg4Shadow at CommandAddress.
void WRITE_XICOR(App& app);
/// The write-enable line, register 1 bit 6 (active low).
void WEON_XICOR(App& app);
void WEOFF_XICOR(App& app);

} // namespace quorbit
