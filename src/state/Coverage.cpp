#include "state/Coverage.h"

#include <algorithm>
#include <cstdio>

namespace quorbit {

std::string RangesText(const std::vector<AddressRange>& ranges) {
    const auto hex = [](std::uint32_t value) {
        char text[12];
        std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
        return std::string(text);
    };
    std::string text;
    for (const auto& r : ranges)
        text += (text.empty() ? "" : ", ") + hex(r.first) + "-" + hex(r.last);
    return text;
}

Coverage Coverage::FirstBytes(std::uint32_t bytes) {
    if (bytes == 0) return {};
    return OfRanges({AddressRange{0, bytes - 1}});
}

Coverage Coverage::OfRanges(std::vector<AddressRange> ranges) {
    Coverage c;
    c.ranges_ = std::move(ranges);
    c.mask_.assign(c.End(), 0);
    for (const AddressRange& r : c.ranges_)
        std::fill(c.mask_.begin() + r.first, c.mask_.begin() + r.last + 1, std::uint8_t{1});
    return c;
}

std::uint64_t Coverage::Bytes() const {
    std::uint64_t n = 0;
    for (const AddressRange& r : ranges_)
        n += std::uint64_t{r.last} - r.first + 1;
    return n;
}

bool Coverage::HoldsAnyOf(std::uint32_t first, std::uint32_t count) const {
    for (std::uint32_t a = first; a < first + count && a < mask_.size(); ++a)
        if (mask_[a] != 0) return true;
    return false;
}

bool Coverage::HoldsAllOf(std::uint32_t first, std::uint32_t count) const {
    for (std::uint32_t a = first; a < first + count; ++a)
        if (!Holds(a)) return false;
    return true;
}

Coverage Coverage::Half(bool odd) const {
    std::vector<AddressRange> half;
    const std::uint32_t offset = odd ? 1 : 0;
    for (const AddressRange& r : ranges_) {
        // Half-addresses h with first <= 2h + offset <= last.
        if (r.last < offset) continue;
        const std::uint32_t lo = r.first <= offset ? 0 : (r.first - offset + 1) / 2;
        const std::uint32_t hi = (r.last - offset) / 2;
        if (lo > hi) continue;
        if (!half.empty() && half.back().last + 1 >= lo)
            half.back().last = std::max(half.back().last, hi);
        else
            half.push_back({lo, hi});
    }
    return OfRanges(std::move(half));
}

Coverage Coverage::Below(std::uint32_t end) const {
    std::vector<AddressRange> kept;
    for (const AddressRange& r : ranges_)
        if (r.first < end) kept.push_back({r.first, std::min(r.last, end - 1)});
    return OfRanges(std::move(kept));
}

} // namespace quorbit
