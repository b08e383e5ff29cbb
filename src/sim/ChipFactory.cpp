#include "sim/ChipFactory.h"

#include "catalog/Catalog.h"
#include "sim/SimFamilies.h"
#include "sim/SimSerialEeprom.h"
#include "sim/SimSstFlash.h"

namespace quorbit::sim {

std::unique_ptr<ParallelChip> MakeParallelSimChip(int row, std::vector<std::uint8_t> contents) {
    if (row < 1 || row > kCatalogRows) return nullptr;
    const CatalogRow& entry = CatalogTable()[static_cast<std::size_t>(row)];
    const std::size_t size = static_cast<std::size_t>(entry.sizeKB) * 1024;
    contents.resize(size, 0xFF);
    switch (entry.family) {
    case 'P':
        return MakeSimEprom(entry.name, entry.subtype, std::move(contents));
    case 'E':
        return MakeSimPageWritePart(entry.name, 'E', std::move(contents));
    case 'F':
        if (entry.subtype == 'A') return MakeSimPageWritePart(entry.name, 'F', std::move(contents));
        if (FindSstFlashPart(entry.name)) return MakeSimSstFlash(entry.name, std::move(contents));
        // The Catalyst CAT28F0x0 parts (subtypes O, P, Q) need 12 V on pin 1.
        return MakeSimFlash32(entry.name, entry.sizeKB,
                              entry.subtype == 'O' || entry.subtype == 'P' || entry.subtype == 'Q',
                              std::move(contents));
    default: // serial EEPROMs and the microcontroller are not parallel memories
        return nullptr;
    }
}

std::unique_ptr<SimChip> MakeSimChip(int row, std::vector<std::uint8_t> contents) {
    if (row < 1 || row > kCatalogRows) return nullptr;
    const CatalogRow& entry = CatalogTable()[static_cast<std::size_t>(row)];
    if (entry.family == 'S') return MakeSimSerialEeprom(entry.name, std::move(contents));
    if (entry.family == 'M') {
        // No model for the microcontroller yet: a plain memory keeps its contents.
        contents.resize(static_cast<std::size_t>(entry.sizeKB) * 1024, 0xFF);
        return std::make_unique<RomChip>(entry.name, std::move(contents));
    }
    return MakeParallelSimChip(row, std::move(contents));
}

std::unique_ptr<SimChip> MakeErasedSimChip(int row) {
    return MakeSimChip(row, {});
}

std::size_t SimChipSize(int row) {
    if (row < 1 || row > kCatalogRows) return 0;
    return static_cast<std::size_t>(CatalogTable()[static_cast<std::size_t>(row)].sizeKB) * 1024;
}

} // namespace quorbit::sim
