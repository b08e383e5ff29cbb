#pragma once
// The UV EPROM programming routine, byte by byte with read-back after every pulse.
#include "ops/ChipRoutine.h"
#include "state/DeviceConfig.h"

namespace quorbit {

/// Programs the UV EPROM `device` (types P1 to P9 and PM) with `image`, the board
/// reset and chip address 0 latched. The package decides the voltage pin, the
/// pulse and the read-back:
///
///   2732 family  CE low pulse of 5 ms (a timed sleep) with VPP on OE/VPP
///   2764, 27128  CE low, PGM (register 1 bit 6) low pulse, VPP on pin 1
///   27C256/040   CE low pulse, OE high, VPP on pin 1; verified with CE high, OE low
///   27C010/020   CE low, PGM (register 3 bit 2) low pulse, VPP on pin 1
///   27C512/080   CE low pulse with VPP on OE/VPP; verified with VPP off
///
/// A byte that does not take ends the routine with every programming voltage off
/// and the chip and its outputs disabled. Another device type is refused with an
/// std::invalid_argument before the board is touched.
ProgramOutcome ProgramEprom(Board& board, const DeviceConfig& device, const ImageToWrite& image,
                            ProgrammingEvents& events);

} // namespace quorbit
