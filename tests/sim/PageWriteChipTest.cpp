// The simulated page-write parts against their datasheet rules, driven through
// the board's own line operations.
#include <gtest/gtest.h>

#include "../ops/PageWriteRig.h"
#include "buffers/ProgramImage.h"
#include "ops/At29c256.h"
#include "ops/Flash.h"
#include "ops/PageWrite.h"
#include "ops/X28c256.h"
#include "sim/SimFamilies.h"

namespace quorbit::test {
namespace {

/// Loads `data` at `address` with one write cycle of the part's command form.
void Load(App& app, CommandWrite write, int address, int data) {
    CommandCycle(app.board, write, address, data);
}

/// Waits, then moves a line so the chip sees the time that passed (it acts on
/// what its pins see, and a wait alone changes no pin).
void Settle(App& app, int ms) {
    app.board.SleepMs(ms);
    app.board.ReleaseDataPins();
    app.board.DriveDataPins();
}

std::uint8_t ReadAt(App& app, int address) {
    Board& b = app.board;
    b.Address = address;
    b.SplitAddress();
    b.LatchFlashAddress();
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
    b.ReadDataByte();
    b.DisableChipAndOutput();
    b.DriveDataPins();
    return b.DataIn;
}

TEST(PageWriteChip, ProtectedChipIgnoresPlainWritesButPollsForTheWriteTime) {
    PageWriteRig r(6, kAt29c256Row);
    r.chip->StartProtected();
    Reset(r.app);
    r.app.board.DriveDataPins(); // the board drives the data pins
    const std::uint8_t old = r.chip->Memory()[0x100];
    Load(r.app, WriteAt29CommandCycle, 0x100, old ^ 0xFF);
    r.app.board.SleepMs(1);
    EXPECT_EQ(ReadAt(r.app, 0x100) & 0x80, (old & 0x80)); // DATA#: complement of the new bit 7
    r.app.board.SleepMs(10);
    EXPECT_EQ(ReadAt(r.app, 0x100), old);
    EXPECT_EQ(r.chip->PageWrites(), 0);
    // Disabled, the same write takes.
    DisableAt29Protection(r.app.board);
    Load(r.app, WriteAt29CommandCycle, 0x100, old ^ 0xFF);
    r.app.board.SleepMs(11);
    EXPECT_EQ(ReadAt(r.app, 0x100), old ^ 0xFF);
    EXPECT_FALSE(r.chip->Protected());
}

TEST(PageWriteChip, LoadsSlowerThanTheWindowEndThePageAndLoseTheRestOfTheSector) {
    PageWriteRig r(6, kAt29c256Row);
    Reset(r.app);
    r.app.board.DriveDataPins(); // the board drives the data pins
    Load(r.app, WriteAt29CommandCycle, 0x200, 0x11);
    Load(r.app, WriteAt29CommandCycle, 0x201, 0x22); // within 150 us: same page
    Settle(r.app, 11);
    EXPECT_EQ(r.chip->PageWrites(), 1);
    EXPECT_EQ(ReadAt(r.app, 0x200), 0x11);
    EXPECT_EQ(ReadAt(r.app, 0x201), 0x22);
    // The unloaded 62 bytes of the sector are no longer what they were.
    const auto& mem = r.chip->Memory();
    int kept = 0;
    for (std::size_t a = 0x202; a < 0x240; ++a)
        kept += mem[a] == sim::RandomContents(kChipBytes, 99)[a];
    EXPECT_LT(kept, 10);
    // One byte, a pause past the window, another: the second comes during the
    // first write cycle and is ignored.
    Load(r.app, WriteAt29CommandCycle, 0x300, 0x33);
    r.app.board.SleepMs(1);
    Load(r.app, WriteAt29CommandCycle, 0x301, 0x44);
    r.app.board.SleepMs(11);
    EXPECT_EQ(r.chip->IgnoredLoads(), 1);
    EXPECT_NE(ReadAt(r.app, 0x301), 0x44);
}

TEST(PageWriteChip, At29c256DoesNotStartItsWriteWhileOutputEnableIsLow) {
    PageWriteRig r(6, kAt29c256Row);
    Reset(r.app);
    r.app.board.DriveDataPins(); // the board drives the data pins
    Load(r.app, WriteAt29CommandCycle, 0x400, 0x5A);
    r.app.board.EnableOutput();
    Settle(r.app, 20);
    EXPECT_EQ(r.chip->PageWrites(), 0);
    r.app.board.DisableOutput();
    Settle(r.app, 11);
    EXPECT_EQ(r.chip->PageWrites(), 1);
    // A write pulse with OE low loads nothing.
    r.app.board.EnableOutput();
    Load(r.app, WriteAt29CommandCycle, 0x500, 0x00);
    EXPECT_EQ(r.chip->IgnoredLoads(), 1);
}

TEST(PageWriteChip, At29c256ChipEraseLeavesEveryByteFFh) {
    PageWriteRig r(4, kAt29c256Row);
    Reset(r.app);
    r.app.board.DriveDataPins(); // the board drives the data pins
    for (int data : {0x80, 0x10}) {
        SendAt29Command(r.app.board, data);
    }
    Settle(r.app, 25);
    EXPECT_EQ(r.chip->Memory(), std::vector<std::uint8_t>(kChipBytes, 0xFF));
}

// The AT28C64B has no A13 and A14 pins: the X28C256's command cycles at 5555h
// and 2AAAh reach it as 1555h and 0AAAh, and a byte loaded at 6010h lands at 0010h.
TEST(PageWriteChip, At28c64bIgnoresA13AndA14) {
    PageWriteRig r(6, kAt28c64bRow);
    ASSERT_EQ(r.chip->Memory().size(), 8192u);
    r.chip->StartProtected();
    Reset(r.app);
    r.app.board.DriveDataPins(); // the board drives the data pins
    DisableX28Protection(r.app.board, ReadChipOptions(r.app).speedWaitMs);
    Load(r.app, WriteX28CommandCycle, 0x6010, 0x77);
    Settle(r.app, 11); // past tBLC and the 10 ms write cycle
    EXPECT_FALSE(r.chip->Protected());
    EXPECT_EQ(r.chip->Memory()[0x0010], 0x77);
    EXPECT_EQ(r.chip->PageWrites(), 1);
}

TEST(PageWriteChip, X28c256KeepsTheBytesOfAPageThatWereNotLoaded) {
    PageWriteRig r(6, kX28c256Row);
    Reset(r.app);
    r.app.board.DriveDataPins(); // the board drives the data pins
    const auto before = r.chip->Memory();
    Load(r.app, WriteX28CommandCycle, 0x4010, 0x77);
    Settle(r.app, 6);
    auto expected = before;
    expected[0x4010] = 0x77;
    EXPECT_EQ(r.chip->Memory(), expected);
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

// The 32-pin Atmel sector-write flash, answering to the AM29F010 row by its ID.
// Each write cycle rewrites its whole 128-byte sector and clears the bytes not
// loaded in it, so a byte written by an earlier cycle is gone; other sectors are
// untouched.
TEST(AtmelSectorFlash, SectorWriteClearsTheBytesNotLoaded) {
    ChipRig r;
    ASSERT_TRUE(SelectDevice(r.app, 25));
    const auto contents = sim::RandomContents(131072, 5);
    auto chip = sim::MakeSimAtmelSectorFlash("AT29C010A", contents);
    ASSERT_NE(chip, nullptr);
    const auto& memory = chip->Memory();
    r.rig.sim->Insert(std::move(chip));
    r.LoadCode({0x12, 0x34});
    PrepareProgramImage(r.app);
    Reset(r.app);
    for (const int address : {0, 1}) {
        r.app.board.Address = address;
        WriteFlashByte(r.app.board, r.app.dev,
                       r.app.ops.ProgramImage[static_cast<std::size_t>(address)]);
        Settle(r.app, 11); // past tBLC and tWC
    }
    EXPECT_EQ(memory[0], 0xFF);
    EXPECT_EQ(memory[1], 0x34);
    EXPECT_EQ(std::vector<std::uint8_t>(memory.begin() + 2, memory.begin() + 128),
              std::vector<std::uint8_t>(126, 0xFF));
    EXPECT_TRUE(std::equal(memory.begin() + 128, memory.end(), contents.begin() + 128));

    // The byte writer cannot program such a chip, and never says it did.
    r.rig.ClearLog();
    SetCheck(r.app.ui.verifyAfterCheck, 0);
    Fire(r.app.ui.programButton.onClick);
    EXPECT_TRUE(r.LogHas("Device ID# 1FD5 - Start programming"));
    EXPECT_TRUE(r.LogHas("*** Aborting Programming."));
    EXPECT_FALSE(r.LogHas("Programming Device Successfull"));
}

} // namespace
} // namespace quorbit::test
