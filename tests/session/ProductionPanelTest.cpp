// The window's production run as the operator drives it: fields, Next chip, the
// verdict and counts, the record and the serial file, each chip a fresh one.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "../ops/ChipRig.h"
#include "session/ProductionPanel.h"
#include "session/SimSocket.h"

namespace quorbit::test {
namespace {

constexpr int kRow = 2; // Eprom 2732A: 4 KiB, quick on the simulator

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct ProductionRig {
    ProductionRig() {
        chips.InsertPattern(kRow);
        image.resize(4096);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(i * 7 + 3);
        WriteBytes(chips.rig.dir / "image.bin", std::string(image.begin(), image.end()));
        ProductionControls& ui = panel.ui();
        ui.ImageFile.caption = (chips.rig.dir / "image.bin").string();
        ui.RecordFile.caption = (chips.rig.dir / "record.csv").string();
    }

    /// A fresh erased chip for each chip of the run; the chips in `faulty` have
    /// bit 0 of 100h stuck low (the image wants it high).
    void InsertChip(int row, int number) {
        SimSetup setup;
        setup.fault = "100:0:0";
        InsertFreshChip(*chips.rig.sim, setup, row,
                        std::count(faulty.begin(), faulty.end(), number) != 0);
        ++inserted;
    }

    [[nodiscard]] int ProgramQuestions() const {
        return static_cast<int>(
            std::count_if(chips.rig.dialogs.boxes.begin(), chips.rig.dialogs.boxes.end(),
                          [](const auto& box) { return box.text == "Program the Device?"; }));
    }
    [[nodiscard]] std::vector<std::uint8_t> ChipBytes(std::uint32_t at, std::size_t n) const {
        const auto& memory = chips.rig.sim->Chip()->Memory();
        return {memory.begin() + at, memory.begin() + at + static_cast<std::ptrdiff_t>(n)};
    }

    ChipRig chips;
    std::vector<int> faulty;
    int inserted = 0;
    std::vector<std::uint8_t> image;
    ProductionPanel panel{chips.app, [this](int row, int number) { InsertChip(row, number); }};
};

TEST(ProductionPanel, ChipsGetTheirNumbersAndVerdictsAndTheRunIsRecorded) {
    ProductionRig r;
    r.faulty = {2};
    ProductionControls& ui = r.panel.ui();
    ui.SerialField.caption = "10:6:ascii";
    ui.SerialStart.caption = "41";
    ui.SerialFile.caption = (r.chips.rig.dir / "next.txt").string();

    Fire(ui.NextChip.onClick);
    ProductionFace face = r.panel.Face();
    EXPECT_TRUE(face.running);
    EXPECT_EQ(face.verdict.caption, "OK");
    EXPECT_EQ(face.verdict.backColor, colour::Green);
    EXPECT_FALSE(face.imageFile.enabled) << "the run's settings hold until it ends";
    const std::string first(reinterpret_cast<const char*>(r.ChipBytes(0x10, 6).data()), 6);
    EXPECT_EQ(first, "000041");
    EXPECT_EQ(ReadBytes(ui.SerialFile.caption), "42\n");

    Fire(ui.NextChip.onClick); // the faulty chip
    face = r.panel.Face();
    EXPECT_EQ(face.verdict.caption, "FAILED at 100h");
    EXPECT_EQ(face.verdict.backColor, colour::Red);
    EXPECT_NE(face.chipLine.caption.find("chip 2: FAILED at 100h (wrote "), std::string::npos)
        << face.chipLine.caption;

    Fire(ui.SkipChip.onClick);
    Fire(ui.NextChip.onClick); // takes the number the failed chip did not use
    face = r.panel.Face();
    EXPECT_EQ(face.verdict.caption, "OK");
    EXPECT_EQ(face.counts.caption, "2 good, 1 failed, 1 skipped");
    const std::string fourth(reinterpret_cast<const char*>(r.ChipBytes(0x10, 6).data()), 6);
    EXPECT_EQ(fourth, "000042");
    EXPECT_EQ(r.inserted, 3) << "a skipped chip is not programmed";
    EXPECT_EQ(r.ProgramQuestions(), 1) << "the first chip's answer holds for the run";

    const std::vector<std::string> record = FileLines(ui.RecordFile.caption);
    ASSERT_EQ(record.size(), 5u);
    EXPECT_EQ(record[0],
              "time,chip,serial,device,result,image_crc32,chip_crc32,failure_address,seconds");
    EXPECT_NE(record[2].find(",2,000042,Eprom 2732A,FAILED,"), std::string::npos) << record[2];
    EXPECT_NE(record[2].find(",100h,"), std::string::npos) << record[2];
    EXPECT_NE(record[3].find(",3,,Eprom 2732A,SKIPPED,"), std::string::npos) << record[3];
    ASSERT_EQ(face.recordTail.items.size(), 4u);
    EXPECT_EQ(record[4], face.recordTail.items[3]) << "the tail is the record";

    Fire(ui.FinishRun.onClick);
    face = r.panel.Face();
    EXPECT_FALSE(face.running);
    EXPECT_TRUE(face.imageFile.enabled);
    EXPECT_EQ(face.counts.caption, "2 good, 1 failed, 1 skipped, next serial 000043");
    EXPECT_EQ(std::vector<std::uint8_t>(r.chips.app.buf.CodeBuffer.begin(),
                                        r.chips.app.buf.CodeBuffer.begin() + 4096),
              r.image)
        << "the window's image is the base image again, without a chip's number";
    const auto log = r.chips.rig.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "Production batch: 2 good, 1 failed, 1 skipped, next serial 000043"),
              log.end());
    EXPECT_EQ(ReadBytes(ui.SerialFile.caption), "43\n");
}

TEST(ProductionPanel, ARunThatCannotBeginTouchesNoChip) {
    struct Case {
        const char* serial;
        const char* start;
        const char* step;
        const char* image;
        const char* said; // a part of the reason shown
    };
    for (const Case& c : {
             Case{"FFE:4", "1", "1", nullptr, "lies outside the Eprom 2732A"},
             Case{"10:1:bcd", "100", "1", nullptr, "does not fit in 1 bytes"},
             Case{"10:2", "x", "1", nullptr, "first serial number"},
             Case{"10:2", "1", "0", nullptr, "serial step"},
             Case{"10:2:roman", "1", "1", nullptr, "roman"},
             Case{"", "1", "1", "missing.bin", "could not be loaded"},
         }) {
        ProductionRig r;
        ProductionControls& ui = r.panel.ui();
        ui.SerialField.caption = c.serial;
        ui.SerialStart.caption = c.start;
        ui.SerialStep.caption = c.step;
        if (c.image) ui.ImageFile.caption = (r.chips.rig.dir / c.image).string();
        const auto before = r.chips.rig.sim->Chip()->Memory();
        Fire(ui.NextChip.onClick);
        const ProductionFace face = r.panel.Face();
        EXPECT_FALSE(face.running) << c.serial;
        EXPECT_EQ(face.verdict.caption, "NOT STARTED") << c.serial;
        EXPECT_EQ(face.verdict.backColor, colour::Red);
        EXPECT_NE(face.chipLine.caption.find(c.said), std::string::npos) << face.chipLine.caption;
        EXPECT_EQ(r.inserted, 0);
        EXPECT_EQ(r.chips.rig.sim->Chip()->Memory(), before);
        EXPECT_FALSE(std::filesystem::exists(ui.RecordFile.caption)) << c.serial;
    }
}

TEST(ProductionPanel, TheImageFileIsProgrammedWhateverTheWindowsBufferHolds) {
    ProductionRig r;
    App& app = r.chips.app;
    ASSERT_TRUE(OpenCodeFile(app, r.panel.ui().ImageFile.caption));
    // A chip read into the buffer since: the file's name stays, its bytes do not.
    std::fill(app.buf.CodeBuffer.begin(), app.buf.CodeBuffer.end(), 0x00);
    app.buf.CodeBufferOrigin = "read from Eprom 2732A";
    Fire(r.panel.ui().NextChip.onClick);
    EXPECT_EQ(r.panel.Face().verdict.caption, "OK");
    EXPECT_EQ(r.ChipBytes(0, 4096), r.image);
}

TEST(ProductionPanel, ACancelledSafetyQuestionEndsTheRunWithTheChipUntouched) {
    ProductionRig r;
    r.chips.rig.dialogs.answers.push_back(MsgResult::Cancel);
    Fire(r.panel.ui().NextChip.onClick);
    const ProductionFace face = r.panel.Face();
    EXPECT_FALSE(face.running);
    EXPECT_EQ(face.verdict.caption, "CANCELLED");
    EXPECT_EQ(r.ChipBytes(0, 16), std::vector<std::uint8_t>(16, 0xFF));
}

} // namespace
} // namespace quorbit::test
