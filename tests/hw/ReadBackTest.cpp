// Decoding the two status-line halves into a data byte.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "hw/Board.h"

namespace quorbit::test {
namespace {

TEST(ReadBackTables, MatchTheWorkedExamples) {
    RecordingPort port;
    Board board(port);
    board.BuildLookupTables();
    EXPECT_EQ(board.Model4DecodeTable[0x00], 0x22);
    EXPECT_EQ(board.Model4DecodeTable[0x01], 0x2A);
    EXPECT_EQ(board.Model4DecodeTable[0x10], 0xA2);
    EXPECT_EQ(board.Model4DecodeTable[0xFF], 0xDD);
    EXPECT_EQ(board.LowNibbleTable[0x78], 0x0F);
    EXPECT_EQ(board.HighNibbleTable[0x78], 0xF0);
    // Status bit 7 never reaches the data on models 5 and 6.
    for (int s = 0; s < 128; ++s)
        EXPECT_EQ(board.LowNibbleTable[static_cast<std::size_t>(s)],
                  board.LowNibbleTable[static_cast<std::size_t>(s | 0x80)]);
    // The model-4 decode is a permutation: every byte has exactly one raw pair.
    std::array<int, 256> seen{};
    for (auto v : board.Model4DecodeTable)
        ++seen[v];
    for (int count : seen)
        EXPECT_EQ(count, 1);
}

struct ReadBackOnModel : ::testing::TestWithParam<int> {
    RecordingPort port;
    Board board{port};
    void SetUp() override {
        board.InitRegisterTables();
        board.BuildLookupTables();
        board.DataPort = 0x278;
        board.BoardModel = GetParam();
        board.PortSetup();
    }
};

TEST_P(ReadBackOnModel, BothStatusReadsAt78hGiveFF) {
    port.reads = {0x78, 0x78};
    board.DataIn = 0;
    board.ReadDataByte();
    EXPECT_EQ(board.DataIn, 0xFF);
    const auto w = port.Writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], std::make_pair(0x27A, board.ReadSelectLow));
    EXPECT_EQ(w[1], std::make_pair(0x27A, board.ReadSelectHigh));
    EXPECT_EQ(port.log[1].port, 0x279);
}

INSTANTIATE_TEST_SUITE_P(Models, ReadBackOnModel, ::testing::Values(4, 5, 6));

TEST(ReadBack, UnknownModelTouchesNothingAndKeepsDataIn) {
    RecordingPort port;
    Board board(port);
    board.BuildLookupTables();
    board.DataPort = 0x378;
    board.DataIn = 0x5C;
    board.ReadDataByte();
    board.ReadHighNibble();
    EXPECT_EQ(board.DataIn, 0x5C);
    EXPECT_TRUE(port.log.empty());
}

TEST(ReadBack, SerialLineReadOnModel4SeesOnlyTheHighHalf) {
    RecordingPort port;
    Board board(port);
    board.InitRegisterTables();
    board.BuildLookupTables();
    board.DataPort = 0x378;
    board.BoardModel = 4;
    board.PortSetup();
    port.reads = {0x80};
    board.ReadHighNibble();
    EXPECT_EQ(board.DataIn, 0x02);
    EXPECT_EQ(port.Writes(), (std::vector<std::pair<int, int>>{{0x37A, 4}}));
}

TEST(ReadBack, EveryByteComesBackThroughTheSimulatedBoardOnEveryModel) {
    for (int model : {4, 5, 6}) {
        std::vector<std::uint8_t> rom(256);
        for (std::size_t i = 0; i < 256; ++i)
            rom[i] = static_cast<std::uint8_t>(i ^ 0x5A);
        sim::SimBoard simBoard(model, 0x3BC);
        simBoard.Insert(std::make_unique<sim::RomChip>("test rom", rom));
        Board board(simBoard);
        board.InitRegisterTables();
        board.BuildLookupTables();
        board.DataPort = 0x3BC;
        board.BoardModel = model;
        board.PortSetup();
        board.ResetLines();
        board.ReleaseDataPins();
        board.EnableChipAndOutput();
        for (int a = 0; a < 256; ++a) {
            board.Reg2Shadow = a;
            board.SetReg2();
            board.ReadDataByte();
            ASSERT_EQ(board.DataIn, a ^ 0x5A) << "model " << model << " address " << a;
        }
    }
}

} // namespace
} // namespace quorbit::test
