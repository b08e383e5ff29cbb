// Programming and erasing the X28C256 EEPROM against its simulated datasheet
// behaviour.
#include <gtest/gtest.h>

#include <algorithm>

#include "PageWriteRig.h"
#include "PropertyCheck.h"
#include "ops/At29c256.h"
#include "ops/BlankCheck.h"
#include "ops/PageWrite.h"
#include "ops/Read.h"
#include "ops/Verify.h"
#include "ops/X28c256.h"

namespace quorbit::test {
namespace {

class X28c256Program : public testing::TestWithParam<int> {};

TEST_P(X28c256Program, RandomImageIsWrittenPageByPageAndReadsBackEqual) {
    PageWriteRig r(GetParam(), kX28c256Row);
    const std::optional<ProgramOutcome> programmed = r.Run(ProgramX28c256Chip);
    EXPECT_TRUE(r.ChipHoldsImage());
    EXPECT_FALSE(r.chip->Protected());
    // The six disable cycles are one load sequence: none of them lands as data.
    // Page 0 once more: its first byte is written complemented before the page,
    // which proves a chip is in the socket.
    EXPECT_EQ(r.chip->PageWrites(), 513);
    EXPECT_EQ(r.chip->PageWritesOf(0), 2);
    EXPECT_EQ(r.chip->PageWritesOf(0x5555 / 64), 1);
    EXPECT_EQ(r.rig.LogLines(), (std::vector<std::string>{"Programming 28C256 XICOR Device",
                                                          "XICOR 28C256 Programmed Sucessfully"}));
    EXPECT_EQ(r.progress.valueSeen, 64);
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->Succeeded());
}

INSTANTIATE_TEST_SUITE_P(Models, X28c256Program, testing::Values(4, 6));

TEST(X28c256, OneWrongByteRewritesTheWholePageOnce) {
    PageWriteRig r(4, kX28c256Row);
    const std::uint32_t weak = 300 * 64 + 63;
    r.image[weak] = 0x01;
    r.chip->MakeWeak(weak, 2);
    r.Run(ProgramX28c256Chip);
    EXPECT_TRUE(r.ChipHoldsImage());
    EXPECT_EQ(r.chip->PageWritesOf(300), 2);
    EXPECT_EQ(r.chip->PageWrites(), 1 + 513);
    EXPECT_EQ(r.chip->DataLoads(), 1 + 513 * 64);
}

TEST(X28c256, PageThatNeverTakesIsWritten79TimesThenReported) {
    PageWriteRig r(6, kX28c256Row);
    const std::uint32_t bad = 0x4000 + 3;
    r.image[bad] = 0xF0;
    r.chip->StickBit(bad, 7, false); // reads 70h
    const std::optional<ProgramOutcome> programmed = r.Run(ProgramX28c256Chip);
    EXPECT_EQ(r.chip->PageWritesOf(0x4000 / 64), 79);
    EXPECT_TRUE(r.LogHas("*** Address:4003h, Programming BYTE:F0h, Read BYTE:70h"));
    EXPECT_TRUE(r.LogHas("*** Aborting Programming."));
    EXPECT_FALSE(r.LogHas("XICOR 28C256 Programmed Sucessfully"));
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->failure.has_value());
    // Programming voltages off; the alert, acknowledged after the routine, reset the board.
    EXPECT_EQ(r.rig.sim->Regs().r[0], 0x40);
}

// The check that a chip is in the socket writes only where the image has bytes:
// an image that misses page 0 leaves it unwritten, so a stop between the check
// and the pages can change no byte the operator did not ask for. The check's
// byte is the image's first; its page is written right after.
TEST(X28c256, TheCheckForAChipTouchesOnlyTheImagesBytes) {
    PageWriteRig r(6, kX28c256Row);
    const std::vector<std::uint8_t> before = r.chip->Memory();
    constexpr int first = 0x1234, last = 0x2345;
    std::vector<std::uint8_t> part(r.image.begin() + first, r.image.begin() + last + 1);
    r.app.buf.CodeFileOffset = first;
    r.LoadCode(part);
    PrepareProgramImage(r.app);
    Reset(r.app);
    ProgramX28c256Chip(r.app, ReadChipOptions(r.app));
    EXPECT_TRUE(r.LogHas("XICOR 28C256 Programmed Sucessfully"));
    for (int page = 0; page < 512; ++page) {
        const int expected = page < first / 64 || page > last / 64 ? 0 : page == first / 64 ? 2 : 1;
        EXPECT_EQ(r.chip->PageWritesOf(static_cast<std::uint32_t>(page)), expected) << page;
    }
    std::vector<std::uint8_t> want = before;
    std::copy(part.begin(), part.end(), want.begin() + first);
    EXPECT_EQ(r.chip->Memory(), want);
}

// A write cycle that never ends: DATA# polling runs out after its bound and the
// failure is reported at once, without loading the page again during the cycle.
TEST(X28c256, ChipThatStaysBusyIsReportedWhenThePollRunsOut) {
    PageWriteRig r(6, kX28c256Row);
    r.chip->StayBusy();
    const std::optional<ProgramOutcome> programmed = r.Run(ProgramX28c256Chip);
    EXPECT_EQ(r.chip->PageWrites(), 1);
    EXPECT_EQ(r.chip->IgnoredLoads(), 0);
    EXPECT_TRUE(r.LogHas("Error: X28C256 write cycle did not end (DATA# polling)"));
    EXPECT_TRUE(r.LogHas("*** Programming Failure ***"));
    ASSERT_TRUE(programmed);
    EXPECT_TRUE(programmed->failure.has_value());
}

// Both page-write parts: once a write cycle never ends, every read gives the status
// (DATA# on I/O7, a toggling I/O6). A read, blank check or verify must fail rather
// than take those bytes for the contents.
TEST(PageWriteEeprom, ChipStuckInAWriteCycleIsNeitherReadNorCompared) {
    for (const int row : {kX28c256Row, kAt29c256Row}) {
        PageWriteRig r(6, row);
        r.image.assign(kChipBytes, 0xFF); // the status bytes cannot pass as blank by luck
        r.chip->StayBusy();
        r.Run(row == kX28c256Row ? ProgramX28c256Chip : ProgramAt29c256Chip);
        for (void (*command)(App&) : {readButton_Click, blankButton_Click, verifyButton_Click}) {
            r.rig.ClearLog();
            r.app.ops.Outcome = OpOutcome::None;
            command(r.app);
            EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed) << row;
            EXPECT_TRUE(r.LogHas("Error: the " + r.app.dev.DeviceName +
                                 " is still in a write cycle and shows its status, not its "
                                 "contents"))
                << row;
        }
    }
}

// On a slow port (2 us per access) at every slider setting, the bytes of a page
// and the protection-disable cycles follow each other inside the byte-load window
// (AT29C256 150 us, X28C256 100 us): a protected part is unprotected and programmed,
// and no cycle of the sequence is written as data. The parts take the datasheets'
// longest write cycle (10 ms), so the fastest setting's short fixed wait must be
// followed by polling.
TEST(PageWriteEeprom, PageLoadsFitTheByteLoadWindowAtEverySpeedOnASlowPort) {
    for (const int row : {kX28c256Row, kAt29c256Row}) {
        const std::int64_t window = row == kX28c256Row ? 100'000 : 150'000;
        for (int speed = 1; speed <= 20; ++speed) {
            PageWriteRig r(6, row);
            r.rig.sim->SetPortAccessNs(2'000);
            SetPosition(r.app.ui.speedSlider, speed);
            r.chip->StartProtected();
            r.chip->SetWriteCycleNs(10'000'000);
            r.Run(row == kX28c256Row ? ProgramX28c256Chip : ProgramAt29c256Chip);
            EXPECT_LT(r.chip->LongestLoadGapNs(), window) << row << " speed " << speed;
            EXPECT_FALSE(r.chip->Protected()) << row << " speed " << speed;
            EXPECT_TRUE(r.ChipHoldsImage()) << row << " speed " << speed;
            EXPECT_EQ(r.chip->IgnoredLoads(), 0) << row << " speed " << speed;
        }
    }
}

/// Register 1 and 2 at the end of every write pulse on register 1 bit 6. It drives
/// the data pins only for a read of 0h, with the last byte written there (so the
/// routine finds a chip in the socket), so an all-FFh image reads back right.
class WritePulseRecorder : public sim::SimChip {
  public:
    [[nodiscard]] std::string Name() const override { return "Eeprom XICOR X28C256"; }
    std::optional<std::uint8_t> Output(const sim::Registers& regs) override {
        if (regs.r[2] == 0 && (regs.r[1] & 0xBF) == 0) return byte0_;
        return std::nullopt;
    }
    void Latched(const sim::Registers& regs, int reg, std::int64_t) override {
        const bool we = (regs.r[1] & 0x40) != 0;
        if (reg == 1 && we && !lastWe_ && regs.CeActive()) {
            pulses.emplace_back(regs.r[1], regs.r[2]);
            if (regs.r[2] == 0 && (regs.r[1] & 0xBF) == 0) byte0_ = regs.r[4];
        }
        lastWe_ = we;
    }
    std::vector<std::uint8_t>& Memory() override { return mem_; }
    std::vector<std::pair<int, int>> pulses;

  private:
    bool lastWe_ = true;
    std::uint8_t byte0_ = 0xFF;
    std::vector<std::uint8_t> mem_;
};

TEST(X28c256, Register1CarriesA14OnBit7AndKeepsWriteEnableHigh) {
    ChipRig r(6);
    ASSERT_TRUE(SelectDevice(r.app, kX28c256Row));
    auto chip = std::make_unique<WritePulseRecorder>();
    const WritePulseRecorder& rec = *chip;
    r.rig.sim->Insert(std::move(chip));
    r.LoadCode(std::vector<std::uint8_t>(kChipBytes, 0xFF));
    PrepareProgramImage(r.app);
    Reset(r.app);
    ProgramX28c256Chip(r.app, ReadChipOptions(r.app));
    // Six disable cycles, the byte at 0h written complemented, then the pages.
    ASSERT_EQ(rec.pulses.size(), 7u + 512u * 64u);
    // The protection-disable cycles: 5555h as D5h/55h, 2AAAh as 6Ah/AAh.
    EXPECT_EQ(rec.pulses[0], std::make_pair(0xD5, 0x55));
    EXPECT_EQ(rec.pulses[1], std::make_pair(0x6A, 0xAA));
    EXPECT_EQ(rec.pulses[6], std::make_pair(0x40, 0x00));                 // the probe at 0h
    EXPECT_EQ(rec.pulses[7], std::make_pair(0x40, 0x00));                 // page 0
    EXPECT_EQ(rec.pulses[7 + 256 * 64], std::make_pair(0xC0, 0x00));      // address 4000h
    EXPECT_EQ(rec.pulses[7 + 511 * 64 + 63], std::make_pair(0xFF, 0xFF)); // 7FFFh
}

TEST(X28c256Erase, LeavesTheChipFFhAndTheOperatorsImageInPlace) {
    PageWriteRig r(6, kX28c256Row);
    r.LoadCode(r.image);
    PrepareProgramImage(r.app);
    Reset(r.app);
    EraseX28C256(r.app, ReadChipOptions(r.app));
    EXPECT_EQ(r.chip->Memory(), std::vector<std::uint8_t>(kChipBytes, 0xFF));
    const auto& program = r.app.ops.ProgramImage;
    EXPECT_TRUE(std::equal(r.image.begin(), r.image.end(), program.begin()));
    EXPECT_EQ(r.rig.LogLines(),
              (std::vector<std::string>{"Erasing Program Buffer", "Erasing XICOR 28C256",
                                        "Programming 28C256 XICOR Device",
                                        "Erasing Operation COMPLETED: every byte reads back FFh"}));
}

// The AT28C64B on the X28C256's routine (whose program, verify and erase every
// row's property covers): its 8 KiB take 128 pages and the chip check, no page
// twice for the aliases of A13-A14, and a larger image is refused before the chip
// is touched.
TEST(At28c64b, WritesEachPageOnceAndRefusesALargerImage) {
    PageWriteRig r(6, kAt28c64bRow);
    const std::vector<std::uint8_t> image(r.image.begin(), r.image.begin() + 8192);
    r.LoadCode(image);
    SetCheck(r.app.ui.verifyAfterCheck, 0);
    SetCheck(r.app.ui.blankCheckFirstCheck, 0);
    r.Press(r.app.ui.programButton);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.chip->Memory(), image);
    EXPECT_EQ(r.chip->PageWrites(), 129);
    EXPECT_EQ(r.progress.maxSeen, 16);

    std::vector<std::uint8_t> larger = image;
    larger.push_back(0x00);
    r.LoadCode(larger);
    r.rig.dialogs.boxes.clear();
    r.Press(r.app.ui.programButton);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::BadImage);
    EXPECT_TRUE(r.LogHas("The image reaches address 2000h (8193 bytes) but the Eeprom Atmel "
                         "AT28C64B holds 8192 bytes - the device was not accessed"));
    EXPECT_EQ(r.chip->Memory(), image) << "untouched";
    EXPECT_EQ(r.chip->PageWrites(), 129);
}

// Both page writers driven alone, with the board, the device, the speed and a part
// of an image, on a chip with one bit stuck: the pages below the bad cell's hold the
// image where it holds bytes and the chip's own bytes elsewhere, and where the cell
// cannot take its byte the outcome names its address, the byte written and the byte
// the chip shows there, every programming voltage off.
TEST(PageWriteRoutines, DrivenAloneTheyGiveUpWhereACellCannotTakeItsByte) {
    CheckProperty(12, [] {
        const bool atmel = *rc::gen::arbitrary<bool>();
        HeldImage image = DrawHeldImage(2, 300);
        // The X28C256 routine first writes the first byte held: not the bad one.
        image.mask[0] = 1;
        image.held = HeldBy(image.mask);
        image.bad = std::max<std::uint32_t>(image.bad, 1);
        const int stuckBit = *rc::gen::inRange(0, 8);
        const bool level = *rc::gen::arbitrary<bool>();

        PageWriteRig r(6, atmel ? kAt29c256Row : kX28c256Row);
        const std::vector<std::uint8_t> contents = r.chip->Memory();
        r.chip->StickBit(image.bad, stuckBit, level);
        const std::uint8_t wanted = image.bytes[image.bad];
        const bool cannotTake =
            image.Holds(image.bad) && (((wanted >> stuckBit) & 1) != 0) != level;

        Board& b = r.app.board;
        b.ResetLines();
        b.LatchAddress();
        HeardEvents events;
        const ProgramOutcome outcome =
            atmel ? ProgramAt29c256(b, r.app.dev, image.ToWrite(), 0, events)
                  : ProgramX28c256(b, r.app.dev, image.ToWrite(), 0, events);

        RC_ASSERT(outcome.Succeeded() == !cannotTake);
        const std::uint32_t end = cannotTake ? image.bad / kPageBytes * kPageBytes
                                             : static_cast<std::uint32_t>(image.bytes.size());
        for (std::uint32_t a = 0; a < end; ++a)
            if (image.Holds(a) || a != image.bad) // a bad cell not held reads as it is stuck
                RC_ASSERT(r.chip->ReadsAs(a) == (image.Holds(a) ? image.bytes[a] : contents[a]));
        if (!cannotTake) return;
        const ProgramFailureAt& at = *outcome.failure;
        RC_ASSERT(at.address == static_cast<std::int32_t>(image.bad));
        RC_ASSERT(at.wrote == wanted);
        RC_ASSERT(at.read == r.chip->ReadsAs(image.bad));
        RC_ASSERT((b.Reg0Shadow & ~0x40) == 0);
    });
}

} // namespace
} // namespace quorbit::test
