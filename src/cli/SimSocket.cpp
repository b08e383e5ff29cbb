#include "cli/SimSocket.h"

#include <charconv>
#include <stdexcept>
#include <vector>

#include "app/TextFile.h"
#include "catalog/Catalog.h"
#include "cli/SimFlashFaults.h"
#include "sim/ChipFactory.h"
#include "sim/ParallelChip.h"
#include "sim/SimContents.h"

namespace quorbit::cli {
namespace {

std::vector<std::uint8_t> Contents(const std::string& description, std::size_t size) {
    if (description.empty()) return {};
    std::string error;
    if (auto generated = sim::GeneratedContents(description, size, error)) {
        if (!error.empty())
            throw std::invalid_argument("Bad --sim-image " + description + ": " + error);
        return *generated;
    }
    std::string text;
    error = ReadWholeFile(description, text);
    if (!error.empty())
        throw std::invalid_argument("Cannot read simulator image " + description + ": " + error);
    return {text.begin(), text.end()};
}

struct Fault {
    std::uint32_t address = 0;
    int bit = 0;
    bool level = false;
};

bool ParseField(const std::string& text, int base, unsigned long& value) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value, base);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

Fault ParseFault(const std::string& text, std::size_t chipSize) {
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    unsigned long address = 0, bit = 0, level = 0;
    if (second == std::string::npos || !ParseField(text.substr(0, first), 16, address) ||
        !ParseField(text.substr(first + 1, second - first - 1), 10, bit) ||
        !ParseField(text.substr(second + 1), 10, level) || bit > 7 || level > 1 ||
        address >= chipSize)
        throw std::invalid_argument("Bad --sim-fault " + text +
                                    ": use ADDRESS:BIT:LEVEL, address in hex inside the chip, "
                                    "bit 0-7, level 0 or 1 (e.g. 1F3:0:1)");
    return {static_cast<std::uint32_t>(address), static_cast<int>(bit), level == 1};
}

} // namespace

std::unique_ptr<sim::SimChip> MakeSocketChip(const SimSetup& setup, const std::string& fault) {
    const auto row = FindCatalogRow(setup.chip);
    if (!row) throw std::invalid_argument("Unknown chip for the simulator: " + setup.chip);
    const std::size_t size = sim::SimChipSize(*row);
    std::vector<std::uint8_t> contents = Contents(setup.imageFile, size);
    if (fault.empty()) {
        auto chip = sim::MakeSimChip(*row, std::move(contents));
        if (!chip) throw std::invalid_argument("The simulator has no model of " + setup.chip);
        return chip;
    }
    if (auto flash = ApplyFlashFault(sim::MakeSimChip(*row, contents), fault))
        return std::move(*flash);
    auto chip = sim::MakeParallelSimChip(*row, std::move(contents));
    if (!chip)
        throw std::invalid_argument("--sim-fault needs a parallel chip; " + setup.chip +
                                    " is not one");
    const Fault f = ParseFault(fault, size);
    chip->StickBit(f.address, f.bit, f.level);
    return chip;
}

} // namespace quorbit::cli
