// Loading, saving and erasing the code and data buffers.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "Fakes.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"
#include "catalog/DeviceSelection.h"
#include "hw/SafeFile.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;

struct Files : ::testing::Test {
    Rig rig;
    App& app = *rig.app;
    Files() {
        app.RunGuarded(Form_Load);
        rig.ClearLog();
    }
    fs::path Make(const std::string& name, const std::string& bytes) {
        const auto path = rig.dir / name;
        WriteBytes(path, bytes);
        return path;
    }
    void Open(const fs::path& path) {
        rig.dialogs.fileAnswers.push_back(path.string());
        Fire(app.ui.mnuFileOpenCode.onClick);
    }
};

TEST_F(Files, ThreeByteFileGivesChecksum0126AndItsLengthAsDeviceSize) {
    const auto path = Make("abc.bin", "abc");
    Open(path);
    EXPECT_EQ(rig.dialogs.fileTitles, std::vector<std::string>{"Open Code File"});
    EXPECT_EQ(app.buf.FileChecksumText, "0126");
    EXPECT_EQ(app.dev.DeviceSize, 3);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'a');
    EXPECT_EQ(app.buf.CodeBuffer[2], 'c');
    EXPECT_EQ(app.buf.CodeBuffer[3], 0xFF); // never the start value or an earlier image
    EXPECT_EQ(app.buf.CodeBufferLoaded, 1);
    EXPECT_EQ(app.ui.pageScrollBar.max, 0); // one page, not -1
    const std::string name = path.string();
    EXPECT_EQ(
        rig.LogLines(),
        (std::vector<std::string>{
            "File " + name + " - was read into Buffer. 3 bytes long.",
            "Raw binary image covers 0-2; the rest of the buffer is FFh", "Read File CRC = $0126",
            // The published CRC32 and SHA-1 of "abc".
            "Image CRC32 = 352441c2 SHA-1 = a9993e364706816aba3e25717850c26c9cd0d89d over "
            "0-2 (3 bytes)",
            "You can Install a Blank Eprom for Programming"}));
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(app.ui.FileNameCodeText.caption, upper);
    EXPECT_EQ(app.ui.FileNameCodeSize.caption, "(3)");
    // No device chosen: saving and erasing yes, programming and verifying no.
    EXPECT_TRUE(app.ui.mnuFileSaveCode.enabled && app.ui.tbToolBar[1].enabled &&
                app.ui.eraseBufferButton.enabled && app.ui.menuEraseCode.enabled);
    EXPECT_FALSE(app.ui.programButton.enabled || app.ui.verifyButton.enabled);
    EXPECT_EQ(app.ui.codeCheck.value, 1);
    EXPECT_EQ(app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
}

TEST_F(Files, PageOfFFSumsToFF00AndWrapsAtSixteenBits) {
    Open(Make("ff.bin", std::string(256, '\xFF')));
    EXPECT_EQ(app.buf.FileChecksumText, "FF00");
    Open(Make("big.bin", std::string(1024, '\xFF')));
    EXPECT_EQ(app.buf.FileChecksumText, "FC00"); // 1024 x FFh = 3FC00h
    EXPECT_EQ(app.ui.pageScrollBar.max, 3);
}

TEST_F(Files, LoadingKeepsImageLengthOfTheChosenDevice) {
    SelectDevice(app, 11);
    Open(Make("abc.bin", "abc"));
    EXPECT_EQ(app.dev.DeviceSize, 3);
    EXPECT_EQ(app.dev.ImageLength, 32768);
    EXPECT_TRUE(app.ui.programButton.enabled && app.ui.verifyButton.enabled);
    // Choosing a device with a file loaded enables Program, Verify, Erase at once.
    SelectDevice(app, 13);
    EXPECT_EQ(app.dev.DeviceSize, 65536);
    EXPECT_TRUE(app.ui.programButton.enabled && app.ui.verifyButton.enabled &&
                app.ui.eraseBufferButton.enabled);
}

TEST_F(Files, SaveRoundTripsExactlyDeviceSizeBytes) {
    std::string image(300, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7);
    const auto source = Make("image.bin", image);
    Open(source);
    const auto copy = rig.dir / "copy.bin";
    rig.dialogs.fileAnswers.push_back(copy.string());
    Fire(app.ui.mnuFileSaveCodeAs.onClick);
    EXPECT_EQ(ReadBytes(copy), image);
    EXPECT_EQ(app.buf.CodeFileName, copy.string());
    EXPECT_EQ(app.ui.FileNameCodeText.caption, copy.string());
    EXPECT_EQ(rig.LogLines().back(), "File Sucessfully Saved as " + copy.string());
    EXPECT_EQ(rig.dialogs.fileTitles.size(), 2u);
    EXPECT_EQ(rig.dialogs.fileTitles[1], "Save CODE BUFFER As...");
    // An erased buffer is not copy.bin's content: Save asks for a name as Save As
    // does, and a name that exists is replaced only on Yes (No is the default).
    Fire(app.ui.eraseBufferButton.onClick);
    EXPECT_EQ(rig.LogLines().back(), "Buffer has been Erased");
    EXPECT_EQ(app.ui.FileNameCodeText.caption, "buffer erased to FFh, not saved");
    EXPECT_FALSE(app.ui.programButton.enabled);
    rig.dialogs.fileAnswers.push_back(copy.string());
    rig.dialogs.answers.push_back(MsgResult::No);
    Fire(app.ui.mnuFileSaveCode.onClick);
    EXPECT_EQ(ReadBytes(copy), image);
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].text,
              copy.string() + " already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(rig.dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(rig.dialogs.boxes[0].defaultButton, 1);
    rig.dialogs.fileAnswers.push_back(copy.string());
    rig.dialogs.answers.push_back(MsgResult::Yes);
    Fire(app.ui.mnuFileSaveCode.onClick);
    EXPECT_EQ(ReadBytes(copy), std::string(300, '\xFF'));
    EXPECT_EQ(rig.dialogs.fileTitles,
              (std::vector<std::string>{"Open Code File", "Save CODE BUFFER As...",
                                        "Save CODE BUFFER As...", "Save CODE BUFFER As..."}));
    // Saved: the buffer is copy.bin's content again, and Save writes there unasked.
    EXPECT_EQ(app.ui.FileNameCodeText.caption, copy.string());
    Fire(app.ui.mnuFileSaveCode.onClick);
    EXPECT_EQ(rig.dialogs.fileTitles.size(), 4u);
}

TEST_F(Files, CancelledDialogsDoNothing) {
    Fire(app.ui.mnuFileOpenCode.onClick);
    Fire(app.ui.mnuFileSaveCode.onClick); // no name yet: asks
    EXPECT_EQ(rig.dialogs.fileTitles,
              (std::vector<std::string>{"Open Code File", "Save CODE BUFFER ..."}));
    EXPECT_TRUE(rig.LogLines().empty());
    EXPECT_TRUE(app.buf.CodeFileName.empty());
}

TEST_F(Files, TooLargeCodeFileIsRefusedAndNothingChanges) {
    Open(Make("good.bin", "xyz"));
    const std::string goodName = app.buf.CodeFileName;
    rig.ClearLog();
    const auto big = Make("huge.bin", std::string(kCodeBufferSize + 1, 'A'));
    Open(big);
    EXPECT_EQ(app.buf.CodeFileName, goodName);
    EXPECT_EQ(app.dev.DeviceSize, 3);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'x');
    EXPECT_EQ(app.buf.FileChecksumText, Hex4('x' + 'y' + 'z'));
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].text,
              "Can't Open Code File " + big.string() + ": Bigger than 2100001 Bytes");
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"Code File " + big.string() +
                                                       " Size is 2100002 bytes, bigger than the "
                                                       "2100001 allowed - Will Not Open"});
    EXPECT_EQ(app.ui.FileNameCodeSize.caption, "(3)");
    EXPECT_NE(app.ui.BufferDisplay.caption.find("000000| 78797A"), std::string::npos);
}

TEST_F(Files, CodeFileOfExactlyTheBufferSizeLoads) {
    Open(Make("full.bin", std::string(kCodeBufferSize, '\x01')));
    EXPECT_EQ(app.dev.DeviceSize, static_cast<std::int32_t>(kCodeBufferSize));
    EXPECT_EQ(app.buf.CodeBuffer.back(), 1);
}

TEST_F(Files, UnreadableFileIsReportedAndTheBufferStays) {
    Open(Make("good.bin", "xyz"));
    rig.ClearLog();
    const auto missing = rig.dir / "missing.bin";
    Open(missing);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'x');
    EXPECT_EQ(app.dev.DeviceSize, 3);
    EXPECT_NE(app.buf.CodeFileName, missing.string());
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_NE(rig.dialogs.boxes[0].text.find(missing.string()), std::string::npos);
    ASSERT_EQ(rig.LogLines().size(), 1u);
    EXPECT_NE(rig.LogLines()[0].find(missing.string()), std::string::npos);
    // A folder is not a file either.
    Open(rig.dir.path());
    EXPECT_EQ(rig.dialogs.boxes.size(), 2u);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'x');
}

TEST_F(Files, FailedSaveKeepsTheOldFileAndTheOldName) {
    const auto target = rig.dir / "old.bin";
    WriteBytes(target, "old contents");
    Open(Make("new.bin", "new"));
    const std::string loadedName = app.buf.CodeFileName;
    rig.dialogs.fileAnswers.push_back(target.string());
    rig.dialogs.answers.push_back(MsgResult::Yes); // replace it
    {
        const InjectedWriteFailure diskFull(ENOSPC, 1); // the disk fills after one byte
        Fire(app.ui.mnuFileSaveCodeAs.onClick);
    }
    EXPECT_EQ(ReadBytes(target), "old contents");
    EXPECT_EQ(app.buf.CodeFileName, loadedName);
    ASSERT_EQ(rig.dialogs.boxes.size(), 2u);
    EXPECT_EQ(rig.dialogs.boxes[0].title, "Confirm Save As");
    EXPECT_NE(rig.dialogs.boxes[1].text.find(target.string()), std::string::npos);
    EXPECT_NE(rig.LogLines().back().find(target.string()), std::string::npos);
    EXPECT_EQ(app.ui.sbStatusBar[0].caption, "");
}

TEST_F(Files, SaveIntoAMissingFolderIsReported) {
    Open(Make("new.bin", "new"));
    rig.dialogs.fileAnswers.push_back((rig.dir / "no-such-folder" / "x.bin").string());
    Fire(app.ui.mnuFileSaveCodeAs.onClick);
    EXPECT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_FALSE(fs::exists(rig.dir / "no-such-folder"));
}

TEST_F(Files, DataFileLimitIs8192Bytes) {
    const auto ok = Make("ok.bin", std::string(8192, '\x5A'));
    rig.dialogs.fileAnswers.push_back(ok.string());
    Fire(app.ui.mnuFileOpenData.onClick);
    EXPECT_EQ(app.buf.DataFileSize, 8192);
    EXPECT_EQ(app.buf.DataBuffer[8191], 0x5A);
    EXPECT_EQ(app.buf.DataBufferLoaded, 1);
    EXPECT_EQ(rig.LogLines().front(),
              "File " + ok.string() + " - was read into DataBuffer. 8192 bytes long.");
    EXPECT_TRUE(app.ui.mnuFileSaveData.enabled && app.ui.tbToolBar[4].enabled);

    rig.ClearLog();
    const auto big = Make("big.bin", std::string(8193, '\x11'));
    rig.dialogs.fileAnswers.push_back(big.string());
    Fire(app.ui.mnuFileOpenData.onClick);
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"Data File Size is 8193 bytes, bigger "
                                                       "than the 8192 allowed - Will Not Open"});
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].title, "Data File to Big");
    EXPECT_EQ(rig.dialogs.boxes[0].icon, MsgIcon::Exclamation);
    // Nothing flows after the refusal: the lamp goes out.
    EXPECT_EQ(app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
    // The refused file's name and size are not taken over: a later save still
    // writes the good data to the good file.
    EXPECT_EQ(app.buf.DataFileName, ok.string());
    EXPECT_EQ(app.buf.DataFileSize, 8192);
    EXPECT_EQ(app.buf.DataBuffer[0], 0x5A);
    Fire(app.ui.mnuFileSaveData.onClick);
    EXPECT_EQ(ReadBytes(ok), std::string(8192, '\x5A'));
    EXPECT_EQ(ReadBytes(big), std::string(8193, '\x11'));
}

TEST_F(Files, EraseFillsFFAndLeavesDeviceSize) {
    Open(Make("abc.bin", "abc"));
    app.buf.CodeBuffer[kCodeBufferSize - 1] = 0x42;
    Fire(app.ui.menuEraseCode.onClick);
    EXPECT_EQ(app.buf.CodeBuffer[0], 0xFF);
    EXPECT_EQ(app.buf.CodeBuffer[kCodeBufferSize - 1], 0xFF);
    EXPECT_EQ(app.dev.DeviceSize, 3);
    EXPECT_EQ(app.DisplayMode, "Read");
    // The data buffer is erased only when its box is ticked.
    app.buf.DataBuffer[0] = 1;
    SetCheck(app.ui.codeCheck, 0);
    SetCheck(app.ui.dataCheck, 1);
    Fire(app.ui.eraseBufferButton.onClick);
    EXPECT_EQ(app.buf.DataBuffer[0], 0xFF);
    EXPECT_EQ(app.buf.DataBuffer[8192], 0xFF);
}

TEST_F(Files, LabelAndToolBarOpenAFile) {
    const auto path = Make("abc.bin", "abc");
    rig.dialogs.fileAnswers.push_back(path.string());
    Fire(app.ui.FileNameCodeText.onClick);
    EXPECT_EQ(app.buf.CodeFileName, path.string());
    Fire(app.ui.FileNameCodeText.onClick); // the label now shows a name: nothing
    EXPECT_EQ(rig.dialogs.fileTitles.size(), 1u);
    const auto other = Make("other.bin", "q");
    rig.dialogs.fileAnswers.push_back(other.string());
    Fire(app.ui.tbToolBar[0].onClick);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'q');
    Fire(app.ui.tbToolBar[1].onClick); // SaveCode
    EXPECT_EQ(ReadBytes(other), "q");
}

} // namespace
} // namespace quorbit::test
