#include "sim/ChipFactory.h"

#include "catalog/Catalog.h"
#include "sim/SimFamilies.h"
#include "sim/SimFlash.h"
#include "sim/SimSerialEeprom.h"
#include "sim/SimSstFlash.h"

namespace quorbit::sim {
namespace {

/// The row whose datasheet model stands for `row`: a device file's row is a chip
/// of the part it names as like, with its own size and ID.
const CatalogRow* ModelRow(int row) {
    if (row < 1 || row > CatalogRowCount()) return nullptr;
    const CatalogRow& entry = CatalogTable()[static_cast<std::size_t>(row)];
    return entry.likeRow != 0 ? &CatalogTable()[static_cast<std::size_t>(entry.likeRow)] : &entry;
}

/// A device file's flash answers with the ID the file gives it.
template <typename Chip> std::unique_ptr<Chip> WithOwnId(int row, std::unique_ptr<Chip> chip) {
    const std::uint16_t id = CatalogTable()[static_cast<std::size_t>(row)].facts.flashId;
    if (auto* flash = dynamic_cast<FlashFaults*>(chip.get()); flash && id != 0)
        flash->SetIdCodes(static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id));
    return chip;
}

std::unique_ptr<ParallelChip> MakeParallelModel(const CatalogRow& entry,
                                                std::vector<std::uint8_t> contents) {
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

} // namespace

std::unique_ptr<ParallelChip> MakeParallelSimChip(int row, std::vector<std::uint8_t> contents) {
    const CatalogRow* model = ModelRow(row);
    if (!model) return nullptr;
    // The array is the row's own size: a smaller chip on the same pins leaves
    // the top address lines unconnected (the SST and Atmel models keep their own).
    contents.resize(SimChipSize(row), 0xFF);
    return WithOwnId(row, MakeParallelModel(*model, std::move(contents)));
}

std::unique_ptr<SimChip> MakeSimChip(int row, std::vector<std::uint8_t> contents) {
    const CatalogRow* model = ModelRow(row);
    if (!model) return nullptr;
    if (model->family == 'S') return MakeSimSerialEeprom(model->name, std::move(contents));
    if (model->family == 'M') {
        // No model for the microcontroller yet: a plain memory keeps its contents.
        contents.resize(SimChipSize(row), 0xFF);
        return std::make_unique<RomChip>(model->name, std::move(contents));
    }
    return MakeParallelSimChip(row, std::move(contents));
}

std::unique_ptr<SimChip> MakeErasedSimChip(int row) {
    return MakeSimChip(row, {});
}

std::size_t SimChipSize(int row) {
    if (row < 1 || row > CatalogRowCount()) return 0;
    return static_cast<std::size_t>(CatalogTable()[static_cast<std::size_t>(row)].sizeKB) * 1024;
}

} // namespace quorbit::sim
