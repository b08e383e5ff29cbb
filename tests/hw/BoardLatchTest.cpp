// The latch protocol, line operations and address counters, checked on the exact
// port writes they produce.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "hw/Board.h"

namespace quorbit::test {
namespace {

struct LatchBoard : ::testing::Test {
    RecordingPort port;
    Board board{port};

    void SetUpModel(int model) {
        board.InitRegisterTables();
        board.BuildLookupTables();
        board.DataPort = 0x378;
        board.BoardModel = model;
        board.PortSetup();
    }
    std::vector<std::pair<int, int>> WritesAfter(const std::function<void()>& action) {
        port.log.clear();
        action();
        return port.Writes();
    }
};

using W = std::vector<std::pair<int, int>>;

TEST_F(LatchBoard, EachModelLatchesWithItsOwnCodesAndStrobePolarity) {
    SetUpModel(4);
    board.Reg2Shadow = 0xA5;
    EXPECT_EQ(WritesAfter([&] { board.SetReg2(); }),
              (W{{0x378, 0xA5}, {0x37A, 0x08}, {0x37A, 0x09}, {0x37A, 0x08}}));

    SetUpModel(5);
    board.Reg0Shadow = 0x40;
    EXPECT_EQ(WritesAfter([&] { board.SetReg0(); }),
              (W{{0x378, 0x40}, {0x37A, 0x05}, {0x37A, 0x04}, {0x37A, 0x05}}));

    SetUpModel(6);
    const int select[5] = {0x05, 0x0D, 0x07, 0x0F, 0x01};
    const int strobe[5] = {0x04, 0x0C, 0x06, 0x0E, 0x00};
    for (int reg = 0; reg < 5; ++reg) {
        board.Shadow(reg) = 0x11 * reg;
        EXPECT_EQ(WritesAfter([&] { board.SetReg(reg); }), (W{{0x378, 0x11 * reg},
                                                              {0x37A, select[reg]},
                                                              {0x37A, strobe[reg]},
                                                              {0x37A, select[reg]}}))
            << "register " << reg;
    }
}

TEST_F(LatchBoard, PortDelayPacesEveryLatchWriteExceptTheLast) {
    SetUpModel(5);
    board.PortDelayCount = 12;
    port.log.clear();
    board.SetReg1();
    std::string kinds;
    for (const auto& a : port.log)
        kinds += a.kind;
    EXPECT_EQ(kinds, "OBOBOBO");
    EXPECT_EQ(port.log[1].value, 120); // 12 passes of 10 steps

    board.PortDelayCount = 0; // not computed yet: no pauses at all
    port.log.clear();
    board.SetReg1();
    EXPECT_EQ(port.log.size(), 4u);
}

TEST_F(LatchBoard, ShadowOutsideAByteIsRefusedBeforeAnythingIsWritten) {
    SetUpModel(6);
    board.Reg4Shadow = 256;
    port.log.clear();
    EXPECT_THROW(board.SetReg4(), std::overflow_error);
    EXPECT_TRUE(port.log.empty());
    board.Reg4Shadow = -1;
    EXPECT_THROW(board.SetReg4(), std::overflow_error);
}

TEST_F(LatchBoard, NoPortChosenMeansNothingReachesThePort) {
    SetUpModel(6);
    board.DataPort = 0;
    port.log.clear();
    board.PortDelayCount = 12;
    board.ResetLines();
    board.ReadDataByte();
    board.WaitStatusSettle();
    board.SleepMs(500);
    EXPECT_TRUE(port.log.empty()); // no write, no read, no wait reaches the backend
    EXPECT_EQ(board.In(1), 0xFF);
}

TEST_F(LatchBoard, LineOperationsChangeOnlyTheirBitsAndLatchInOrder) {
    SetUpModel(6);
    board.Reg0Shadow = 0x40;
    board.Reg3Shadow = 0xC4;
    board.ApplyVpp24();
    EXPECT_EQ(board.Reg0Shadow, 0xC0);
    board.EnableOutput(); // clears VPP and OE together
    EXPECT_EQ(board.Reg0Shadow, 0x00);

    auto writes = WritesAfter([&] { board.EnableChipAndOutput(); });
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_EQ(writes[1].second, 0x0F); // register 3 first
    EXPECT_EQ(writes[5].second, 0x05); // then register 0
    EXPECT_EQ(board.Reg3Shadow, 0x44);

    writes = WritesAfter([&] { board.DisableChipAndOutput(); });
    EXPECT_EQ(writes[1].second, 0x0F);
    EXPECT_EQ(writes[5].second, 0x05);
    EXPECT_EQ(board.Reg3Shadow, 0xC4);
    EXPECT_EQ(board.Reg0Shadow, 0x40);

    board.DriveDataPins();
    EXPECT_EQ(board.Reg3Shadow, 0x84);
    board.ReleaseDataPins();
    EXPECT_EQ(board.Reg3Shadow, 0xC4);
    board.BoardIndicatorOn();
    EXPECT_EQ(board.Reg0Shadow, 0x48);
    board.FlipBoardIndicator();
    EXPECT_EQ(board.Reg0Shadow, 0x40);
}

TEST_F(LatchBoard, AddressCountersSplitAndCarry) {
    SetUpModel(6);
    board.Address = 70000;
    board.SplitAddress();
    EXPECT_EQ(board.AdrBank, 1);
    EXPECT_EQ(board.AdrPage, 17);
    EXPECT_EQ(board.AdrLow, 112);

    board.Address = 0x1FFFF;
    board.SplitAddress();
    board.NextAddress();
    EXPECT_EQ(board.Address, 0x20000);
    EXPECT_EQ(board.AdrLow, 0);
    EXPECT_EQ(board.AdrPage, 0);
    EXPECT_EQ(board.AdrBank, 2);
}

TEST_F(LatchBoard, SetAdrComposesMapsAndDeviceBits) {
    SetUpModel(6);
    board.DeviceReg1Bits = 0x80;
    board.DeviceReg3Bits = 0x04;
    board.BankMap[5] = 9;
    board.Reg3Shadow = 0xC0;
    board.Address = 5 * 65536 + 0x1234;
    board.SplitAddress();
    const auto writes = WritesAfter([&] { board.LatchAddress(); });
    ASSERT_EQ(writes.size(), 12u);
    EXPECT_EQ(writes[0].second, 0x12 | 0x80);  // register 1
    EXPECT_EQ(writes[4].second, 0x34);         // register 2
    EXPECT_EQ(writes[8].second, 0xC0 | 9 | 4); // register 3 keeps its high bits
}

TEST_F(LatchBoard, XicorAddressWritesOnlyChangedRegisters) {
    SetUpModel(6);
    board.DeviceReg1Bits = 64;
    board.DeviceReg3Bits = 2;
    board.Reg3Shadow = 0xC0;
    board.Address = 0;
    board.SplitAddress();
    board.LatchX28Address();
    EXPECT_EQ(board.Reg1Shadow, 64); // page 0: the device bits only
    EXPECT_TRUE(WritesAfter([&] { board.LatchX28Address(); }).empty());

    board.Address = 0x4000 + 0x12; // A14 set
    board.SplitAddress();
    const auto writes = WritesAfter([&] { board.LatchX28Address(); });
    EXPECT_EQ(writes.size(), 8u);      // registers 1 and 2 only
    EXPECT_EQ(board.Reg1Shadow, 0xC0); // A8-A13 = 0, bit 6 held high, A14 on bit 7
}

TEST_F(LatchBoard, ResetIdlesTheLinesAndLeavesRegisterFourAlone) {
    SetUpModel(4);
    board.DeviceReg1Bits = 192;
    board.DeviceReg3Bits = 2;
    board.Reg4Shadow = 0x5A;
    board.Address = 1234;
    const auto writes = WritesAfter([&] { board.ResetLines(); });
    ASSERT_EQ(writes.size(), 16u); // registers 0, 1, 2, 3
    EXPECT_EQ(writes[0].second, 0x40);
    EXPECT_EQ(writes[4].second, 192);
    EXPECT_EQ(writes[8].second, 0);
    EXPECT_EQ(writes[12].second, 0xC6);
    EXPECT_EQ(board.Address, 0);
    EXPECT_EQ(board.Reg4Shadow, 0x5A);
}

} // namespace
} // namespace quorbit::test
