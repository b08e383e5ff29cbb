// Serial number fields: the text of --serial, and the bytes each form puts into
// a chip's copy of the image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PropertyCheck.h"
#include "buffers/SerialField.h"

namespace quorbit::test {
namespace {

/// The number a field's bytes hold, read back the way a target's firmware would.
std::uint64_t NumberIn(const std::vector<std::uint8_t>& bytes, SerialFormat format) {
    std::uint64_t number = 0;
    switch (format) {
    case SerialFormat::LittleEndian:
        for (auto it = bytes.rbegin(); it != bytes.rend(); ++it)
            number = number * 256 + *it;
        break;
    case SerialFormat::BigEndian:
        for (const std::uint8_t b : bytes)
            number = number * 256 + b;
        break;
    case SerialFormat::Bcd:
        for (const std::uint8_t b : bytes) {
            EXPECT_LE(b >> 4, 9);
            EXPECT_LE(b & 0x0F, 9);
            number = number * 100 + static_cast<std::uint64_t>((b >> 4) * 10 + (b & 0x0F));
        }
        break;
    case SerialFormat::Ascii:
        return std::stoull(std::string(bytes.begin(), bytes.end()), nullptr, 10);
    case SerialFormat::Hex:
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find_first_of("abcdef"),
                  std::string::npos);
        return std::stoull(std::string(bytes.begin(), bytes.end()), nullptr, 16);
    }
    return number;
}

TEST(SerialField, AnyNumberThatFitsChangesTheImageOnlyInItsFieldAndReadsBack) {
    CheckProperty(400, [] {
        const auto size = *rc::gen::inRange<std::size_t>(1, 4096);
        const auto base = *rc::gen::container<std::vector<std::uint8_t>>(
            size, rc::gen::arbitrary<std::uint8_t>());
        SerialField field;
        field.format = *rc::gen::element(SerialFormat::LittleEndian, SerialFormat::BigEndian,
                                         SerialFormat::Bcd, SerialFormat::Ascii, SerialFormat::Hex);
        // Within what 64 bits read back, for the oracle; longer fields pad with zeros.
        const int widest = field.format == SerialFormat::Ascii || field.format == SerialFormat::Hex
                               ? 16
                           : field.format == SerialFormat::Bcd ? 9
                                                               : 8;
        field.length = *rc::gen::inRange(1, std::min<int>(widest, static_cast<int>(size)) + 1);
        field.address = *rc::gen::inRange<std::uint32_t>(
            0, static_cast<std::uint32_t>(size - static_cast<std::size_t>(field.length)) + 1);
        // The largest number now and then: the edge of what the field holds.
        const std::uint64_t number =
            *rc::gen::arbitrary<bool>() ? LargestSerial(field)
                                        : *rc::gen::inRange<std::uint64_t>(0, LargestSerial(field));
        const auto image = WithSerial(base, field, number);
        RC_ASSERT(image.size() == base.size());
        for (std::size_t i = 0; i < size; ++i)
            if (i < field.address || i >= field.address + static_cast<std::size_t>(field.length))
                RC_ASSERT(image[i] == base[i]);
        const std::vector<std::uint8_t> held(image.begin() + field.address,
                                             image.begin() + field.address + field.length);
        RC_ASSERT(NumberIn(held, field.format) == number);
    });
}

TEST(SerialField, TheOptionTextNamesAddressLengthAndFormatOrSaysWhatIsWrong) {
    std::string error;
    auto field = ParseSerialField("7FF0:4", error);
    ASSERT_TRUE(field) << error;
    EXPECT_EQ(field->address, 0x7FF0u);
    EXPECT_EQ(field->length, 4);
    EXPECT_EQ(field->format, SerialFormat::LittleEndian);
    field = ParseSerialField("0x1ffch:6:ascii", error);
    EXPECT_FALSE(field) << "one hex form at a time";
    field = ParseSerialField("1FFCh:6:ascii", error);
    ASSERT_TRUE(field) << error;
    EXPECT_EQ(field->address, 0x1FFCu);
    EXPECT_EQ(field->format, SerialFormat::Ascii);
    for (const char* bad : {"7FF0", "7FG0:4", "7FF0:0", "7FF0:33", "7FF0:4:dec", ":4", "7FF0:"}) {
        EXPECT_FALSE(ParseSerialField(bad, error)) << bad;
        EXPECT_EQ(error.rfind(std::string(bad) + ": ", 0), 0u) << error;
    }
    // The largest numbers each form holds in two bytes.
    const auto largest = [](SerialFormat format) { return LargestSerial({0, 2, format}); };
    EXPECT_EQ(largest(SerialFormat::LittleEndian), 65535u);
    EXPECT_EQ(largest(SerialFormat::Bcd), 9999u);
    EXPECT_EQ(largest(SerialFormat::Ascii), 99u);
    EXPECT_EQ(largest(SerialFormat::Hex), 255u);
    EXPECT_EQ(LargestSerial({0, 32, SerialFormat::BigEndian}), ~std::uint64_t{0});
    EXPECT_EQ(SerialText(1007), "001007");
    EXPECT_EQ(SerialText(12345678), "12345678");
}

} // namespace
} // namespace quorbit::test
