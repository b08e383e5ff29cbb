// CRC32 and SHA-1 of images: the bytes of a coverage taken in address order
// whatever its ranges, and the log text. The command-line tests hold the sums
// against sha1sum and Python's zlib.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../PropertyCheck.h"
#include "buffers/Checksums.h"

namespace quorbit::test {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(Checksums, CoverageIsTakenInAddressOrderAndNothingElse) {
    CheckProperty(200, [] {
        const auto size = *rc::gen::inRange<std::size_t>(1, 3000);
        const auto buffer = *rc::gen::container<std::vector<std::uint8_t>>(
            size, rc::gen::arbitrary<std::uint8_t>());
        // Ascending, merged ranges from random cut points; some may pass the buffer's end.
        auto cuts = *rc::gen::container<std::vector<std::uint32_t>>(
            rc::gen::inRange<std::uint32_t>(0, static_cast<std::uint32_t>(size + 50)));
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        std::vector<AddressRange> ranges;
        for (std::size_t i = 0; i + 1 < cuts.size(); i += 2)
            if (ranges.empty() || ranges.back().last + 1 < cuts[i])
                ranges.push_back({cuts[i], cuts[i + 1]});
        const Coverage held = Coverage::OfRanges(ranges);

        std::vector<std::uint8_t> gathered;
        for (std::uint32_t a = 0; a < buffer.size(); ++a)
            if (held.Holds(a)) gathered.push_back(buffer[a]);
        RC_ASSERT(DigestOfCoverage(buffer, held) == DigestOf(gathered));
    });
}

TEST(Checksums, LogTextNamesTheRangesAndTheCount) {
    const Digest d = DigestOf(Bytes("123456789"));
    EXPECT_EQ(DigestLogText(d, Coverage::OfRanges({{0x100, 0x104}, {0x2000, 0x2003}})),
              "CRC32 = cbf43926 SHA-1 = f7c3bc1d808e04732adf679965ccc34ca7ae3441 over 100-104, "
              "2000-2003 (9 bytes)");
    EXPECT_EQ(DigestLogText(DigestOf(Bytes("")), Coverage()),
              "CRC32 = 00000000 SHA-1 = da39a3ee5e6b4b0d3255bfef95601890afd80709 over no bytes");
    // A CRC with leading zero digits keeps all eight.
    EXPECT_EQ((Digest{0x0000ABCD, {}}).Crc32Text(), "0000abcd");
}

} // namespace
} // namespace quorbit::test
