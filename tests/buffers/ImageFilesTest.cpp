// Opening and saving the code buffer as Intel HEX and S-record files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Fakes.h"
#include "RecordText.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"
#include "buffers/Checksums.h"
#include "buffers/ImageFormats.h"
#include "catalog/DeviceSelection.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

constexpr int k27C256 = 11; // catalog row: 32 KB

struct ImageFiles : ::testing::Test {
    Rig rig;
    App& app = *rig.app;
    ImageFiles() {
        app.RunGuarded(Form_Load);
        rig.ClearLog();
    }
    std::string Make(const std::string& name, const std::string& bytes) {
        const auto path = rig.dir / name;
        WriteBytes(path, bytes);
        return path.string();
    }
    void Open(const std::string& path) {
        rig.dialogs.fileAnswers.push_back(path);
        Fire(app.ui.mnuFileOpenCode.onClick);
    }
};

TEST_F(ImageFiles, PartialHexImageFillsTheChipWithFFAndSaysWhatItCovers) {
    SelectDevice(app, k27C256);
    rig.ClearLog();
    const std::string path = Make("part.hex", IntelLine(0, 0x0100, {0x11, 0x22}) +
                                                  IntelLine(0, 0x0010, {0x33}) + IntelEnd());
    Open(path);
    EXPECT_EQ(app.dev.DeviceSize, 32768);
    EXPECT_EQ(app.buf.CodeBuffer[0x0F], 0xFF);
    EXPECT_EQ(app.buf.CodeBuffer[0x10], 0x33);
    EXPECT_EQ(app.buf.CodeBuffer[0x101], 0x22);
    EXPECT_EQ(app.buf.CodeBuffer[0x7FFF], 0xFF);
    // The checksum is that of the 32768 bytes now in the buffer.
    const long sum = 0xFFL * (32768 - 3) + 0x11 + 0x22 + 0x33;
    EXPECT_EQ(app.buf.FileChecksumText, Hex4(sum));
    EXPECT_EQ(rig.LogLines(),
              (std::vector<std::string>{
                  "File " + path + " - was read into Buffer. 32768 bytes long.",
                  "Intel HEX records cover 10-10, 100-101; the rest of the buffer is FFh",
                  "Read File CRC = $" + Hex4(sum),
                  // CRC32 and SHA-1 over the records' bytes in address order, not the FFh between.
                  "Image " + DigestLogText(DigestOf(std::vector<std::uint8_t>{0x33, 0x11, 0x22}),
                                           Coverage::OfRanges({{0x10, 0x10}, {0x100, 0x101}})),
                  "You can Install a Blank Eprom for Programming"}));
    EXPECT_EQ(app.ui.FileNameCodeSize.caption, "(32768)");
    EXPECT_TRUE(app.ui.programButton.enabled);
}

TEST_F(ImageFiles, BadRecordLoadsNothingAndNamesFileLineAndReason) {
    Open(Make("good.bin", "xyz"));
    const std::string goodName = app.buf.CodeFileName;
    const std::string label = app.ui.FileNameCodeText.caption;
    rig.ClearLog();
    std::string bad = IntelLine(0, 0, {1, 2, 3}) + IntelLine(0, 3, {4, 5});
    bad[bad.size() - 3] = bad[bad.size() - 3] == 'A' ? 'B' : 'A'; // checksum of line 2
    const std::string path = Make("bad.hex", bad + IntelEnd());
    Open(path);
    EXPECT_EQ(app.buf.CodeFileName, goodName);
    EXPECT_EQ(app.ui.FileNameCodeText.caption, label);
    EXPECT_EQ(app.ui.FileNameCodeSize.caption, "(3)");
    EXPECT_EQ(app.dev.DeviceSize, 3);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'x'); // not even the good first line went in
    EXPECT_EQ(app.buf.FileChecksumText, Hex4('x' + 'y' + 'z'));
    ASSERT_EQ(rig.LogLines().size(), 1u);
    EXPECT_THAT(rig.LogLines()[0], HasSubstr("The Intel HEX file " + path +
                                             " was not loaded: "
                                             "line 2: checksum FAh, but the record's "
                                             "bytes give F2h"));
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_THAT(rig.dialogs.boxes[0].text, HasSubstr("line 2"));
}

TEST_F(ImageFiles, ImageBeyondTheChipIsRefusedWithItsHighestAddress) {
    SelectDevice(app, k27C256);
    rig.ClearLog();
    const std::string path =
        Make("big.s19", SLine('1', 2, 0x7FF0, {1}) + SLine('1', 2, 0x8000, {2, 3}) + SEnd());
    Open(path);
    EXPECT_EQ(app.buf.CodeBufferLoaded, 0);
    EXPECT_THAT(rig.LogLines(), Contains(HasSubstr("its highest address is 8001h")));
}

TEST_F(ImageFiles, SaveAsFollowsTheExtensionAndReadsBackTheSame) {
    SelectDevice(app, k27C256);
    for (std::size_t i = 0; i < 32768; ++i)
        app.buf.CodeBuffer[i] = static_cast<std::uint8_t>(i * 13 + 1);
    const std::vector<std::uint8_t> image(app.buf.CodeBuffer.begin(),
                                          app.buf.CodeBuffer.begin() + 32768);
    for (const char* name : {"copy.hex", "copy.s19", "copy.bin"}) {
        const std::string path = (rig.dir / name).string();
        rig.dialogs.fileAnswers.push_back(path);
        Fire(app.ui.mnuFileSaveCodeAs.onClick);
        const std::string file = ReadBytes(path);
        EXPECT_EQ(file[0], std::string(name) == "copy.hex"   ? ':'
                           : std::string(name) == "copy.s19" ? 'S'
                                                             : '\x01');
        std::fill(app.buf.CodeBuffer.begin(), app.buf.CodeBuffer.end(), 0);
        Open(path);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), app.buf.CodeBuffer.begin())) << name;
    }
}

TEST_F(ImageFiles, ContentTellsAHexFileWithoutExtension) {
    const std::string path = Make("firmware", IntelLine(0, 0, {0xC3, 0x00, 0x01}) + IntelEnd());
    Open(path);
    EXPECT_EQ(app.dev.DeviceSize, 3); // no chip chosen: up to the highest address
    EXPECT_EQ(app.buf.CodeBuffer[0], 0xC3);
    EXPECT_EQ(app.buf.FileChecksumText, Hex4(0xC3 + 0x01));
}

} // namespace
} // namespace quorbit::test
