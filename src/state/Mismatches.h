#pragma once
// The bytes a verify found different. A verify reads on to the end of the image
// after the first difference, so the operator learns how much differs and where:
// one wrong byte and a chip from another board call for different actions.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "state/Coverage.h"

namespace quorbit {

class MismatchRanges {
  public:
    /// Ranges kept for the reports; past them the bytes are still counted.
    static constexpr std::size_t kKeptRanges = 1000;

    void Clear() { *this = MismatchRanges(); }
    /// One differing byte; addresses come in ascending order.
    void Add(std::uint32_t address);

    [[nodiscard]] std::uint64_t Bytes() const { return bytes_; }
    /// Every range the differing bytes form, also those not kept.
    [[nodiscard]] std::uint64_t RangeCount() const { return rangeCount_; }
    /// The first kKeptRanges ranges.
    [[nodiscard]] const std::vector<AddressRange>& Kept() const { return kept_; }

  private:
    std::uint64_t bytes_ = 0;
    std::uint64_t rangeCount_ = 0;
    std::vector<AddressRange> kept_;
    std::uint32_t last_ = 0; // the last address added, while bytes_ > 0
};

/// "48 bytes differ in 3 ranges: 100-10F, 2000-200F, 7FF0-7FFF", with at most the
/// first 16 ranges named ("..., the first 16: ..."). A range of one byte is its address.
std::string MismatchLogText(const MismatchRanges& found);

} // namespace quorbit
