// The 32-pin 5 V flash parts (JEDEC pinout): A18 on pin 1 (register 3 bit 3),
// A16 on pin 2 (bit 0), A17 on pin 30 (bit 1), write enable on pin 31 (bit 2).
// The Catalyst 12 V parts have VPP on pin 1 instead of A18.
#include "sim/SimFamilies.h"

namespace quorbit::sim {

Wiring Flash32Wiring(int sizeKB, bool separateVpp) {
    Wiring w;
    w.reg1AddressBits = 0xFF;
    w.reg3AddressBits = sizeKB <= 128 ? 0x01 : sizeKB <= 256 ? 0x03 : 0x0B;
    w.writeEnable = Line{3, 2};
    if (separateVpp) w.vppSwitch = Line{0, 5};
    return w;
}

std::unique_ptr<ParallelChip> MakeSimFlash32(const std::string& name, int sizeKB, bool separateVpp,
                                             std::vector<std::uint8_t> contents) {
    return std::make_unique<ParallelChip>(name, std::move(contents),
                                          Flash32Wiring(sizeKB, separateVpp));
}

} // namespace quorbit::sim
