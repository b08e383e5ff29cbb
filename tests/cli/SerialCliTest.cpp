// quorbit-cli with the 24C08, 24C16 and 24C32 on the simulated board's two-wire bus.
#include "CliRun.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

struct SerialCli : CliInTempDir {
    [[nodiscard]] std::string File(const std::string& name) const { return ReadBytes(dir / name); }
};

struct SerialChip {
    const char* name;
    std::size_t size;
};
constexpr SerialChip kChips[] = {{"24C08", 1024}, {"24C16", 2048}, {"24C32", 4096}};

std::vector<std::uint8_t> Image(std::size_t size, std::uint32_t seed) {
    auto bytes = sim::RandomContents(size, seed);
    bytes[0] &= 0x7F;
    return bytes;
}

TEST_F(SerialCli, ReadAndVerifyEachChipThroughModels4And6) {
    for (const char* model : {"4", "6"}) {
        for (const SerialChip& p : kChips) {
            SCOPED_TRACE(std::string(p.name) + " on model " + model);
            const auto image = Image(p.size, static_cast<std::uint32_t>(p.size));
            WriteFile("chip.bin", image);
            const std::string board = std::string("--sim-model ") + model + " --sim-chip " +
                                      p.name + " --sim-image chip.bin ";
            CliResult r = Run(board + "read -o out.bin -d " + p.name);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(File("out.bin"), std::string(image.begin(), image.end()));
            EXPECT_TRUE(r.OutHas(">  " + std::to_string(p.size) + " bytes Read from Device\n"));
            EXPECT_FALSE(r.OutHas("CHKSUMM"));

            r = Run(board + "verify chip.bin -d " + p.name);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(r.OutHas(">  Device Contents MATCHES with Buffer Contents\n"));
        }
    }
}

TEST_F(SerialCli, ProgramEachChipWithYesAndVerifyAfter) {
    for (const SerialChip& p : kChips) {
        SCOPED_TRACE(p.name);
        const auto image = Image(p.size, static_cast<std::uint32_t>(p.size + 1));
        WriteFile("image.bin", image);
        const std::string chip = std::string("--sim-chip ") + p.name + " --sim-save chip.bin ";
        CliResult r = Run("--yes " + chip + "program image.bin --verify-after -d " + p.name);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(File("chip.bin"), std::string(image.begin(), image.end()));
        EXPECT_TRUE(r.OutHas(">  Programming Device Successfull\n"));
        EXPECT_TRUE(r.OutHas(">  Device Contents MATCHES with Buffer Contents\n"));

        r = Run(chip + "program image.bin -d " + p.name); // no --yes: Cancel
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(File("chip.bin"), std::string(p.size, '\xFF'));
    }
}

TEST_F(SerialCli, ProgramFailuresAreExitOne) {
    WriteFile("image.bin", Image(1024, 7));
    CliResult r = Run("--yes --sim-chip none program image.bin -d 24C08");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Device 24CXX DOES NOT RESPOND - ACK Error\n"));
    EXPECT_FALSE(r.OutHas("Successfull"));

    r = Run("--yes --sim-chip 24C08 --sim-fault busy program image.bin -d 24C08");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("ACK Error"));

    // An acknowledged byte that did not take is found by the writer's own read-back.
    auto image = Image(1024, 7);
    image[0x2A] = 0x00;
    WriteFile("image.bin", image);
    r = Run("--yes --sim-chip 24C08 --sim-fault nowrite:2A program image.bin -d 24C08");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  *** Address:2Ah, Programming BYTE:0h, Read BYTE:FFh\n"));
    EXPECT_FALSE(r.OutHas("Successfull"));
}

// Erasing destroys the contents as programming does: without --yes the answer is
// Cancel and the chip keeps them; with it every byte is FFh, checked by read-back.
TEST_F(SerialCli, EraseAsksFirstAndReadsBackTheErasedChip) {
    for (const std::string chip : {"24C08", "X28C256"}) {
        const std::string board =
            "--sim-chip " + chip + " --sim-image fill:00 --sim-save chip.bin ";
        CliResult r = Run(board + "erase -d " + chip);
        EXPECT_EQ(r.status, 1) << chip;
        EXPECT_TRUE(r.OutHas("Erasing Operation was Canceled by Operator")) << chip;
        EXPECT_EQ(File("chip.bin").find_first_not_of('\0'), std::string::npos) << chip;

        r = Run("--yes " + board + "erase -d " + chip);
        EXPECT_EQ(r.status, 0) << chip << r.out;
        EXPECT_EQ(File("chip.bin").find_first_not_of('\xFF'), std::string::npos) << chip;
        // Every byte is written FFh and read back: an erase, and said as one.
        EXPECT_TRUE(r.OutHas(">  Erasing Operation COMPLETED: every byte reads back FFh\n"))
            << chip << r.out;
        EXPECT_FALSE(r.OutHas("Successfull") || r.OutHas("Programmed")) << chip << r.out;
    }
    const CliResult r =
        Run("--yes --sim-chip 24C08 --sim-fault nowrite:10 --sim-image fill:00 erase -d 24C08");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("*** Address:10h, Programming BYTE:FFh, Read BYTE:0h"));
    EXPECT_FALSE(r.OutHas("Successfull"));
}

TEST_F(SerialCli, VerifyMismatchIsExitOneWithTheAddress) {
    auto image = Image(2048, 4);
    WriteFile("chip.bin", image);
    image[0x7FF] ^= 0x01;
    WriteFile("other.bin", image);
    const CliResult r = Run("--sim-chip 24C16 --sim-image chip.bin verify other.bin -d 24C16");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("Address: 7FF ][ Buffer Data: "));
    EXPECT_FALSE(r.OutHas("MATCHES"));
}

TEST_F(SerialCli, EmptySocketIsAnAcknowledgeFailureAndExitOne) {
    CliResult r = Run("--sim-chip none read -o out.bin -d 24C08");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Device 24CXX DOES NOT RESPOND - ACK Error\n"));
    EXPECT_TRUE(r.OutHas(">  Check Chip Installation Position on Socket\n"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));

    WriteFile("image.bin", std::vector<std::uint8_t>(4096, 0xFF));
    r = Run("--sim-chip none verify image.bin -d 24C32");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("ACK Error"));
    EXPECT_FALSE(r.OutHas("MATCHES"));
}

TEST_F(SerialCli, SerialFaultsAndTheEmptySocketRefuseWhatTheyCannotBe) {
    EXPECT_EQ(Run("--sim-chip 24C08 --sim-fault nowrite:400 read -o o.bin -d 24C08").status, 2);
    EXPECT_EQ(Run("--sim-chip 24C08 --sim-fault nowrite:zz read -o o.bin -d 24C08").status, 2);
    const CliResult stuckBit = Run("--sim-chip 24C08 --sim-fault 1F3:0:1 read -o o.bin -d 24C08");
    EXPECT_EQ(stuckBit.status, 2);
    EXPECT_NE(stuckBit.err.find("busy or nowrite:ADDRESS"), std::string::npos) << stuckBit.err;
    EXPECT_EQ(Run("--sim-chip none --sim-image fill:00 read -o o.bin -d 24C08").status, 2);
    // A fault that only shows on writing leaves a read alone.
    EXPECT_EQ(Run("--sim-chip 24C08 --sim-fault busy read -o o.bin -d 24C08").status, 0);
    EXPECT_EQ(Run("--sim-chip 24C08 --sim-fault nowrite:3FF read -o o.bin -d 24C08").status, 0);
}

} // namespace
} // namespace quorbit::test
