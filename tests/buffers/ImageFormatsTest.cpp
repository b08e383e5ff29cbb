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

/// A whole record file of the format: data lines and the end record, one per line.
std::vector<std::string> WholeFile(ImageFormat format) {
    if (format == ImageFormat::IntelHex)
        return {IntelLine(0, 0x0000, {1, 2}), IntelLine(0, 0x0010, {3}),
                IntelLine(0, 0x0020, {4, 5}), IntelEnd()};
    return {SLine('0', 2, 0, {0x48}), SLine('1', 2, 0x0000, {1, 2}), SLine('1', 2, 0x0010, {3}),
            SLine('1', 2, 0x0020, {4, 5}), SEnd()};
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

TEST(ImageFormats, EveryLineOfARecordFileIsARecordAndTheFileHasItsEnd) {
    for (const ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord}) {
        SCOPED_TRACE(FormatTitle(format));
        const std::vector<std::string> whole = WholeFile(format);
        DecodedImage image;
        ASSERT_EQ(DecodeRecordImage(Joined(whole), format, 32768, image), "");
        // Empty lines between records are harmless.
        std::vector<std::string> spaced = whole;
        spaced.insert(spaced.begin() + 1, "\r\n");
        EXPECT_EQ(DecodeRecordImage(Joined(spaced), format, 32768, image), "");
        // Any line that is not a record, anywhere, is named and nothing is loaded.
        const std::string record = whole[1].substr(0, whole[1].find_first_of("\r\n"));
        for (const std::string& stray :
             {std::string("# built by make\n"), " " + record + "\n", "\t" + record + "\n",
              std::string("junk\n"), std::string("s1050000FFFB\n"), std::string("\x01\x02\n")}) {
            for (std::size_t at = 0; at <= whole.size(); ++at) {
                SCOPED_TRACE("'" + stray + "' before line " + std::to_string(at + 1));
                std::vector<std::string> lines = whole;
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), stray);
                DecodedImage refused;
                const std::string error = DecodeRecordImage(Joined(lines), format, 32768, refused);
                EXPECT_THAT(error, StartsWith("line " + std::to_string(at + 1) + ": not a record"));
                EXPECT_TRUE(refused.bytes.empty());
            }
        }
        // Cut before its end record, wherever: refused as cut short.
        for (std::size_t keep = 1; keep < whole.size(); ++keep) {
            SCOPED_TRACE("first " + std::to_string(keep) + " lines");
            const std::vector<std::string> cut(whole.begin(),
                                               whole.begin() + static_cast<std::ptrdiff_t>(keep));
            EXPECT_THAT(DecodeRecordImage(Joined(cut), format, 32768, image),
                        HasSubstr("no end record"));
        }
        // Data after the end record would be dropped: refused too.
        std::vector<std::string> late = whole;
        late.push_back(whole[1]);
        EXPECT_EQ(DecodeRecordImage(Joined(late), format, 32768, image),
                  "line " + std::to_string(late.size()) +
                      ": a record after the end record of line " + std::to_string(whole.size()));
    }
}

TEST(ImageFormats, ARecordFileWithoutAnyRecordIsNotOfThatFormat) {
    const auto random = sim::RandomContents(4096, 3);
    for (const std::string& text :
         {std::string(random.begin(), random.end()), std::string(), std::string("\n\n")}) {
        DecodedImage image;
        EXPECT_EQ(DecodeRecordImage(text, ImageFormat::IntelHex, 32768, image),
                  "not an Intel HEX file: no line of it is a record");
        EXPECT_EQ(DecodeRecordImage(text, ImageFormat::SRecord, 32768, image),
                  "not an S-record file: no line of it is a record");
    }
}

TEST(ImageFormats, WrittenSRecordFilesEndWithTheirEndRecord) {
    for (const std::size_t size : {std::size_t{300}, std::size_t{70000}, std::size_t{17000000}}) {
        std::string file;
        ASSERT_EQ(EncodeImage(std::vector<std::uint8_t>(size, 0x5A), ImageFormat::SRecord, file),
                  "");
        const std::string last = file.substr(file.rfind('S'));
        EXPECT_THAT(last, StartsWith(size <= 0x10000 ? "S9" : size <= 0x1000000 ? "S8" : "S7"));
    }
    // Files written before the end record was added end with their record count.
    const std::string counted = SLine('1', 2, 0, {1, 2}) + SLine('5', 2, 1, {});
    DecodedImage image;
    EXPECT_EQ(DecodeRecordImage(counted, ImageFormat::SRecord, 32768, image), "");
}

} // namespace
} // namespace quorbit::test
