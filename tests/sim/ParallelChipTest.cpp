// The socket wiring of the parallel families, seen from the board registers.
#include <gtest/gtest.h>

#include "catalog/Catalog.h"
#include "sim/ChipFactory.h"
#include "sim/SimContents.h"

namespace quorbit::sim {
namespace {

/// Register values of a read at rest: OE and CE active, data pins released.
Registers ReadRegs(std::uint8_t r1, std::uint8_t r2, std::uint8_t r3) {
    Registers regs;
    regs.r = {0x00, r1, r2, static_cast<std::uint8_t>(0x40 | r3), 0x00};
    return regs;
}

std::unique_ptr<ParallelChip> Chip(int row) {
    return MakeParallelSimChip(row, AddressPatternContents(SimChipSize(row)));
}

TEST(Wiring, TwentyFourPinPartNeedsItsSupplyLine) {
    auto chip = Chip(2); // 2732A: VCC reaches it through register 1 bit 5
    EXPECT_EQ(chip->Output(ReadRegs(0x20 | 0x0A, 0x34, 0)), AddressPatternByte(0xA34));
    EXPECT_EQ(chip->Output(ReadRegs(0x0A, 0x34, 0)), std::nullopt);
}

TEST(Wiring, TwentyEightPinPartNeedsRegister3Bit1) {
    auto chip = Chip(11); // 27C256
    EXPECT_EQ(chip->Output(ReadRegs(0x80 | 0x7F, 0xFF, 0x02)), AddressPatternByte(0x7FFF));
    EXPECT_EQ(chip->Output(ReadRegs(0x80 | 0x7F, 0xFF, 0x00)), std::nullopt);
}

TEST(Wiring, OutputsNeedChipEnableAndOutputEnable) {
    auto chip = Chip(21); // 27C080
    Registers regs = ReadRegs(0x12, 0x34, 0x05);
    EXPECT_EQ(chip->Output(regs), AddressPatternByte(0x51234));
    regs.r[3] |= 0x80; // CE inactive
    EXPECT_EQ(chip->Output(regs), std::nullopt);
    regs = ReadRegs(0x12, 0x34, 0x05);
    regs.r[0] = 0x40; // OE inactive
    EXPECT_EQ(chip->Output(regs), std::nullopt);
    regs.r[0] = 0x80; // programming voltage on the OE/VPP pin
    EXPECT_EQ(chip->Output(regs), std::nullopt);
}

TEST(Wiring, X28C256TakesA14OnRegister1Bit7AndWriteEnableOnBit6) {
    auto chip = Chip(33);
    // Page 7Fh: A8-A13 = 3Fh in bits 0-5, write enable held high, A14 on bit 7.
    EXPECT_EQ(chip->Output(ReadRegs(0xFF, 0x01, 0x02)), AddressPatternByte(0x7F01));
    EXPECT_EQ(chip->Pins(ReadRegs(0xFF, 0x01, 0x02)).we, false);
    EXPECT_EQ(chip->Pins(ReadRegs(0xBF, 0x01, 0x02)).we, true);
}

TEST(Wiring, At29C256TakesWriteEnableOnRegister1Bit7) {
    auto chip = Chip(23);
    EXPECT_EQ(chip->Output(ReadRegs(0x80 | 0x45, 0x67, 0x02)), AddressPatternByte(0x4567));
    EXPECT_EQ(chip->Pins(ReadRegs(0x45, 0x67, 0x02)).we, true);
}

TEST(Wiring, Am29F040TakesA18OnRegister3Bit3AndWriteEnableOnBit2) {
    auto chip = Chip(27);
    EXPECT_EQ(chip->Output(ReadRegs(0xAB, 0xCD, 0x08 | 0x04 | 0x03)), AddressPatternByte(0x7ABCD));
    EXPECT_EQ(chip->Pins(ReadRegs(0, 0, 0x08)).we, true);
    EXPECT_EQ(chip->Pins(ReadRegs(0, 0, 0x04)).we, false);
}

TEST(Wiring, EpromProgrammingPinsFollowTheirLines) {
    auto e2764 = Chip(6);
    EXPECT_TRUE(e2764->Pins(ReadRegs(0x80, 0, 0x02)).we); // PGM (register 1 bit 6) low
    Registers regs = ReadRegs(0xC0, 0, 0x02);
    regs.r[0] = 0x10; // programming voltage switched to socket pin 3
    EXPECT_TRUE(e2764->Pins(regs).vpp);
    auto e27c010 = Chip(15);
    EXPECT_TRUE(e27c010->Pins(ReadRegs(0, 0, 0x08)).we); // PGM (register 3 bit 2) low
    regs = ReadRegs(0, 0, 0x0C);
    regs.r[0] = 0x20; // programming voltage switched to socket pin 1
    EXPECT_TRUE(e27c010->Pins(regs).vpp);
}

TEST(Defects, StuckBitShowsOnlyAtItsAddress) {
    auto chip = MakeParallelSimChip(11, FilledContents(32768, 0xFF));
    chip->StickBit(0x1234, 3, false);
    EXPECT_EQ(chip->Output(ReadRegs(0x80 | 0x12, 0x34, 0x02)), 0xF7);
    EXPECT_EQ(chip->Output(ReadRegs(0x80 | 0x12, 0x35, 0x02)), 0xFF);
    EXPECT_EQ(chip->Memory()[0x1234], 0xFF); // the stored byte itself is intact
}

TEST(Factory, EveryParallelRowHasAModelOfItsSizeAndSerialRowsNone) {
    for (int row : {1,  2,  6,  8,  11, 12, 13, 15, 17, 19, 21, 22, 23, 24, 25,
                    26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 41, 42, 43, 46, 47}) {
        auto chip = MakeParallelSimChip(row, {});
        ASSERT_NE(chip, nullptr) << row;
        EXPECT_EQ(chip->Memory().size(), SimChipSize(row)) << row;
    }
    EXPECT_EQ(MakeParallelSimChip(36, {}), nullptr);
    EXPECT_EQ(MakeParallelSimChip(44, {}), nullptr);
    EXPECT_EQ(MakeParallelSimChip(CatalogRowCount() + 1, {}), nullptr);
}

TEST(Contents, GeneratedDescriptions) {
    std::string error;
    EXPECT_EQ(GeneratedContents("fill:5a", 3, error),
              (std::vector<std::uint8_t>{0x5A, 0x5A, 0x5A}));
    EXPECT_EQ(GeneratedContents("random:7", 16, error), RandomContents(16, 7));
    EXPECT_NE(RandomContents(16, 7), RandomContents(16, 8));
    EXPECT_EQ(GeneratedContents("pattern:address", 4, error), AddressPatternContents(4));
    EXPECT_EQ(GeneratedContents("image.bin", 4, error), std::nullopt);
    EXPECT_TRUE(error.empty());
    auto bad = GeneratedContents("fill:100", 4, error);
    ASSERT_TRUE(bad.has_value());
    EXPECT_TRUE(bad->empty());
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace quorbit::sim
