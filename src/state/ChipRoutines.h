#pragma once
// Which of the program's routines drive a chip: part of its catalog record, so
// that the commands choose a routine by the chip and not by its type's letters.
namespace quorbit {

/// The routine the Program command runs, named by the chips it was written for.
enum class ProgramRoutine {
    None, // no routine: "Device Not Supported"
    Eprom2732,
    Eprom2764,  // 2764, 27128
    Eprom27256, // 27256 .. 27C040 but the 27C010/020
    Eprom27010, // 27C010, 27C020
    Eprom27080, // 27C512, 27C080
    PageEeprom, // X28C256 and the JEDEC page-write EEPROMs
    At29c256,
    JedecFlash, // AM29F0x0 and the parts that take its commands
    Serial24c16,
    Serial24c32, // two address bytes
};

/// The routine Erase Chip runs; None: the chip is not erased electrically.
enum class EraseRoutine {
    None,
    PageEeprom,
    JedecFlash,
    At29c256,
    Serial24c16Fill, // FFh written into every byte
    Serial24c32Fill,
};

/// How the board puts an address on a parallel chip's pins; None: a chip with
/// no parallel address bus (the serial EEPROMs, the microcontroller).
enum class AddressPins {
    None,
    Eprom,      // LatchAddress: the UV EPROMs
    PageEeprom, // LatchX28Address: A14 on register 1 bit 7, WE on bit 6
    Flash,      // LatchFlashAddress: the 5 V flash parts
};

struct ChipRoutines {
    ProgramRoutine program = ProgramRoutine::None;
    EraseRoutine erase = EraseRoutine::None;
    AddressPins pins = AddressPins::None;
};

} // namespace quorbit
