// UV EPROMs in the 32-pin socket. The board's lines, named after the 27C080 pins
// they reach: socket pin 1 = A19 (register 3 bit 3), 2 = A16 (3.0), 3 = A15 (1.7),
// 28 = A13 (1.5), 29 = A14 (1.6), 30 = A17 (3.1), 31 = A18 (3.2), 24 = OE/VPP
// (register 0 bit 6, programming voltage by bit 7); register 0 bit 4 switches
// the programming voltage onto socket pin 3 and bit 5 onto socket pin 1.
#include "sim/SimFamilies.h"

namespace quorbit::sim {
namespace {

constexpr Line kReg1Bit5{1, 5}; // socket pin 28: VCC of a 24-pin part
constexpr Line kReg1Bit6{1, 6}; // socket pin 29: PGM of the 2764 / 27128
constexpr Line kReg3Bit1{3, 1}; // socket pin 30: VCC of a 28-pin part
constexpr Line kReg3Bit2{3, 2}; // socket pin 31: PGM of the 27C010 / 27C020
constexpr Line kVppOnPin3{0, 4};
constexpr Line kVppOnPin1{0, 5};

} // namespace

Wiring EpromWiring(char subtype) {
    Wiring w;
    switch (subtype) {
    case '1': // 2716 / 2732: 24 pins, A8-A11, OE/VPP shared, VCC through socket pin 28
        w.reg1AddressBits = 0x0F;
        w.supply = kReg1Bit5;
        w.oeIsVpp = true;
        break;
    case '2': // 2764: VPP on pin 1, PGM on pin 27
        w.reg1AddressBits = 0x1F;
        w.supply = kReg3Bit1;
        w.writeEnable = kReg1Bit6;
        w.vppSwitch = kVppOnPin3;
        break;
    case '3': // 27128: as the 2764 with A13
        w.reg1AddressBits = 0x3F;
        w.supply = kReg3Bit1;
        w.writeEnable = kReg1Bit6;
        w.vppSwitch = kVppOnPin3;
        break;
    case '4': // 27256 / 27C256 / 27C259: A14 on pin 27, programmed by CE pulses
        w.reg1AddressBits = 0x7F;
        w.supply = kReg3Bit1;
        w.vppSwitch = kVppOnPin3;
        break;
    case '5': // 27C512: A15 on pin 1, OE/VPP shared
        w.reg1AddressBits = 0xFF;
        w.supply = kReg3Bit1;
        w.oeIsVpp = true;
        break;
    case '6': // 27C010: 32 pins, VPP on pin 1, PGM on pin 31
    case '7': // 27C020: with A17 on pin 30
        w.reg1AddressBits = 0xFF;
        w.reg3AddressBits = subtype == '6' ? 0x01 : 0x03;
        w.writeEnable = kReg3Bit2;
        w.vppSwitch = kVppOnPin1;
        break;
    case '8': // 27C040: A18 on pin 31, VPP on pin 1, programmed by CE pulses
        w.reg1AddressBits = 0xFF;
        w.reg3AddressBits = 0x07;
        w.vppSwitch = kVppOnPin1;
        break;
    default: // 27C080 (and its OTP twin): A19 on pin 1, OE/VPP shared
        w.reg1AddressBits = 0xFF;
        w.reg3AddressBits = 0x0F;
        w.oeIsVpp = true;
        break;
    }
    return w;
}

std::unique_ptr<ParallelChip> MakeSimEprom(const std::string& name, char subtype,
                                           std::vector<std::uint8_t> contents) {
    return std::make_unique<ParallelChip>(name, std::move(contents), EpromWiring(subtype));
}

} // namespace quorbit::sim
