// The simulated 24Cxx chips on the board's two-wire bus, driven bit by bit through
// the board's latches the way the datasheets draw the bus, not the way our routines
// happen to drive it.
#include <gtest/gtest.h>

#include "sim/SimBoard.h"
#include "sim/SimContents.h"
#include "sim/SimSerialEeprom.h"

namespace quorbit::sim {
namespace {

/// A two-wire master on a model-6 board: clock on register 3 bit 7, data from
/// register 4 bit 7 while register 3 bit 6 is clear, read back on D7.
class BusMaster {
  public:
    explicit BusMaster(const char* part, std::vector<std::uint8_t> contents = {})
        : board_(6, 0x378) {
        auto chip = MakeSimSerialEeprom(part, std::move(contents));
        chip_ = chip.get();
        board_.Insert(std::move(chip));
        Clock(false);
        Release();
    }
    SerialEeprom& chip() { return *chip_; }
    SimBoard& board() { return board_; }

    void Clock(bool high) { Latch(3, high ? (r3_ | 0x80) : (r3_ & 0x7F)); }
    void Drive(bool high) {
        Latch(4, high ? 0x80 : 0x00);
        Latch(3, r3_ & 0xBF);
    }
    void Release() { Latch(3, r3_ | 0x40); }
    [[nodiscard]] bool Line() { return (board_.DataBus() & 0x80) != 0; }

    void Start() {
        Drive(true);
        Clock(true);
        Drive(false);
        Clock(false);
    }
    void Stop() {
        Drive(false);
        Clock(true);
        Drive(true);
        Clock(false);
    }
    /// Eight bits and the ninth clock; true when the chip acknowledged.
    bool Write(std::uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) {
            Drive(((byte >> bit) & 1) != 0);
            Clock(true);
            Clock(false);
        }
        Release();
        Clock(true);
        const bool acked = !Line();
        Clock(false);
        return acked;
    }
    std::uint8_t Read(bool acknowledge) {
        Release();
        unsigned value = 0;
        for (int bit = 0; bit < 8; ++bit) {
            Clock(true);
            value = (value << 1) | (Line() ? 1U : 0U);
            Clock(false);
        }
        if (acknowledge)
            Drive(false);
        else
            Release();
        Clock(true);
        Clock(false);
        Release();
        return static_cast<std::uint8_t>(value);
    }
    void WaitMs(int ms) { board_.Sleep(ms); }

    /// Start, control byte, word address bytes; true when all were acknowledged.
    bool Address(std::uint8_t control, std::initializer_list<std::uint8_t> address) {
        Start();
        bool acked = Write(control);
        for (auto byte : address)
            acked = Write(byte) && acked;
        return acked;
    }

  private:
    void Latch(int reg, int value) {
        // Model-6 select codes of registers 0..4; the strobe is the same code with bit 0 clear.
        static constexpr std::uint8_t kSelect[5] = {0x05, 0x0D, 0x07, 0x0F, 0x01};
        const auto select = kSelect[reg];
        board_.PortOut(0x378, static_cast<std::uint8_t>(value));
        board_.PortOut(0x37A, static_cast<std::uint8_t>(select & 0xFE));
        board_.PortOut(0x37A, select);
        if (reg == 3) r3_ = value;
    }

    SimBoard board_;
    SerialEeprom* chip_ = nullptr;
    int r3_ = 0xC4;
};

TEST(SerialEeprom, AnswersOnlyItsOwnControlBytes) {
    BusMaster c08("24C08");
    for (int block = 0; block < 4; ++block) {
        EXPECT_TRUE(c08.Address(static_cast<std::uint8_t>(0xA0 + 2 * block), {})) << block;
        c08.Stop();
    }
    EXPECT_FALSE(c08.Address(0xA8, {})); // A2 pin is tied low
    c08.Stop();
    EXPECT_FALSE(c08.Address(0xB0, {})); // not the EEPROM device code
    c08.Stop();

    BusMaster c16("24C16");
    EXPECT_TRUE(c16.Address(0xAE, {})); // block 7
    c16.Stop();

    BusMaster c32("24C32");
    EXPECT_TRUE(c32.Address(0xA0, {}));
    c32.Stop();
    EXPECT_FALSE(c32.Address(0xA2, {})); // A0 pin is tied low
    c32.Stop();
    EXPECT_EQ(c32.chip().Probe().Text(), "S A0a P S A2n P");
}

TEST(SerialEeprom, PageWriteRollsOverInsideThePageAndLandsAfterTheWriteCycle) {
    BusMaster bus("24C08", FilledContents(1024, 0x11));
    ASSERT_TRUE(bus.Address(0xA2, {0x1E})); // block 1, address 11Eh: two bytes before the page end
    for (int byte : {0xC0, 0xC1, 0xC2, 0xC3})
        EXPECT_TRUE(bus.Write(static_cast<std::uint8_t>(byte)));
    bus.Stop();
    auto& mem = bus.chip().Memory();
    EXPECT_EQ(mem[0x11E], 0x11); // still programming
    bus.WaitMs(5);
    EXPECT_TRUE(bus.Address(0xA0, {})); // the first start after the cycle finishes it
    bus.Stop();
    EXPECT_EQ(mem[0x11E], 0xC0);
    EXPECT_EQ(mem[0x11F], 0xC1);
    EXPECT_EQ(mem[0x110], 0xC2); // rolled over to the start of the 16-byte page
    EXPECT_EQ(mem[0x111], 0xC3);
    EXPECT_EQ(mem[0x120], 0x11);
}

// Two address bytes and a page that wraps at its own size: 32 bytes on the
// 24C32/64, 64 on the 24C128/256. One byte more than a page overwrites its first.
TEST(SerialEeprom, TwoAddressBytesAndPagesThatWrapAtTheirSize) {
    struct Part {
        const char* name;
        std::uint32_t bytes, page;
    };
    for (const Part& part : {Part{"24C32", 4096, 32}, Part{"24C64", 8192, 32},
                             Part{"24C128", 16384, 64}, Part{"24C256", 32768, 64}}) {
        BusMaster bus(part.name, FilledContents(part.bytes, 0xFF));
        const std::uint32_t first = part.bytes / 2 - part.page; // the page below the middle
        // The high bits beyond the chip's size do not matter.
        ASSERT_TRUE(bus.Address(0xA0, {static_cast<std::uint8_t>(0x80 | first >> 8),
                                       static_cast<std::uint8_t>(first)}));
        for (std::uint32_t i = 0; i <= part.page; ++i)
            bus.Write(static_cast<std::uint8_t>(i));
        bus.Stop();
        bus.WaitMs(5);
        bus.Address(0xA0, {});
        bus.Stop();
        const auto& mem = bus.chip().Memory();
        EXPECT_EQ(mem[first], part.page) << part.name << ": the last byte wrapped to the first";
        EXPECT_EQ(mem[first + 1], 1) << part.name;
        EXPECT_EQ(mem[first + part.page - 1], part.page - 1) << part.name;
        EXPECT_EQ(mem[first + part.page], 0xFF) << part.name << ": the next page untouched";
        EXPECT_EQ(mem[first - 1], 0xFF) << part.name;
    }
}

TEST(SerialEeprom, AcknowledgesNothingDuringTheWriteCycle) {
    BusMaster bus("24C16");
    ASSERT_TRUE(bus.Address(0xA0, {0x00}));
    bus.Write(0x42);
    bus.Stop();
    bus.WaitMs(1);
    EXPECT_FALSE(bus.Address(0xA0, {}));
    bus.WaitMs(3);
    EXPECT_FALSE(bus.Address(0xA0, {}));
    bus.WaitMs(1); // 5 ms since the stop, and more for the port accesses
    EXPECT_TRUE(bus.Address(0xA0, {}));
    bus.Stop();
    EXPECT_EQ(bus.chip().Memory()[0], 0x42);
}

TEST(SerialEeprom, WriteWithoutItsStopOrWithoutDataWritesNothing) {
    BusMaster bus("24C08", FilledContents(1024, 0x11));
    ASSERT_TRUE(bus.Address(0xA0, {0x05}));
    bus.Write(0x99);
    bus.Start(); // repeated start: the byte is dropped
    EXPECT_TRUE(bus.Write(0xA0));
    bus.Write(0x06);
    bus.Stop();                         // address only: a dummy write
    EXPECT_TRUE(bus.Address(0xA0, {})); // no write cycle runs, so it answers at once
    bus.Stop();
    EXPECT_EQ(bus.chip().Memory()[5], 0x11);
    EXPECT_EQ(bus.chip().Memory()[6], 0x11);
}

TEST(SerialEeprom, SequentialReadRollsOverAtTheEndAndEndsOnANack) {
    auto contents = AddressPatternContents(1024);
    BusMaster bus("24C08", contents);
    ASSERT_TRUE(bus.Address(0xA6, {0xFE})); // dummy write of 3FEh
    bus.Start();
    ASSERT_TRUE(bus.Write(0xA1));
    EXPECT_EQ(bus.Read(true), contents[0x3FE]);
    EXPECT_EQ(bus.Read(true), contents[0x3FF]);
    EXPECT_EQ(bus.Read(false), contents[0]); // rolled over to the first byte
    // Without the acknowledge the chip let go of the line: it reads high, and the
    // stop condition happens.
    EXPECT_TRUE(bus.Line());
    bus.Stop();
    EXPECT_TRUE(bus.chip().Standby());
    EXPECT_EQ(bus.chip().Probe().Events().back().kind, 'P');
}

TEST(SerialEeprom, AcknowledgedByteKeepsTheChipSendingSoAStopCannotHappen) {
    auto contents = FilledContents(1024, 0x00);
    contents[0] = 0x3C; // below 80h: its first bit holds the line low
    BusMaster bus("24C08", contents);
    ASSERT_TRUE(bus.Address(0xA0, {0xFF}));
    bus.Start();
    ASSERT_TRUE(bus.Write(0xA1));
    bus.Read(true); // 3FFh, acknowledged: the chip drives the first bit of byte 0
    EXPECT_FALSE(bus.Line());
    bus.Stop();
    EXPECT_FALSE(bus.chip().Standby());
    EXPECT_NE(bus.chip().Probe().Events().back().kind, 'P');
}

TEST(SerialEeprom, ChipPullsTheLineLowAgainstTheBoardDrivingHigh) {
    BusMaster bus("24C08");
    bus.Start();
    for (int bit = 0; bit < 8; ++bit) { // A1h: the last bit is a 1, still driven
        bus.Drive(((0xA1 >> (7 - bit)) & 1) != 0);
        bus.Clock(true);
        bus.Clock(false);
    }
    // The acknowledge pulls D7 low although register 4 drives it high.
    EXPECT_EQ(bus.board().Regs().r[4] & 0x80, 0x80);
    EXPECT_FALSE(bus.Line());
    EXPECT_EQ(bus.chip().Contentions(), 1);
}

TEST(SerialEeprom, FaultsAChipThatStaysBusyAndAByteThatNeverTakes) {
    BusMaster busy("24C32", FilledContents(4096, 0xFF));
    busy.chip().StayBusy();
    busy.Address(0xA0, {0x00, 0x00});
    busy.Write(0x00);
    busy.Stop();
    busy.WaitMs(1000);
    EXPECT_FALSE(busy.Address(0xA0, {}));
    EXPECT_EQ(busy.chip().Memory()[0], 0xFF);

    BusMaster weak("24C08", FilledContents(1024, 0xFF));
    weak.chip().NeverTakes(0x101);
    weak.Address(0xA2, {0x00});
    for (int byte : {0x10, 0x20, 0x30})
        weak.Write(static_cast<std::uint8_t>(byte));
    weak.Stop();
    weak.WaitMs(5);
    weak.Address(0xA0, {});
    weak.Stop();
    EXPECT_EQ(weak.chip().Memory()[0x100], 0x10);
    EXPECT_EQ(weak.chip().Memory()[0x101], 0xFF);
    EXPECT_EQ(weak.chip().Memory()[0x102], 0x30);
}

} // namespace
} // namespace quorbit::sim
