#include "state/Mismatches.h"

#include <algorithm>

namespace quorbit {
namespace {

constexpr std::size_t kRangesInLog = 16;

std::string HexUpper(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0x0F]);
        value >>= 4;
    } while (value != 0);
    return text;
}

} // namespace

void MismatchRanges::Add(std::uint32_t address) {
    const bool extends = bytes_ > 0 && address == last_ + 1;
    ++bytes_;
    last_ = address;
    if (extends) {
        if (rangeCount_ <= kKeptRanges) kept_.back().last = address;
        return;
    }
    ++rangeCount_;
    if (rangeCount_ <= kKeptRanges) kept_.push_back({address, address});
}

std::string MismatchLogText(const MismatchRanges& found) {
    const std::uint64_t bytes = found.Bytes();
    const std::uint64_t ranges = found.RangeCount();
    std::string text = std::to_string(bytes) + (bytes == 1 ? " byte differs" : " bytes differ");
    if (bytes == 0) return text;
    if (bytes > 1) text += " in " + std::to_string(ranges) + (ranges == 1 ? " range" : " ranges");
    text += ranges > kRangesInLog ? ", the first " + std::to_string(kRangesInLog) + ": " : ": ";
    const auto& kept = found.Kept();
    const std::size_t shown = std::min(kept.size(), kRangesInLog);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) text += ", ";
        text += HexUpper(kept[i].first);
        if (kept[i].last != kept[i].first) text += "-" + HexUpper(kept[i].last);
    }
    return text;
}

} // namespace quorbit
