// Programming the AT29C256 flash against its simulated datasheet behaviour.
#include <gtest/gtest.h>

#include "PageWriteRig.h"
#include "ops/At29c256.h"

namespace quorbit::test {
namespace {

struct Case {
    int model;
    bool startsProtected;
};

class At29c256Program : public testing::TestWithParam<Case> {};

TEST_P(At29c256Program, RandomImageIsWrittenPageByPageAndReadsBackEqual) {
    PageWriteRig r(GetParam().model, kAt29c256Row);
    if (GetParam().startsProtected) r.chip->StartProtected();
    const std::optional<ProgramOutcome> programmed = r.Run(ProgramAt29c256Chip);
    EXPECT_TRUE(r.ChipHoldsImage());
    EXPECT_FALSE(r.chip->Protected());
    EXPECT_EQ(r.chip->PageWrites(), 512);
    EXPECT_EQ(r.chip->DataLoads(), 512 * 64);
    EXPECT_EQ(r.rig.LogLines(),
              (std::vector<std::string>{"Programming Atmel AT29C256",
                                        "FLASH Atmel AT29C256 Programmed Sucessfully"}));
    EXPECT_EQ(r.progress.valueSeen, 64);
    EXPECT_EQ(r.progress.maxSeen, 64);
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->Succeeded());
}

INSTANTIATE_TEST_SUITE_P(ModelsAndProtection, At29c256Program,
                         testing::Values(Case{4, false}, Case{4, true}, Case{6, false},
                                         Case{6, true}));

// Also the first mend: after the failed read-back OE is released before the page
// is loaded again; with OE low the chip would ignore every load of every retry.
TEST(At29c256, OneWrongByteRewritesTheWholePageOnceWithOutputEnableReleased) {
    PageWriteRig r(6, kAt29c256Row);
    const std::uint32_t weak = 5 * 64 + 17;
    r.image[weak] = 0x3C;
    r.chip->MakeWeak(weak, 2);
    r.Run(ProgramAt29c256Chip);
    EXPECT_TRUE(r.ChipHoldsImage());
    EXPECT_EQ(r.chip->PageWritesOf(5), 2);
    EXPECT_EQ(r.chip->PageWritesOf(4), 1);
    EXPECT_EQ(r.chip->PageWrites(), 513);
    EXPECT_EQ(r.chip->DataLoads(), 513 * 64);
    EXPECT_EQ(r.chip->IgnoredLoads(), 0);
    EXPECT_TRUE(r.LogHas("FLASH Atmel AT29C256 Programmed Sucessfully"));
}

TEST(At29c256, PageThatNeverTakesIsWritten19TimesThenReported) {
    PageWriteRig r(4, kAt29c256Row);
    const std::uint32_t bad = 7 * 64 + 10; // 1CAh
    r.image[bad] = 0x5A;
    r.chip->StickBit(bad, 0, true); // reads 5Bh
    const std::optional<ProgramOutcome> programmed = r.Run(ProgramAt29c256Chip);
    EXPECT_EQ(r.chip->PageWritesOf(7), 19);
    EXPECT_EQ(r.chip->PageWritesOf(8), 0);
    const auto lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(
        std::vector<std::string>(lines.end() - 4, lines.end()),
        (std::vector<std::string>{"*** Programming Failure ***",
                                  "*** Address:1CAh, Programming BYTE:5Ah, Read BYTE:5Bh",
                                  "*** Aborting Programming.", "Error Alert was Turned Off"}));
    EXPECT_FALSE(r.LogHas("FLASH Atmel AT29C256 Programmed Sucessfully"));
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->failure.has_value());
    ASSERT_EQ(r.rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(r.rig.dialogs.boxes[0].text, "Program or Compare Error");
    // Programming voltages off; the alert, acknowledged after the routine, reset the board.
    EXPECT_EQ(r.rig.sim->Regs().r[0], 0x40);
}

TEST(At29c256, ChipThatStaysBusyEndsInThePollingTimeOut) {
    PageWriteRig r(6, kAt29c256Row);
    r.chip->StayBusy();
    const std::optional<ProgramOutcome> programmed = r.Run(ProgramAt29c256Chip);
    EXPECT_EQ(r.chip->PageWrites(), 1); // not retried
    const auto lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Error: At29C256 TimeOut Programming Polling");
    EXPECT_EQ(lines[2], "*** Programming Failure ***");
    EXPECT_FALSE(r.LogHas("FLASH Atmel AT29C256 Programmed Sucessfully"));
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->failure.has_value());
}

/// Shows the last byte loaded with bit 7 inverted until its `ready`-th read.
class SlowPollChip : public sim::SimChip {
  public:
    SlowPollChip(std::uint8_t byte, long ready) : byte_(byte), ready_(ready) {}
    [[nodiscard]] std::string Name() const override { return "slow poll"; }
    std::optional<std::uint8_t> Output(const sim::Registers& regs) override {
        if (!regs.CeActive() || !regs.OeActive()) return std::nullopt;
        return reads < ready_ ? static_cast<std::uint8_t>(byte_ ^ 0x80) : byte_;
    }
    void Latched(const sim::Registers& regs, int, std::int64_t) override {
        const bool reading = regs.CeActive() && regs.OeActive();
        if (reading && !wasReading_) ++reads;
        wasReading_ = reading;
    }
    std::vector<std::uint8_t>& Memory() override { return mem_; }
    long reads = 0;

  private:
    std::uint8_t byte_;
    long ready_;
    bool wasReading_ = false;
    std::vector<std::uint8_t> mem_;
};

// The second mend: a match on the last of the 20 000 reads is a finished write.
TEST(At29c256Poll, MatchOnTheLastReadIsSuccessAndOnlyNoMatchIsATimeOut) {
    for (const long ready : {1L, 20000L, 20001L}) {
        ChipRig r(6);
        ASSERT_TRUE(SelectDevice(r.app, kAt29c256Row));
        auto chip = std::make_unique<SlowPollChip>(0x42, ready);
        SlowPollChip& slow = *chip;
        r.rig.sim->Insert(std::move(chip));
        Reset(r.app);
        const int left = PollAT29C256(r.app.board, 0x42);
        EXPECT_EQ(slow.reads, std::min(ready, 20000L)) << ready;
        if (ready <= 20000)
            EXPECT_EQ(left, 20000 - ready + 1) << ready;
        else
            EXPECT_EQ(left, 0);
        EXPECT_EQ(r.rig.sim->Regs().r[3] & 0x40, 0); // the board drives the data pins again
    }
}

TEST(At29c256Commands, ThreeCycleCommandsReachProductIdentificationAndBack) {
    PageWriteRig r(6, kAt29c256Row);
    Board& b = r.app.board;
    Reset(r.app);
    SendAt29Command(b, 0x90);
    b.SleepMs(10);
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
    b.Address = 0;
    b.SplitAddress();
    b.LatchFlashAddress();
    b.ReadDataByte();
    EXPECT_EQ(b.DataIn, 0x1F);
    b.NextAddress();
    b.LatchFlashAddress();
    b.ReadDataByte();
    EXPECT_EQ(b.DataIn, 0xDC);
    EXPECT_TRUE(r.chip->InProductId());
    SendAt29Command(b, 0xF0);
    b.SleepMs(10);
    b.EnableChipAndOutput();
    EXPECT_FALSE(r.chip->InProductId());
    b.ReleaseDataPins();
    b.LatchFlashAddress();
    b.ReadDataByte();
    EXPECT_EQ(b.DataIn, r.chip->Memory()[1]);
}

} // namespace
} // namespace quorbit::test
