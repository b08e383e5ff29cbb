#include "cli/SimSocket.h"

#include <stdexcept>
#include <vector>

#include "app/TextFile.h"
#include "catalog/Catalog.h"
#include "sim/ChipFactory.h"
#include "sim/ParallelChip.h"
#include "sim/SimContents.h"
#include "sim/SimFaults.h"

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
    if (fault == "empty") return nullptr; // a socket without a chip
    auto chip = sim::MakeParallelSimChip(*row, std::move(contents));
    if (!chip)
        throw std::invalid_argument("--sim-fault needs a parallel chip; " + setup.chip +
                                    " is not one");
    sim::ApplyFaults(*chip, fault, size);
    return chip;
}

} // namespace quorbit::cli
