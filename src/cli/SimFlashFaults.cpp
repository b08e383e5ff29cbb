#include "cli/SimFlashFaults.h"

#include <charconv>
#include <stdexcept>

#include "sim/SimFlash.h"

namespace quorbit::cli {

std::optional<std::unique_ptr<sim::SimChip>> ApplyFlashFault(std::unique_ptr<sim::SimChip> chip,
                                                             const std::string& fault) {
    if (fault == "empty") return std::unique_ptr<sim::SimChip>{};
    const bool hangs = fault == "erase-hangs";
    const bool id = fault.rfind("id:", 0) == 0;
    if (!hangs && !id) return std::nullopt;
    auto* flash = dynamic_cast<sim::JedecFlash*>(chip.get());
    if (!flash)
        throw std::invalid_argument("--sim-fault " + fault + " needs a 32-pin 5 V flash chip");
    if (hangs) {
        flash->SetEraseHangs(true);
        return chip;
    }
    const std::string digits = fault.substr(3);
    unsigned value = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.size() != 4 || r.ec != std::errc() || r.ptr != digits.data() + digits.size())
        throw std::invalid_argument("Bad --sim-fault " + fault +
                                    ": use id:MMDD, maker and device code in hex (e.g. id:BF07)");
    flash->SetIdCodes(static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value));
    return chip;
}

} // namespace quorbit::cli
