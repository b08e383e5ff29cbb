#pragma once
// The addresses an image holds. Programming and verifying touch only these: a byte
// the image does not hold is neither written nor compared, so a short file never
// burns filler into the rest of a chip.
#include <cstdint>
#include <string>
#include <vector>

namespace quorbit {

struct AddressRange {
    std::uint32_t first = 0, last = 0; // inclusive
};

/// "0000-7FFF, 10000-1FFFF" (hex, upper case).
std::string RangesText(const std::vector<AddressRange>& ranges);

/// Ascending, merged, inclusive address ranges with a per-byte lookup.
class Coverage {
  public:
    Coverage() = default;
    /// Addresses [0, bytes).
    static Coverage FirstBytes(std::uint32_t bytes);
    /// The ranges as given (ascending and merged, as the record decoder gives them).
    static Coverage OfRanges(std::vector<AddressRange> ranges);

    [[nodiscard]] const std::vector<AddressRange>& Ranges() const { return ranges_; }
    [[nodiscard]] bool Empty() const { return ranges_.empty(); }
    /// One past the highest address held; 0 when empty.
    [[nodiscard]] std::uint32_t End() const {
        return ranges_.empty() ? 0 : ranges_.back().last + 1;
    }
    /// Number of addresses held.
    [[nodiscard]] std::uint64_t Bytes() const;
    [[nodiscard]] bool Holds(std::uint32_t address) const {
        return address < mask_.size() && mask_[address] != 0;
    }
    /// Whether any address in [first, first + count) is held.
    [[nodiscard]] bool HoldsAnyOf(std::uint32_t first, std::uint32_t count) const;
    /// Whether every address in [first, first + count) is held.
    [[nodiscard]] bool HoldsAllOf(std::uint32_t first, std::uint32_t count) const;
    /// The odd (`odd`) or even addresses, renumbered a / 2: one chip of a 16-bit pair.
    [[nodiscard]] Coverage Half(bool odd) const;
    /// The addresses below `end`.
    [[nodiscard]] Coverage Below(std::uint32_t end) const;

  private:
    std::vector<AddressRange> ranges_;
    std::vector<std::uint8_t> mask_; // one entry per address up to End()
};

} // namespace quorbit
