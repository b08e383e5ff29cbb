#pragma once
// A started core on a simulated board with a 24Cxx serial EEPROM (or an empty
// socket with an analyser on the bus) chosen and in the socket.
#include "ChipRig.h"
#include "catalog/Catalog.h"
#include "sim/SimSerialEeprom.h"
#include "sim/TwoWireProbe.h"

namespace quorbit::test {

inline constexpr int kRow24C08 = 36;
inline constexpr int kRow24C16 = 37;
inline constexpr int kRow24C32 = 38;
inline constexpr int kRow24C256 = 39;
inline constexpr int kRow24C64 = 44;
inline constexpr int kRow24C128 = 45;

struct SerialRig : ChipRig {
    explicit SerialRig(int model = 6) : ChipRig(model) {}

    /// Chooses catalog row `row` and puts that chip, holding `contents`, in the socket.
    sim::SerialEeprom& Insert(int row, std::vector<std::uint8_t> contents) {
        EXPECT_TRUE(SelectDevice(app, row)) << "row " << row;
        const CatalogRow& entry = CatalogTable()[static_cast<std::size_t>(row)];
        auto chip = sim::MakeSimSerialEeprom(entry.name, std::move(contents));
        sim::SerialEeprom& ref = *chip;
        rig.sim->Insert(std::move(chip));
        Forget();
        return ref;
    }
    /// Chooses catalog row `row` with nothing in the socket but a bus analyser.
    const sim::TwoWireProbe& InsertNothing(int row) {
        EXPECT_TRUE(SelectDevice(app, row)) << "row " << row;
        auto probe = std::make_unique<sim::EmptySocketProbe>();
        const sim::TwoWireProbe& ref = probe->Probe();
        rig.sim->Insert(std::move(probe));
        Forget();
        return ref;
    }
    void Forget() {
        rig.ClearLog();
        rig.sound.played.clear();
        rig.dialogs.boxes.clear();
    }
};

/// Bytes of a seeded generator with byte 0 below 80h: after the last byte of a
/// sequential read the chip goes on with byte 0, whose first bit then holds the
/// data line low.
inline std::vector<std::uint8_t> SerialImage(std::size_t size, std::uint32_t seed) {
    auto bytes = sim::RandomContents(size, seed);
    bytes[0] &= 0x7F;
    return bytes;
}

} // namespace quorbit::test
