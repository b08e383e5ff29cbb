// Faults from a seed: repeatable, only kinds the chip can have, always a text that
// --sim-fault takes; the board's own read-back flip peeled off the chip faults.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "catalog/Catalog.h"
#include "sim/BoardFaults.h"
#include "sim/ChipFactory.h"
#include "sim/SeedFaults.h"

namespace quorbit::sim {
namespace {

std::string KindOf(const std::string& fault) {
    return fault.substr(0, fault.find(':'));
}

TEST(SeedFaults, ASeedAlwaysPicksTheSameFaultAndSeedsDiffer) {
    const int row = *FindCatalogRow("27C256");
    std::set<std::string> texts;
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        EXPECT_EQ(FaultForSeed(seed, row), FaultForSeed(seed, row));
        texts.insert(FaultForSeed(seed, row));
    }
    EXPECT_GT(texts.size(), 190U);
    EXPECT_EQ(FaultForSeed(12345, row), "stuck:2DE5:5:1"); // the same on every platform
}

TEST(SeedFaults, EveryKindComesUpAndEachTextIsAcceptedOnItsChip) {
    for (const char* name : {"2732A", "27C080", "AT29C256", "AM29F040", "X28C256", "24C16"}) {
        const int row = *FindCatalogRow(name);
        const bool uv = CatalogTable()[static_cast<std::size_t>(row)].family == 'P';
        const bool serial = CatalogTable()[static_cast<std::size_t>(row)].family == 'S';
        std::set<std::string> kinds;
        for (std::uint32_t seed = 1; seed <= 120; ++seed) {
            const std::string fault = FaultForSeed(seed, row);
            kinds.insert(KindOf(fault));
            SimBoard board(6, 0x378);
            auto chip = MakeErasedSimChip(row);
            EXPECT_NO_THROW(ApplyAllFaults(board, *chip, fault)) << name << " " << fault;
        }
        EXPECT_EQ(kinds.count("flip"), 1U) << name;
        EXPECT_EQ(kinds.count("stuck"), serial ? 0U : 1U) << name;
        EXPECT_EQ(kinds.count("weak"), uv ? 1U : 0U) << name;
        const bool pageWrite = std::string(name) == "AT29C256" || std::string(name) == "X28C256";
        EXPECT_EQ(kinds.count("nowrite"), serial ? 1U : 0U) << name;
        EXPECT_EQ(kinds.count("busy"), serial || pageWrite ? 1U : 0U) << name;
        EXPECT_EQ(kinds.count("protected"), pageWrite ? 1U : 0U) << name;
        const bool flash = std::string(name) == "AM29F040";
        EXPECT_EQ(kinds.count("erase-hangs") + kinds.count("id"), flash ? 2U : 0U) << name;
    }
    EXPECT_EQ(FaultForSeed(1, 0), "");
    EXPECT_EQ(FaultForSeed(1, 99), "");
}

TEST(SeedFaults, SeedsAreDecimalNumbersThatFit32Bits) {
    std::uint32_t seed = 0;
    EXPECT_TRUE(ParseFaultSeed("4294967295", seed));
    EXPECT_EQ(seed, 4294967295U);
    for (const char* bad : {"", "4294967296", "-1", "12a", " 1", "0x10"})
        EXPECT_FALSE(ParseFaultSeed(bad, seed)) << bad;
}

TEST(BoardFaults, TheFlipGoesToTheBoardAndTheRestStaysForTheChip) {
    SimBoard board(6, 0x378);
    EXPECT_EQ(ApplyBoardFaults(board, "weak:10:3,flip:1:9,1F:0:1"), "weak:10:3,1F:0:1");
    EXPECT_EQ(ApplyBoardFaults(board, "flip:1:9"), "");
    EXPECT_EQ(ApplyBoardFaults(board, ""), "");
    EXPECT_EQ(ApplyBoardFaults(board, "a,,b"), "a,,b"); // the chip's parser refuses the gap

    // Flipping every read: an erased chip never reads FFh.
    board.Insert(MakeErasedSimChip(*FindCatalogRow("27C256")));
    ApplyBoardFaults(board, "flip:1:9");
    PortIo& port = board;
    port.PortOut(0x37A, 0x0E); // model 6 register 3 selected, strobe held
    port.PortOut(0x378, 0x46); // CE active, 28-pin VCC on, data pins left to the chip
    port.PortOut(0x37A, 0x04); // register 0
    port.PortOut(0x378, 0x00); // OE active
    EXPECT_NE(board.DataBus(), 0xFF);
    EXPECT_GT(board.FlippedReads(), 0U);

    for (const char* bad :
         {"flip:", "flip:0:1", "flip:5:0", "flip:5", "flip:x:1", "flip:5:1:2", "flip:4294967296:1"})
        EXPECT_THROW(ApplyBoardFaults(board, bad), std::invalid_argument) << bad;
}

TEST(BoardFaults, EachChipTakesOnlyItsOwnFamilysFaults) {
    SimBoard board(6, 0x378);
    auto serial = MakeErasedSimChip(*FindCatalogRow("24C16"));
    EXPECT_NO_THROW(ApplyAllFaults(board, *serial, "flip:100:3,nowrite:7FF,busy"));
    EXPECT_THROW(ApplyAllFaults(board, *serial, "stuck:10:0:0"), std::invalid_argument);
    auto eprom = MakeErasedSimChip(*FindCatalogRow("27C256"));
    EXPECT_THROW(ApplyAllFaults(board, *eprom, "stuck:8000:0:0"), std::invalid_argument);
    ApplyAllFaults(board, *eprom, "stuck:10:0:0");
    EXPECT_EQ(dynamic_cast<ParallelChip&>(*eprom).ReadsAs(0x10), 0xFE);
}

} // namespace
} // namespace quorbit::sim
