#include "catalog/FlashIds.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "catalog/Catalog.h"

namespace quorbit {
namespace {

struct IdRow {
    std::string_view id;
    std::string_view name;
    int catalogRow; // the device it answers as: itself or the part it replaces; -1 none
};

// The EON EN29F040 and AMIC A29040 are pin- and command-compatible with the
// AM29F040, the A29010 with the AM29F010 (their datasheets); the Atmel 1Fh
// sector-write parts have no catalog row of their own. A catalog row that
// carries an ID of its own (the SST39SF0x0A: BFh B5h/B6h/B7h, from the SST39SF010A/
// 020A/040 datasheet) is found by it after this table.
constexpr int kAt29c256 = 23;
constexpr int kAm29f010 = 25;
constexpr int kAm29f040 = 27;
constexpr std::array kFlashIds{
    IdRow{"1C04", "EON EN29F040 Flash Memory", kAm29f040},
    IdRow{"0120", "AMD am29F010 Flash Memory", kAm29f010},
    IdRow{"01A4", "AMD am29F040 Flash Memory", kAm29f040},
    IdRow{"3786", "AMIC A29040 Flash Memory", kAm29f040},
    IdRow{"37A4", "AMIC A29010 Flash Memory", kAm29f010},
    IdRow{"1F5B", "ATMEL 29C040 Flash Memory", -1},
    IdRow{"1FA4", "ATMEL 29C040A Flash Memory", -1},
    IdRow{"1FDA", "ATMEL 29C020 Flash Memory", -1},
    IdRow{"1F25", "ATMEL 29C1024 Flash Memory", -1},
    IdRow{"1FD5", "ATMEL 29C010 Flash Memory", -1},
    IdRow{"1F5D", "ATMEL 29C512 Flash Memory", -1},
    IdRow{"1FDC", "ATMEL 29C256 Flash Memory", kAt29c256},
};

std::string TwoBytesHex(int first, int second) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X", first & 0xFF, second & 0xFF);
    return text;
}

/// The catalog row whose own flash ID is `flashId`, or -1.
int RowWithOwnId(std::string_view flashId) {
    const auto& table = CatalogTable();
    for (int k = 1; k <= CatalogRowCount(); ++k) {
        const std::uint16_t id = table[static_cast<std::size_t>(k)].facts.flashId;
        if (id != 0 && TwoBytesHex(id >> 8, id) == flashId) return k;
    }
    return -1;
}

} // namespace

std::string FlashIdText(int maker, int device) {
    return TwoBytesHex(maker, device);
}

std::string ListedFlashIdName(std::string_view flashId) {
    for (const IdRow& row : kFlashIds)
        if (row.id == flashId) return std::string(row.name);
    return {};
}

std::string FlashIdName(std::string_view flashId) {
    for (const IdRow& row : kFlashIds)
        if (row.id == flashId) return std::string(row.name);
    const int row = RowWithOwnId(flashId);
    if (row < 0) return {};
    return NameWithoutFamilyWord(CatalogTable()[static_cast<std::size_t>(row)].name) +
           " Flash Memory";
}

int FlashIdRow(std::string_view flashId) {
    for (const IdRow& row : kFlashIds)
        if (row.id == flashId) return row.catalogRow;
    return RowWithOwnId(flashId);
}

bool FlashChipSupported(int maker, std::string_view flashId) {
    if (maker == 0x37 || maker == 0x01 || maker == 0x1C || maker == 0x1F) return true;
    return RowWithOwnId(flashId) >= 0;
}

} // namespace quorbit
