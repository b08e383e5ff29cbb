#pragma once
// What a chip's datasheet gives that the routines rely on beyond the catalog's
// columns. A field left at 0 means the routine's own value for its family.
#include <cstdint>

namespace quorbit {

struct ChipFacts {
    /// Maker code in the high byte, device code in the low: what a flash chip
    /// answers in its identification mode (0: none of its own).
    std::uint16_t flashId = 0;
    /// The address bits a flash chip compares in its command cycles.
    std::uint32_t commandAddressMask = 0;
    /// The smallest erasable unit of a flash chip, in bytes.
    std::uint32_t sectorBytes = 0;
    /// The page a write cycle takes: a page-write EEPROM's, a serial EEPROM's buffer.
    int pageBytes = 0;
    /// Word address bytes after a serial EEPROM's control byte: 1 or 2.
    int addressBytes = 0;
    /// A UV EPROM's program pulse (0: the 2716/2732's timed 5 ms pulse, which is
    /// no counted delay).
    int programPulseUs = 0;
    /// A flash chip's typical byte program time (0: none known), which the fast
    /// port mode waits before its first poll read.
    int byteProgramTypicalUs = 0;
    // The datasheet's maxima, each in the unit its name carries.
    int byteProgramMaxUs = 0;
    int chipEraseMaxMs = 0;
    int byteLoadWindowUs = 0;
    int writeCycleMaxMs = 0;
};

/// The board's delay factors for a chip: the counts its short, medium and long
/// delays take at each speed. The UV EPROMs' pulses and settle times are made of them.
struct DelayFactors {
    int shortFactor = 5;
    int mediumFactor = 100;
    int longFactor = 500;
};

/// How a chip sits on the board beyond its address pins: delay factors, and the
/// register-0 bits the 27256-style EPROM routine adds while it programs (the
/// 27256/27C256/27C259's 10h, the 27C040's 20h).
struct ChipWiring {
    DelayFactors delays;
    int programReg0Bits = 0;
};

} // namespace quorbit
