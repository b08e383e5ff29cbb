// Every differing byte counted: the ranges they form against a plain model, the
// log line, and a verify on simulated chips (parallel and 24Cxx, images placed
// anywhere) that reports exactly the bytes that differ inside the image.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <algorithm>
#include <set>
#include <vector>

#include "../PropertyCheck.h"
#include "SerialRig.h"
#include "app/TextFile.h"
#include "ops/Verify.h"
#include "state/Mismatches.h"

namespace quorbit::test {
namespace {

/// The ranges a sorted set of addresses forms, by the plain definition.
std::vector<AddressRange> RangesOf(const std::set<std::uint32_t>& addresses) {
    std::vector<AddressRange> ranges;
    for (std::uint32_t a : addresses) {
        if (!ranges.empty() && ranges.back().last + 1 == a)
            ranges.back().last = a;
        else
            ranges.push_back({a, a});
    }
    return ranges;
}

bool SameRanges(const std::vector<AddressRange>& a, const std::vector<AddressRange>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const AddressRange& x, const AddressRange& y) {
                          return x.first == y.first && x.last == y.last;
                      });
}

TEST(Mismatches, CountsEveryByteAndKeepsTheFirstThousandRanges) {
    CheckProperty(100, [] {
        // Dense enough to give long runs, sparse enough to pass 1000 ranges.
        const auto span = *rc::gen::inRange<std::uint32_t>(1, 20000);
        const auto count = *rc::gen::inRange<std::size_t>(0, 6000);
        const auto picks = *rc::gen::container<std::vector<std::uint32_t>>(
            count, rc::gen::inRange<std::uint32_t>(0, span));
        const std::set<std::uint32_t> addresses(picks.begin(), picks.end());
        MismatchRanges found;
        for (std::uint32_t a : addresses)
            found.Add(a);

        const auto model = RangesOf(addresses);
        RC_ASSERT(found.Bytes() == addresses.size());
        RC_ASSERT(found.RangeCount() == model.size());
        auto kept = model;
        kept.resize(std::min(model.size(), MismatchRanges::kKeptRanges));
        RC_ASSERT(SameRanges(found.Kept(), kept));
    });
}

TEST(Mismatches, LogLineNamesAtMostSixteenRanges) {
    MismatchRanges three;
    for (std::uint32_t a = 0x100; a <= 0x10F; ++a)
        three.Add(a);
    for (std::uint32_t a = 0x2000; a <= 0x200F; ++a)
        three.Add(a);
    for (std::uint32_t a = 0x7FF0; a <= 0x7FFF; ++a)
        three.Add(a);
    EXPECT_EQ(MismatchLogText(three), "48 bytes differ in 3 ranges: 100-10F, 2000-200F, 7FF0-7FFF");

    MismatchRanges one;
    one.Add(0x1F3);
    EXPECT_EQ(MismatchLogText(one), "1 byte differs: 1F3");

    MismatchRanges many;
    for (std::uint32_t a = 0; a < 40; a += 2)
        many.Add(a);
    EXPECT_EQ(MismatchLogText(many), "20 bytes differ in 20 ranges, the first 16: 0, 2, 4, 6, 8, "
                                     "A, C, E, 10, 12, 14, 16, 18, 1A, 1C, 1E");
}

/// A verify on a chip that differs from the image at random places, some of them
/// outside the image: exactly the differing bytes the image holds are counted.
TEST(Mismatches, VerifyCountsExactlyTheDifferingBytesTheImageHolds) {
    CheckProperty(30, [] {
        const bool serial = *rc::gen::arbitrary<bool>();
        // 2732, 27C256, 27C010 (two banks); 24C08, 24C16.
        const int row =
            serial ? *rc::gen::element(kRow24C08, kRow24C16) : *rc::gen::element(4, 11, 15);
        SerialRig r;
        RC_ASSERT(SelectDevice(r.app, row));
        const auto chipSize = static_cast<std::uint32_t>(r.app.dev.ImageLength);
        const auto length = *rc::gen::inRange<std::uint32_t>(1, chipSize + 1);
        const auto offset = *rc::gen::inRange<std::uint32_t>(0, chipSize - length + 1);
        const auto seed = *rc::gen::arbitrary<std::uint32_t>();
        const auto image = SerialImage(length, seed);
        std::vector<std::uint8_t> chip = SerialImage(chipSize, seed + 1);
        std::copy(image.begin(), image.end(), chip.begin() + offset);
        const auto flips = *rc::gen::container<std::vector<std::uint32_t>>(
            rc::gen::inRange<std::uint32_t>(0, chipSize));
        const std::vector<std::uint8_t> unflipped = chip;
        for (std::uint32_t a : flips)
            chip[a] ^= a == 0 ? 0x01 : 0x80; // bit 7 of byte 0 stays (SerialImage says why)
        std::set<std::uint32_t> differ;
        for (std::uint32_t a = offset; a < offset + length; ++a)
            if (chip[a] != unflipped[a]) differ.insert(a);
        if (serial)
            r.Insert(row, chip);
        else
            static_cast<ChipRig&>(r).Insert(row, chip);
        r.app.buf.CodeFileOffset = offset;
        r.LoadCode(image);
        Fire(r.app.ui.verifyButton.onClick);
        RC_LOG() << r.app.dev.DeviceName << " image " << length << " at " << offset << ", "
                 << differ.size() << " differ";

        RC_ASSERT(r.app.ops.Mismatches.Bytes() == differ.size());
        RC_ASSERT(SameRanges(r.app.ops.Mismatches.Kept(), RangesOf(differ)));
        RC_ASSERT(r.app.ops.ChipRead.has_value());
        std::vector<std::uint8_t> chipPart(chip.begin() + offset, chip.begin() + offset + length);
        RC_ASSERT(r.app.ops.ChipRead->digest == DigestOf(chipPart));
        const auto lines = r.rig.LogLines();
        if (differ.empty()) {
            RC_ASSERT(r.app.ops.Outcome == OpOutcome::Success);
            // A match over part of the chip says which part.
            const std::string range = Hex(offset) + "-" + Hex(offset + length - 1);
            if (length < chipSize)
                RC_ASSERT(r.LogHas("Compared where the image holds bytes: " + range + " (" +
                                   std::to_string(length) + " of " + std::to_string(chipSize) +
                                   " bytes)"));
            return;
        }
        RC_ASSERT(r.app.ops.Outcome == OpOutcome::Failed);
        const std::uint32_t first = *differ.begin();
        RC_ASSERT(r.LogHas("Address: " + Hex(first) + " ][ Buffer Data: " +
                           Hex(image[first - offset]) + " ][ Device Data: " + Hex(chip[first])));
        RC_ASSERT(lines.size() >= 3u);
        RC_ASSERT(lines[lines.size() - 3] == MismatchLogText(r.app.ops.Mismatches));
        RC_ASSERT(lines.back() ==
                  "Device " + DigestLogText(DigestOf(chipPart),
                                            Coverage::OfRanges({{offset, offset + length - 1}})));
    });
}

TEST(Mismatches, SerialVerifyAfterACancelledEraseComparesOnlyTheImage) {
    SerialRig r;
    auto chip = SerialImage(1024, 42);
    r.Insert(kRow24C08, chip);
    r.rig.dialogs.answers = {MsgResult::Cancel};
    r.Press(r.app.ui.eraseChipButton); // nothing of a cancelled erase may reach the verify
    r.LoadCode({chip.begin(), chip.begin() + 100});
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.app.ops.Mismatches.Bytes(), 0u);
    ASSERT_TRUE(r.app.ops.ChipRead.has_value());
    EXPECT_EQ(r.app.ops.ChipRead->over.Bytes(), 100u);
}

} // namespace
} // namespace quorbit::test
