// The 28-pin page-write parts. Both have VCC on pin 28 (socket pin 30, register 3
// bit 1). The programming routines drive the AT29C256's write enable on register
// 1 bit 7 with A8-A14 below it; the X28C256 keeps its write enable on bit 6 and
// takes A14 on bit 7 (its A14 pin 1 sits on socket pin 3). How the parts load,
// write, poll and protect themselves is in PageWriteChip.h.
#include "sim/PageWriteChip.h"
#include "sim/SimFamilies.h"

namespace quorbit::sim {

Wiring PageWriteWiring(char family) {
    Wiring w;
    w.supply = Line{3, 1};
    if (family == 'F') { // AT29C256
        w.reg1AddressBits = 0x7F;
        w.writeEnable = Line{1, 7};
    } else { // X28C256, CAT28C256, CAT28C257
        w.reg1AddressBits = 0xBF;
        w.writeEnable = Line{1, 6};
    }
    return w;
}

std::unique_ptr<ParallelChip> MakeSimPageWritePart(const std::string& name, char family,
                                                   std::vector<std::uint8_t> contents) {
    Wiring wiring = PageWriteWiring(family);
    if (name == "Eeprom Atmel AT28C64B") {
        wiring.reg1AddressBits = 0x1F; // A8-A12; the A13 and A14 pins are not connected
        contents.resize(8192, 0xFF);
        return std::make_unique<PageWriteChip>(name, std::move(contents), wiring,
                                               At28cTiming(8192));
    }
    if (name == "Eeprom Atmel AT28C256") { // not the Catalyst CAT28C256
        contents.resize(32768, 0xFF);
        return std::make_unique<PageWriteChip>(name, std::move(contents), wiring,
                                               At28cTiming(32768));
    }
    return std::make_unique<PageWriteChip>(name, std::move(contents), wiring,
                                           family == 'F' ? At29c256Timing() : X28c256Timing());
}

std::unique_ptr<ParallelChip> MakeSimAtmelSectorFlash(const std::string& name,
                                                      std::vector<std::uint8_t> contents) {
    const auto timing = AtmelSectorFlashTiming(name);
    if (!timing) return nullptr;
    const auto bytes = timing->addressMask + 1;
    contents.resize(bytes, 0xFF);
    return std::make_unique<PageWriteChip>(
        name, std::move(contents), Flash32Wiring(static_cast<int>(bytes / 1024), false), *timing);
}

} // namespace quorbit::sim
