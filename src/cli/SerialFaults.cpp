#include "cli/SerialFaults.h"

#include <charconv>
#include <stdexcept>

#include "catalog/Catalog.h"
#include "sim/SimSerialEeprom.h"

namespace quorbit::cli {
namespace {

constexpr const char* kNoWrite = "nowrite:";

std::uint32_t ParseAddress(const std::string& fault, std::size_t size) {
    const std::string text = fault.substr(std::char_traits<char>::length(kNoWrite));
    unsigned long address = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, address, 16);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || address >= size)
        throw std::invalid_argument("Bad --sim-fault " + fault +
                                    ": use nowrite:ADDRESS with a hex address inside the chip");
    return static_cast<std::uint32_t>(address);
}

} // namespace

std::unique_ptr<sim::SimChip> MakeFaultySerialChip(int row, std::vector<std::uint8_t> contents,
                                                   const std::string& fault) {
    const CatalogRow& entry = CatalogTable().at(static_cast<std::size_t>(row));
    if (entry.family != 'S') return nullptr;
    auto chip = sim::MakeSimSerialEeprom(entry.name, entry.subtype, std::move(contents));
    if (!chip) return nullptr;
    if (fault == "busy") {
        chip->StayBusy();
    } else if (fault.rfind(kNoWrite, 0) == 0) {
        chip->NeverTakes(ParseAddress(fault, chip->Memory().size()));
    } else {
        throw std::invalid_argument("Bad --sim-fault " + fault +
                                    " for a serial EEPROM: use busy or nowrite:ADDRESS");
    }
    return chip;
}

bool NamesEmptySocket(const std::string& chip) {
    return chip == "none" || chip == "NONE" || chip == "None";
}

} // namespace quorbit::cli
