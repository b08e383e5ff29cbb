// Verify: match with checksums, the first mismatch with its exact report and the
// count of all, Hi/Low byte images, and the whole chip even when a shorter file is loaded.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "SerialRig.h"
#include "app/TextFile.h"
#include "buffers/ProgramImage.h"
#include "ops/Verify.h"

namespace quorbit::test {
namespace {

using Lines = std::vector<std::string>;
const std::string kStart = "Verify Function Started... Wait";
const std::string kMatch = "Device Contents MATCHES with Buffer Contents";

TEST(Verify, EqualChipLogsMatchAndChecksumAndColourReturns) {
    ChipRig r;
    sim::ParallelChip& chip = r.InsertPattern(11);
    r.LoadCode(chip.Memory());
    bool highlighted = false;
    r.progress.onRepaint = [&] {
        highlighted |= r.app.ui.verifyButton.backColor == colour::Highlight3D;
    };
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{kStart, kMatch, "Device CHKSUMM = $" + ChecksumText(chip.Memory()),
                     DeviceSumsLine(chip.Memory())}));
    EXPECT_TRUE(highlighted);
    EXPECT_EQ(r.app.ui.verifyButton.backColor, colour::ButtonFace);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("ok.wav")});
    EXPECT_EQ(r.progress.maxSeen, 128);
}

TEST(Verify, FirstDifferenceIsReportedWithBothBytesThenAllAreCounted) {
    ChipRig r;
    std::vector<std::uint8_t> image = sim::AddressPatternContents(32768);
    image[0x1F3] = 0x5A;
    std::vector<std::uint8_t> chip = image;
    chip[0x1F3] = 0x5B;
    chip[0x7000] ^= 0xFF; // a later difference is counted, not reported on its own
    chip[0x7001] ^= 0xFF;
    r.Insert(11, chip);
    r.LoadCode(image);
    r.Press(r.app.ui.verifyButton);
    // The count is in the log before the box is up, and in the box under its text.
    EXPECT_EQ(r.rig.LogLines(), (Lines{kStart, std::string(50, '*'),
                                       "Device Memory DOES NOT VERIFY with Buffer Contents",
                                       "Address: 1F3 ][ Buffer Data: 5A ][ Device Data: 5B",
                                       "3 bytes differ in 2 ranges: 1F3, 7000-7001",
                                       "Error Alert was Turned Off", DeviceSumsLine(chip)}));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Program or Compare Error");
    EXPECT_EQ(r.rig.dialogs.boxes[0].informative,
              "First difference at 1F3h: buffer 5Ah, device 5Bh.\r\n"
              "3 bytes differ in 2 ranges: 1F3, 7000-7001.");
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("error.wav")});
    EXPECT_EQ(r.app.ui.verifyButton.backColor, colour::ButtonFace);
    EXPECT_TRUE(r.app.ui.verifyButton.enabled); // restored by the alert
}

TEST(Verify, LinkFailureMidWalkLeavesTheChipIdleAndTheButtonPlain) {
    ChipRig r;
    sim::ParallelChip& chip = r.InsertPattern(11);
    r.LoadCode(chip.Memory());
    bool thrown = false;
    r.progress.onRepaint = [&] {
        if (thrown || r.app.ui.progressBar.value != 3) return;
        thrown = true;
        throw PortError("link lost");
    };
    r.Press(r.app.ui.verifyButton);
    ASSERT_TRUE(thrown);
    EXPECT_TRUE(r.app.handlerFailed);
    EXPECT_EQ(r.app.ui.verifyButton.backColor, colour::ButtonFace);
    EXPECT_EQ(r.app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
    EXPECT_EQ(r.app.ui.progressBar.value, 0);
    // CE and OE were active for the walk: the board is reset to release them.
    EXPECT_EQ(r.app.board.Reg3Shadow & 0x80, 0x80);
    EXPECT_EQ(r.app.board.Reg0Shadow, 0x40);
    EXPECT_NE(r.app.ops.Outcome, OpOutcome::Success);
}

TEST(Verify, FailedVerifyFollowedByAGoodOneIsAMatch) {
    ChipRig r;
    sim::ParallelChip& chip = r.Insert(2, sim::FilledContents(4096, 0x42));
    r.LoadCode(std::vector<std::uint8_t>(4096, 0x42));
    chip.Memory()[10] = 0x43;
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    chip.Memory()[10] = 0x42;
    r.rig.ClearLog();
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.rig.LogLines()[1], kMatch);
}

TEST(Verify, DefectiveCellIsFound) {
    ChipRig r;
    sim::ParallelChip& chip = r.Insert(21, sim::FilledContents(1 << 20, 0xFF));
    chip.StickBit(0xABCDE, 0, false);
    r.LoadCode(std::vector<std::uint8_t>(1 << 20, 0xFF));
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(r.rig.LogLines()[3], "Address: ABCDE ][ Buffer Data: FF ][ Device Data: FE");
}

struct HalfImages : ::testing::Test {
    ChipRig r;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(32768);
    HalfImages() {
        for (std::size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = static_cast<std::uint8_t>(0x11 * ((i % 15) + 1)); // 11 22 33 ...
    }
    /// A chip whose first half holds the chosen bytes and whose upper half holds
    /// something else entirely.
    std::vector<std::uint8_t> ChipOf(std::size_t first) {
        std::vector<std::uint8_t> chip = sim::RandomContents(32768, 9);
        for (std::size_t i = 0; i < 16384; ++i)
            chip[i] = buffer[2 * i + first];
        return chip;
    }
};

TEST_F(HalfImages, HiByteComparesTheOddBytesInTheFirstHalfOnly) {
    r.Insert(11, ChipOf(1));
    r.LoadCode(buffer);
    SetOption(r.app.ui.HiLowGroup(), 1, true);
    r.rig.ClearLog();
    r.Press(r.app.ui.verifyButton);
    const Lines lines = r.rig.LogLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "Compared where the image holds bytes: 0-3FFF (16384 of 32768 bytes)");
    EXPECT_EQ(lines[2], kMatch);
    // The sums are of the chip's first half, as compared: the image's odd bytes.
    std::vector<std::uint8_t> odd;
    for (std::size_t i = 1; i < 32768; i += 2)
        odd.push_back(buffer[i]);
    EXPECT_EQ(lines[4], DeviceSumsLine(odd));
    EXPECT_EQ(r.app.ops.ProgramLength, 16384);
    EXPECT_EQ(r.app.ops.ProgramImage[0], 0x22);
    EXPECT_EQ(r.app.ops.ProgramImage[1], 0x44);
    EXPECT_EQ(r.progress.maxSeen, 64);
}

TEST_F(HalfImages, WrongHalfIsAMismatchAtTheImageIndex) {
    auto chip = ChipOf(1);
    chip[0x2000] ^= 0x01;
    r.Insert(11, chip);
    r.LoadCode(buffer);
    SetOption(r.app.ui.HiLowGroup(), 1, true);
    r.rig.ClearLog();
    r.Press(r.app.ui.verifyButton);
    const auto expected = buffer[2 * 0x2000 + 1];
    EXPECT_EQ(r.rig.LogLines()[3], "Address: 2000 ][ Buffer Data: " + Hex(expected) +
                                       " ][ Device Data: " + Hex(expected ^ 0x01));
}

TEST(ProgramImage, LengthAndCoverageFollowTheImageNotAnEarlierOne) {
    ChipRig r;
    r.Insert(2, {});
    r.LoadCode(std::vector<std::uint8_t>(4096, 0x00));
    r.LoadCode({1, 2, 3, 4, 5, 6});
    PrepareProgramImage(r.app);
    EXPECT_EQ(r.app.ops.ProgramLength, 6);
    EXPECT_EQ(r.app.ops.ProgramImage[6], 0xFF);
    EXPECT_FALSE(r.app.ops.ProgramCoverage.Holds(6));
    SetOption(r.app.ui.HiLowGroup(), 2, true);
    PrepareProgramImage(r.app);
    EXPECT_EQ(r.app.ops.ProgramLength, 3);
    EXPECT_EQ((std::vector<int>{r.app.ops.ProgramImage[0], r.app.ops.ProgramImage[1],
                                r.app.ops.ProgramImage[2], r.app.ops.ProgramImage[3]}),
              (std::vector<int>{1, 3, 5, 0xFF}));
}

struct SerialVerify : ::testing::Test {
    SerialRig r;
    void Load() {
        r.LoadCode(std::vector<std::uint8_t>(4096, 0x00));
        r.rig.dialogs.boxes.clear();
    }
};

TEST_F(SerialVerify, MatchWithoutASixteenBitChecksumLine) {
    r.Insert(kRow24C32, sim::FilledContents(4096, 0x00));
    Load();
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{kStart, kMatch, DeviceSumsLine(sim::FilledContents(4096, 0x00))}));
    // Serial bus lines parked afterwards.
    EXPECT_TRUE(r.rig.sim->Regs().CeActive());
    EXPECT_TRUE(r.rig.sim->Regs().OeActive());
}

TEST_F(SerialVerify, NoAcknowledgeGivesTheAckReportAndNoMatchLine) {
    r.InsertNothing(kRow24C32);
    Load();
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{kStart, std::string(50, '*'), "Device 24CXX DOES NOT RESPOND - ACK Error",
                     "Check Chip Installation Position on Socket", "Error Alert was Turned Off"}));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_EQ(r.app.ui.verifyButton.backColor, colour::ButtonFace);
}

TEST_F(SerialVerify, AnEarlierSerialFailureDoesNotSpoilAParallelVerify) {
    r.InsertNothing(kRow24C32);
    r.Press(r.app.ui.readButton);
    ASSERT_TRUE(r.LogHas("Device 24CXX DOES NOT RESPOND - ACK Error"));
    r.ChipRig::Insert(11, sim::FilledContents(32768, 0x00));
    r.LoadCode(std::vector<std::uint8_t>(32768, 0x00));
    r.Press(r.app.ui.verifyButton);
    EXPECT_TRUE(r.LogHas(kMatch));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.rig.sound.played, std::vector<std::string>{r.Sound("ok.wav")});
    EXPECT_EQ(r.app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
    // Reset after the match: CE and OE released, programming voltages off.
    EXPECT_EQ(r.app.board.Reg3Shadow & 0x80, 0x80);
    EXPECT_EQ(r.app.board.Reg0Shadow, 0x40);
}

TEST(VerifyData, MessageWithTheProgramTitle) {
    ChipRig r;
    r.Insert(11, {});
    r.app.ui.codeCheck.value = 0;
    r.app.ui.dataCheck.value = 1;
    verifyButton_Click(r.app);
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Please Write AT90S2313 VerifyData Routine");
    EXPECT_EQ(r.rig.dialogs.boxes[0].title, kAppTitle);
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

TEST(Verify, WithoutAChosenDeviceNothingIsComparedAndNoMatchIsClaimed) {
    // The button is disabled then, but the command must not report a match of nothing.
    ChipRig r(6);
    r.rig.ClearLog();
    VerifyCodeMemory(r.app);
    EXPECT_EQ(r.rig.LogLines(), Lines{"No device is selected - the device was not accessed"});
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Refused);
}

} // namespace
} // namespace quorbit::test
