// Images of every shape into every family with a simulated chip, on each board
// model, on a blank chip and on one that holds other data. Programming (with or
// without the verify after it) ends one of two ways: the chip holds the image
// wherever the image has bytes and is unchanged everywhere else, or the command
// claimed nothing. A refused image leaves the chip as it was. And every
// selectable row, on its own chip, programs, verifies and erases a part of an
// image.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "../PropertyCheck.h"
#include "../buffers/RecordText.h"
#include "../ops/ChipRig.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceFile.h"
#include "catalog/UsingDeviceFile.h"
#include "ops/Program.h"
#include "ops/ProgramTable.h"
#include "sim/SimFamilies.h"

namespace quorbit::test {
namespace {

/// A catalog row to choose, and for the Atmel sector-write flash, the chip put
/// in its socket instead of the row's own (it answers to the 32-pin flash rows).
struct Part {
    int row;
    const char* chip = nullptr;
};

// One or two rows of each family and package, the small ones more often: a whole
// 1 MB EPROM is slow to program even simulated.
const std::vector<Part> kParts = {
    {4},
    {6},
    {8},
    {11},
    {13},
    {15},
    {17},
    {21}, // UV EPROMs
    {23},
    {33}, // AT29C256, X28C256
    {25},
    {26},
    {27},              // AMD flash
    {25, "AT29C010A"}, // Atmel sector flash
    {36},
    {37},
    {38}, // 24Cxx
};

enum class Shape {
    Short,
    PastBank,
    TwoRecordRanges,
    HiHalf,
    LowHalf,
    Whole,
    OneByteOver,
    EmptyHalf, // Hi Byte or Low Byte of an image that holds no byte of that half
    Pair,      // Hi Byte or Low Byte of a 16-bit image of up to twice the chip
    PairOver   // the same, one byte past twice the chip
};

struct Image {
    std::string file; // the file's bytes
    std::string name; // its name (the extension tells the format)
    std::vector<AddressRange> ranges;
    std::vector<std::uint8_t> bytes; // the code buffer the image stands for
    int hiLow = 0;                   // 0 both, 1 hi byte, 2 low byte
};

std::uint32_t Next(std::mt19937& random) {
    return static_cast<std::uint32_t>(random());
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, std::mt19937& random) {
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(Next(random));
    return bytes;
}

Image RawImage(std::size_t length, std::mt19937& random) {
    Image image;
    image.bytes = RandomBytes(length, random);
    image.file.assign(image.bytes.begin(), image.bytes.end());
    image.name = "image.bin";
    if (length > 0) image.ranges = {{0, static_cast<std::uint32_t>(length - 1)}};
    return image;
}

/// Intel HEX of two ranges with a gap between them.
Image TwoRangeImage(std::uint32_t size, std::mt19937& random) {
    const auto pick = [&](std::uint32_t lo, std::uint32_t hi) {
        return lo + static_cast<std::uint32_t>(Next(random) % (hi - lo + 1));
    };
    const std::uint32_t a = pick(0, size / 2 - 2);
    const std::uint32_t b = pick(a, size / 2 - 2);
    const std::uint32_t c = pick(b + 2, size - 1);
    const std::uint32_t d = pick(c, size - 1);
    Image image;
    image.name = "image.hex";
    image.ranges = {{a, b}, {c, d}};
    image.bytes.assign(d + 1, 0xFF);
    std::uint32_t segment = ~0U;
    for (const AddressRange& r : image.ranges) {
        for (std::uint32_t at = r.first; at <= r.last;) {
            if (at >> 16 != segment) {
                segment = at >> 16;
                image.file += IntelLine(
                    4, 0,
                    {static_cast<std::uint8_t>(segment >> 8), static_cast<std::uint8_t>(segment)});
            }
            const std::uint32_t n = std::min({r.last - at + 1, 16U, 0x10000 - (at & 0xFFFF)});
            const auto data = RandomBytes(n, random);
            std::copy(data.begin(), data.end(), image.bytes.begin() + at);
            image.file += IntelLine(0, static_cast<std::uint16_t>(at), data);
            at += n;
        }
    }
    image.file += IntelEnd();
    return image;
}

/// Intel HEX of single bytes at odd addresses only: no even byte for Low Byte.
Image OddBytesOnly(std::uint32_t size, std::mt19937& random) {
    Image image;
    image.name = "odd.hex";
    std::uint32_t at = 1 + 2 * (Next(random) % 8);
    const std::uint32_t count = 1 + Next(random) % 4;
    for (std::uint32_t k = 0; k < count && at < size && at < 0x10000;
         ++k, at += 2 + 2 * (Next(random) % 8)) {
        const auto data = RandomBytes(1, random);
        image.bytes.resize(at + 1, 0xFF);
        image.bytes[at] = data[0];
        image.ranges.push_back({at, at});
        image.file += IntelLine(0, static_cast<std::uint16_t>(at), data);
    }
    image.file += IntelEnd();
    return image;
}

Image ImageOf(Shape shape, std::uint32_t size, std::mt19937& random) {
    const auto below = [&](std::uint32_t n) { return 1 + Next(random) % (n - 1); };
    switch (shape) {
    case Shape::Short:
        return RawImage(below(size), random);
    case Shape::PastBank: { // over 64 KiB, not a multiple of it; short on a small chip
        if (size <= 0x10000) return RawImage(below(size), random);
        std::uint32_t length = 0x10001 + Next(random) % (size - 0x10001);
        if (length % 0x10000 == 0) --length;
        return RawImage(length, random);
    }
    case Shape::TwoRecordRanges:
        return TwoRangeImage(size, random);
    case Shape::HiHalf:
    case Shape::LowHalf: { // two bytes at least: each half holds one
        Image image = RawImage(1 + below(size), random);
        image.hiLow = shape == Shape::HiHalf ? 1 : 2;
        return image;
    }
    case Shape::Whole:
        return RawImage(size, random);
    case Shape::OneByteOver:
        return RawImage(size + 1, random);
    case Shape::EmptyHalf: { // one byte at 0h has no odd partner; odd records no even one
        Image image = Next(random) % 2 == 0 ? RawImage(1, random) : OddBytesOnly(size, random);
        image.hiLow = image.name == "image.bin" ? 1 : 2;
        return image;
    }
    case Shape::Pair:
    case Shape::PairOver: {
        const std::uint32_t length =
            shape == Shape::PairOver ? 2 * size + 1 : size + 1 + Next(random) % size;
        Image image = RawImage(length, random);
        image.hiLow = 1 + static_cast<int>(Next(random) % 2);
        return image;
    }
    }
    return {};
}

/// Bits the image needs set where the chip has cleared them cannot be written to
/// an EPROM or a byte-program flash; on those, "other data" still leaves the image
/// within reach where the image has bytes.
bool OnlyClearsBits(const App& app) {
    return app.dev.DeviceFamily == "P" ||
           (app.dev.DeviceFamily == "F" && app.dev.DeviceType != "FA");
}

/// The byte the image puts at each chip address (of the chosen half), or nothing
/// where the image has no byte.
std::vector<std::optional<std::uint8_t>> ChipImage(const Image& image, std::uint32_t size) {
    std::vector<std::optional<std::uint8_t>> at(size);
    const Coverage held = Coverage::OfRanges(image.ranges);
    for (std::uint32_t a = 0; a < size; ++a) {
        if (image.hiLow == 0) {
            if (held.Holds(a)) at[a] = image.bytes[a];
            continue;
        }
        // One chip of a 16-bit pair: chip address a takes buffer byte 2a (+1 for
        // hi), of an image up to twice the chip.
        const std::uint32_t from = 2 * a + (image.hiLow == 1 ? 1 : 0);
        if (held.Holds(from)) at[a] = image.bytes[from];
    }
    return at;
}

/// What the chip must hold after a successful program: the image where it has
/// bytes, the old contents elsewhere.
std::vector<std::uint8_t> Expected(const std::vector<std::optional<std::uint8_t>>& image,
                                   std::vector<std::uint8_t> old) {
    for (std::size_t a = 0; a < old.size(); ++a)
        if (image[a]) old[a] = *image[a];
    return old;
}

/// "" when equal, else the number of differing bytes and the first of them.
std::string Difference(const std::vector<std::uint8_t>& chip,
                       const std::vector<std::uint8_t>& want) {
    std::size_t count = 0, first = 0;
    for (std::size_t a = 0; a < want.size(); ++a)
        if (chip[a] != want[a] && count++ == 0) first = a;
    if (count == 0) return "";
    return std::to_string(count) + " bytes differ, the first at " + std::to_string(first) +
           ": chip " + std::to_string(chip[first]) + ", expected " + std::to_string(want[first]);
}

std::unique_ptr<sim::SimChip> MakeChip(const Part& part, std::vector<std::uint8_t> contents) {
    if (part.chip) return sim::MakeSimAtmelSectorFlash(part.chip, std::move(contents));
    return sim::MakeSimChip(part.row, std::move(contents));
}

TEST(PartialImages, ProgramHoldsTheImageWhereItHasBytesOrClaimsNothing) {
    CheckProperty(60, [] {
        const Part part = *rc::gen::elementOf(kParts);
        const int model = *rc::gen::element(4, 5, 6);
        const Shape shape = *rc::gen::element(
            Shape::Short, Shape::PastBank, Shape::TwoRecordRanges, Shape::HiHalf, Shape::LowHalf,
            Shape::Whole, Shape::OneByteOver, Shape::EmptyHalf, Shape::Pair, Shape::PairOver);
        const bool otherData = *rc::gen::arbitrary<bool>();
        const bool verifyAfter = *rc::gen::arbitrary<bool>();
        const auto seed = *rc::gen::arbitrary<std::uint32_t>();

        ChipRig r(model);
        RC_ASSERT(SelectDevice(r.app, part.row));
        const auto size = static_cast<std::uint32_t>(r.app.dev.ImageLength);
        std::mt19937 random(seed);
        const Image image = ImageOf(shape, size, random);
        const auto target = ChipImage(image, size);
        std::vector<std::uint8_t> old(size, 0xFF);
        if (otherData) {
            old = RandomBytes(size, random);
            if (OnlyClearsBits(r.app))
                for (std::uint32_t a = 0; a < size; ++a)
                    if (target[a]) old[a] |= *target[a];
        }
        r.rig.sim->Insert(MakeChip(part, old));

        const auto path = r.rig.dir / image.name;
        WriteBytes(path, image.file);
        // The half first, as the command line sets it: a record image for a pair
        // of chips may reach past one chip.
        SetOption(r.app.ui.HiLowGroup(), static_cast<std::size_t>(image.hiLow), true);
        RC_ASSERT(OpenCodeFile(r.app, path.string()));
        SetCheck(r.app.ui.verifyAfterCheck, verifyAfter ? 1 : 0);
        SetCheck(r.app.ui.blankCheckFirstCheck, 0);
        r.app.ops.Outcome = OpOutcome::None;
        Fire(r.app.ui.programButton.onClick);

        const auto& now = r.rig.sim->Chip()->Memory();
        const std::vector<std::uint8_t> held(now.begin(), now.begin() + size);
        RC_LOG() << r.app.dev.DeviceName << ", model " << model << ", " << image.ranges.size()
                 << " ranges to " << (image.ranges.empty() ? 0 : image.ranges.back().last)
                 << ", hiLow " << image.hiLow << "\n";
        // Refused before the chip is touched: past the chip (or the pair), a half
        // without a byte, and any half of a 24Cxx, which is never one of a pair.
        const bool serialHalf = r.app.dev.DeviceFamily == "S" && image.hiLow != 0;
        if (shape == Shape::OneByteOver || shape == Shape::EmptyHalf || shape == Shape::PairOver ||
            serialHalf) {
            RC_ASSERT(r.app.ops.Outcome == OpOutcome::BadImage);
            RC_ASSERT(!r.LogHas("Programming Device Successfull"));
            RC_ASSERT(Difference(held, old) == "");
            return;
        }
        const bool claimed =
            r.LogHas("Programming Device Successfull") && r.app.ops.Outcome == OpOutcome::Success;
        if (claimed) RC_ASSERT(Difference(held, Expected(target, old)) == "");
        // Every routine but the sector-write flash's byte writer can do it.
        if (!part.chip) RC_ASSERT(claimed);
    });
}

std::vector<int> SelectableRows() {
    std::vector<int> rows;
    for (int k = 1; k <= CatalogRowCount(); ++k)
        if (CatalogTable()[static_cast<std::size_t>(k)].selectable) rows.push_back(k);
    return rows;
}

// Each selectable row, a row added later included, on its own simulated chip
// holding other data: a random part of an image (up to 4 KiB anywhere in the
// chip, so that the big chips stay quick) programs and leaves the rest as it was,
// verifies, and where the family erases electrically, Erase Chip blanks the chip.
void APartOfAnImageProgramsVerifiesAndErasesOn(int row) {
    CheckProperty(4, [row] {
        const int model = *rc::gen::element(4, 5, 6);
        ChipRig r(model);
        RC_ASSERT(SelectDevice(r.app, row));
        const auto size = static_cast<std::uint32_t>(r.app.dev.ImageLength);
        const auto start = *rc::gen::inRange<std::uint32_t>(0, size);
        const auto length =
            *rc::gen::inRange<std::uint32_t>(1, std::min<std::uint32_t>(size - start, 4096) + 1);
        std::mt19937 random(*rc::gen::arbitrary<std::uint32_t>());
        const auto part = RandomBytes(length, random);
        std::vector<std::uint8_t> old = RandomBytes(size, random);
        if (OnlyClearsBits(r.app))
            for (std::uint32_t i = 0; i < length; ++i)
                old[start + i] |= part[i];
        r.rig.sim->Insert(sim::MakeSimChip(row, old));

        r.app.buf.CodeFileOffset = start;
        r.LoadCode(part);
        r.app.buf.CodeFileOffset = 0;
        SetCheck(r.app.ui.verifyAfterCheck, 0);
        SetCheck(r.app.ui.blankCheckFirstCheck, 0);
        r.Press(r.app.ui.programButton);
        RC_LOG() << r.app.dev.DeviceName << ", model " << model << ", " << length << " bytes at "
                 << start << "\n";
        RC_ASSERT(r.app.ops.Outcome == OpOutcome::Success);
        std::vector<std::uint8_t> want = old;
        std::copy(part.begin(), part.end(), want.begin() + start);
        const auto& now = r.rig.sim->Chip()->Memory();
        RC_ASSERT(Difference({now.begin(), now.begin() + size}, want) == "");

        r.app.ops.Outcome = OpOutcome::None;
        r.Press(r.app.ui.verifyButton);
        RC_ASSERT(r.app.ops.Outcome == OpOutcome::Success);

        if (!EraseRoutineFor(r.app.dev.routines.erase)) return;
        r.app.ops.Outcome = OpOutcome::None;
        r.Press(r.app.ui.eraseChipButton);
        RC_ASSERT(r.app.ops.Outcome == OpOutcome::Success);
        const auto& erased = r.rig.sim->Chip()->Memory();
        RC_ASSERT(Difference({erased.begin(), erased.begin() + size},
                             std::vector<std::uint8_t>(size, 0xFF)) == "");
    });
}

class EveryRow : public ::testing::TestWithParam<int> {};

TEST_P(EveryRow, APartOfAnImageProgramsVerifiesAndErases) {
    APartOfAnImageProgramsVerifiesAndErasesOn(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Selectable, EveryRow, ::testing::ValuesIn(SelectableRows()),
                         [](const ::testing::TestParamInfo<int>& p) {
                             return "Row" + std::to_string(p.param);
                         });

// The same for each row of the shipped device file, on the chip of the row it is
// like, with the file's own size and ID.
class EveryDeviceFileRow : public ::testing::TestWithParam<int> {};

TEST_P(EveryDeviceFileRow, APartOfAnImageProgramsVerifiesAndErases) {
    const DeviceFile file = ReadDeviceFile(QUORBIT_DEVICE_FILE_EXAMPLE);
    ASSERT_EQ(file.error, "");
    ASSERT_LE(static_cast<std::size_t>(GetParam()), file.rows.size());
    const UsingDeviceFile added(file);
    APartOfAnImageProgramsVerifiesAndErasesOn(kBuiltInRows + GetParam());
}

INSTANTIATE_TEST_SUITE_P(Example, EveryDeviceFileRow, ::testing::Range(1, 5),
                         [](const ::testing::TestParamInfo<int>& p) {
                             return "Row" + std::to_string(p.param);
                         });

} // namespace
} // namespace quorbit::test
