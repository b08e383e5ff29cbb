// Intel HEX and S-record images: detection, round trips, and every kind of bad record.
#include "buffers/ImageFormats.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "RecordText.h"
#include "buffers/SrecordCodec.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

/// Every data byte the records name, by address.
std::map<std::uint32_t, std::uint8_t> ParsedBytes(const std::string& text, RecordFormat format,
                                                  std::string& error) {
    std::map<std::uint32_t, std::uint8_t> bytes;
    error = ParseRecords(
        text, format,
        [&bytes](std::uint32_t address, const std::uint8_t* data, std::size_t length, int) {
            for (std::size_t i = 0; i < length; ++i)
                bytes[address + static_cast<std::uint32_t>(i)] = data[i];
        });
    return bytes;
}

TEST(ImageFormats, FormatComesFromTheChoiceThenTheNameThenTheContent) {
    EXPECT_EQ(FormatToLoad(FormatChoice::Auto, "a.HEX", "anything"), ImageFormat::IntelHex);
    EXPECT_EQ(FormatToLoad(FormatChoice::Auto, "a.s37", ""), ImageFormat::SRecord);
    EXPECT_EQ(FormatToLoad(FormatChoice::Auto, "a.bin", ":00000001FF\n"), ImageFormat::Raw);
    EXPECT_EQ(FormatToLoad(FormatChoice::Auto, "image", "\r\n:00000001FF\r\n"),
              ImageFormat::IntelHex);
    EXPECT_EQ(FormatToLoad(FormatChoice::Auto, "image", "S00600004844521B\n"),
              ImageFormat::SRecord);
    // A binary that merely starts with ':' or 'S1' is still binary.
    EXPECT_EQ(FormatToLoad(FormatChoice::Auto, "image", std::string(":10\x00\xFF", 5)),
              ImageFormat::Raw);
    EXPECT_EQ(FormatToLoad(FormatChoice::Auto, "image", "S1"), ImageFormat::Raw);
    EXPECT_EQ(FormatToLoad(FormatChoice::Raw, "a.hex", ":00000001FF\n"), ImageFormat::Raw);
    EXPECT_EQ(FormatToSave(FormatChoice::Auto, "out.srec"), ImageFormat::SRecord);
    EXPECT_EQ(FormatToSave(FormatChoice::Auto, "out"), ImageFormat::Raw);
    EXPECT_EQ(FormatToSave(FormatChoice::IntelHex, "out.bin"), ImageFormat::IntelHex);
    EXPECT_EQ(ParseFormatChoice("IHEX"), FormatChoice::IntelHex);
    EXPECT_FALSE(ParseFormatChoice("hex"));
}

TEST(ImageFormats, ThirtyTwoBitAddressesReadInBothFormats) {
    const std::string intel = IntelLine(4, 0, {0x12, 0x34}) + IntelLine(0, 0x5678, {1, 2, 3}) +
                              IntelLine(2, 0, {0x10, 0x00}) + IntelLine(0, 0x0004, {9}) +
                              IntelEnd();
    std::string error;
    auto bytes = ParsedBytes(intel, RecordFormat::IntelHex, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(bytes, (std::map<std::uint32_t, std::uint8_t>{
                         {0x12345678, 1}, {0x12345679, 2}, {0x1234567A, 3}, {0x10004, 9}}));

    const std::string srec = SLine('3', 4, 0xFEDC0000, {7, 8}) + SLine('2', 3, 0x123456, {5}) +
                             SLine('1', 2, 0x0010, {6}) + SLine('7', 4, 0, {});
    bytes = ParsedBytes(srec, RecordFormat::SRecord, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(bytes, (std::map<std::uint32_t, std::uint8_t>{
                         {0xFEDC0000, 7}, {0xFEDC0001, 8}, {0x123456, 5}, {0x10, 6}}));
}

TEST(ImageFormats, RecordsOutOfOrderWithGapsBecomeOneImageFilledWithFF) {
    const std::string text = IntelLine(0, 0x0200, {0xAA, 0xBB}) + IntelLine(0, 0x0000, {1, 2}) +
                             IntelLine(0, 0x0100, {3}) + IntelEnd();
    DecodedImage image;
    ASSERT_EQ(DecodeRecordImage(text, ImageFormat::IntelHex, 32768, image), "");
    ASSERT_EQ(image.bytes.size(), 0x202u);
    EXPECT_EQ(image.bytes[0], 1);
    EXPECT_EQ(image.bytes[1], 2);
    EXPECT_EQ(image.bytes[2], 0xFF);
    EXPECT_EQ(image.bytes[0x100], 3);
    EXPECT_EQ(image.bytes[0x201], 0xBB);
    EXPECT_EQ(RangesText(image.ranges), "0-1, 100-100, 200-201");
}

TEST(ImageFormats, RoundTripsKeepEveryByteAtEverySize) {
    // 64 KB fits 16-bit addresses; 1 MB needs I32HEX, S28 (and S37 past 16 MB).
    for (std::size_t size : {std::size_t{300}, std::size_t{65536}, std::size_t{1048576}}) {
        const auto bytes = sim::RandomContents(size, static_cast<unsigned>(size));
        for (ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord}) {
            std::string file;
            ASSERT_EQ(EncodeImage(bytes, format, file), "");
            DecodedImage back;
            ASSERT_EQ(DecodeRecordImage(file, format, 2100001, back), "") << size;
            EXPECT_EQ(back.bytes, bytes) << FormatTitle(format) << " " << size;
            EXPECT_EQ(
                RangesText(back.ranges), "0-" + [&] {
                    char t[16];
                    std::snprintf(t, sizeof t, "%zX", size - 1);
                    return std::string(t);
                }());
        }
    }
    std::string file;
    ASSERT_EQ(EncodeImage(std::vector<std::uint8_t>(0x20000, 0x5A), ImageFormat::SRecord, file),
              "");
    EXPECT_THAT(file, HasSubstr("\nS2")); // 24-bit addresses past 64 KB
    ASSERT_EQ(EncodeImage(std::vector<std::uint8_t>(0x20000, 0x5A), ImageFormat::IntelHex, file),
              "");
    EXPECT_THAT(file, HasSubstr(":020000040001F9")); // extended linear address record
}

struct BadRecord {
    const char* what;
    RecordFormat format;
    std::string text;
    const char* reason;
};

TEST(ImageFormats, EveryBadRecordIsNamedWithItsLine) {
    const std::string good = IntelLine(0, 0, {1, 2, 3, 4});
    std::string badSum = IntelLine(0, 0x10, {1, 2, 3, 4});
    badSum[badSum.size() - 3] = badSum[badSum.size() - 3] == '0' ? '1' : '0';
    std::string shortLine = IntelLine(0, 0x10, {1, 2, 3, 4});
    shortLine.erase(3, 2); // two characters fewer than its count says
    std::string nonHex = IntelLine(0, 0x10, {1, 2, 3, 4});
    nonHex[9] = 'G';
    const std::string sGood = SLine('1', 2, 0, {1, 2});
    std::string sBadSum = SLine('1', 2, 0x10, {1, 2});
    sBadSum[sBadSum.size() - 2] = sBadSum[sBadSum.size() - 2] == '0' ? '1' : '0';
    std::string sNonHex = SLine('1', 2, 0x10, {1, 2});
    sNonHex[6] = 'x';
    std::string sLong = SLine('1', 2, 0x10, {1, 2});
    sLong[3] = 'F'; // count 0x5F: far more bytes than the line holds

    const std::vector<BadRecord> cases = {
        {"intel checksum", RecordFormat::IntelHex, good + badSum + IntelEnd(), "checksum"},
        {"intel length", RecordFormat::IntelHex, good + shortLine + IntelEnd(), ""},
        {"intel type", RecordFormat::IntelHex, good + IntelLine(7, 0, {1}) + IntelEnd(),
         "record type"},
        {"intel non-hex", RecordFormat::IntelHex, good + nonHex + IntelEnd(), "hexadecimal"},
        {"srec checksum", RecordFormat::SRecord, sGood + sBadSum, "checksum"},
        {"srec length", RecordFormat::SRecord, sGood + sLong, ""},
        {"srec type", RecordFormat::SRecord, sGood + SLine('4', 2, 0, {1}), "record type"},
        {"srec non-hex", RecordFormat::SRecord, sGood + sNonHex, "hexadecimal"},
    };
    for (const auto& c : cases) {
        std::string error;
        ParsedBytes(c.text, c.format, error);
        EXPECT_THAT(error, StartsWith("line 2: ")) << c.what;
        EXPECT_THAT(error, HasSubstr(c.reason)) << c.what;
    }
}

TEST(ImageFormats, ImagePastTheLimitNamesItsHighestAddress) {
    const std::string text = IntelLine(0, 0x0000, {1}) + IntelLine(0, 0x8000, {1, 2, 3, 4}) +
                             IntelLine(0, 0x7FFF, {5}) + IntelEnd();
    DecodedImage image;
    EXPECT_EQ(DecodeRecordImage(text, ImageFormat::IntelHex, 32768, image),
              "its highest address is 8003h, past the 32768 bytes (up to 7FFFh) it may fill");
    EXPECT_TRUE(image.bytes.empty());
}

TEST(ImageFormats, TwoRecordsDisagreeingOnAByteAreRefused) {
    const std::string text = IntelLine(0, 0x10, {1, 2}) + IntelLine(0, 0x11, {2, 3}) +
                             IntelLine(0, 0x11, {9}) + IntelEnd();
    DecodedImage image;
    EXPECT_EQ(DecodeRecordImage(text, ImageFormat::IntelHex, 32768, image),
              "line 3: address 11h was given another value before");
    EXPECT_THAT(DecodeRecordImage(IntelEnd(), ImageFormat::IntelHex, 32768, image),
                HasSubstr("no data"));
}

} // namespace
} // namespace quorbit::test
