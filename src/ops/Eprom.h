#pragma once
// The UV EPROM programming routines, byte by byte with read-back after every pulse.

namespace quorbit {

class App;

/// 2716 / 2732 family: 5 ms CE pulses with VPP on OE/VPP.
void P2732(App& app);
/// 2764 / 27128: PGM pulses on register-1 bit 6, VPP on pin 1.
void P2764_128(App& app);
/// 27256 / 27C256 and 27C040: CE pulses with OE high and VPP on pin 1.
void P27256_040(App& app);
/// 27C010 / 27C020: PGM pulses on register-3 bit 2, VPP on pin 1.
void P27010_020(App& app);
/// 27C512 and 27C080: CE pulses with VPP on OE/VPP.
void P27080(App& app);

} // namespace quorbit
