#include "sim/ChipFactory.h"

#include "catalog/Catalog.h"

namespace quorbit::sim {

std::unique_ptr<SimChip> MakeSimChip(int row, std::vector<std::uint8_t> contents) {
    if (row < 1 || row > kCatalogRows) return nullptr;
    const CatalogRow& entry = CatalogTable()[static_cast<std::size_t>(row)];
    const std::size_t size = static_cast<std::size_t>(entry.sizeKB) * 1024;
    contents.resize(size, 0xFF);
    return std::make_unique<RomChip>(entry.name, std::move(contents));
}

std::unique_ptr<SimChip> MakeErasedSimChip(int row) {
    return MakeSimChip(row, {});
}

} // namespace quorbit::sim
