// The read-back path's fault lives on the board: a marginal status line inverts
// a bit of whatever the chip drives, now and then, whichever chip sits there.
#include "sim/BoardFaults.h"

#include <charconv>
#include <stdexcept>

#include "sim/ParallelChip.h"
#include "sim/SimFaults.h"
#include "sim/SimSerialEeprom.h"

namespace quorbit::sim {
namespace {

constexpr const char* kFlipPrefix = "flip:";

bool Decimal(const std::string& text, unsigned long& value) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value, 10);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

/// "ONEIN:SEED" after the kind word.
void ApplyFlip(SimBoard& board, const std::string& one) {
    const std::string args = one.substr(std::string(kFlipPrefix).size());
    const auto colon = args.find(':');
    unsigned long oneIn = 0, seed = 0;
    if (colon == std::string::npos || !Decimal(args.substr(0, colon), oneIn) ||
        !Decimal(args.substr(colon + 1), seed) || oneIn < 1 || oneIn > 0xFFFFFFFFUL || seed < 1 ||
        seed > 0xFFFFFFFFUL)
        throw std::invalid_argument("Bad --sim-fault " + one + ": use " + BoardFaultForms());
    board.FlipReadsNowAndThen(static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(oneIn));
}

} // namespace

std::string ApplyBoardFaults(SimBoard& board, const std::string& text) {
    std::string rest;
    std::size_t from = 0;
    while (from <= text.size()) {
        auto at = text.find(',', from);
        if (at == std::string::npos) at = text.size();
        const std::string one = text.substr(from, at - from);
        if (one.rfind(kFlipPrefix, 0) == 0)
            ApplyFlip(board, one);
        else if (!one.empty() || at < text.size())
            rest += (rest.empty() ? "" : ",") + one;
        from = at + 1;
    }
    return rest;
}

void ApplyAllFaults(SimBoard& board, SimChip& chip, const std::string& text) {
    const std::string chipFaults = ApplyBoardFaults(board, text);
    if (chipFaults.empty()) return;
    if (auto* parallel = dynamic_cast<ParallelChip*>(&chip))
        return ApplyFaults(*parallel, chipFaults, parallel->Memory().size());
    if (auto* serial = dynamic_cast<SerialEeprom*>(&chip))
        return ApplyFaults(*serial, chipFaults, serial->Memory().size());
    throw std::invalid_argument("--sim-fault " + chipFaults + ": " + chip.Name() +
                                " has no cells the simulator can make defective");
}

std::string BoardFaultForms() {
    return "flip:ONEIN:SEED (a read-back bit flips about once in ONEIN reads, e.g. "
           "flip:4096:7)";
}

} // namespace quorbit::sim
