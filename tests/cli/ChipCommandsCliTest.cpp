// quorbit-cli read, blank and verify against the simulated board: files written,
// log lines printed, exit status 0 (done), 1 (operation failed), 2 (bad input).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliRun.h"
#include "Fakes.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

using Result = CliResult;

struct Cli : CliInTempDir {};

TEST_F(Cli, ReadWritesTheChipToTheFile) {
    const auto image = sim::RandomContents(32768, 5);
    WriteFile("f.bin", image);
    const Result r = Run("--sim-chip 27C256 --sim-image f.bin read -o out.bin --device 27C256");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir / "out.bin"), std::string(image.begin(), image.end()));
    EXPECT_TRUE(r.OutHas(">  32768 bytes Read from Device\n"));
    EXPECT_TRUE(r.OutHas(">  File Sucessfully Saved as out.bin\n"));
    EXPECT_FALSE(r.ErrHas("Reading:")); // no progress line when stderr is not a terminal
}

TEST_F(Cli, ReadThroughEachModelWithAForcedOrDetectedBoard) {
    const auto pattern = sim::AddressPatternContents(512 * 1024);
    for (const std::string model : {"4", "5", "6"}) {
        const Result r = Run("--sim-model " + model +
                             " --sim-chip AM29F040 --sim-image pattern:address --model " + model +
                             " --port 378 read -o m.bin --device AM29F040");
        EXPECT_EQ(r.status, 0) << model << r.err;
        EXPECT_EQ(ReadBytes(dir / "m.bin"), std::string(pattern.begin(), pattern.end())) << model;
    }
}

TEST_F(Cli, BlankPassesOnAnErasedChipAndFailsOnAProgrammedOne) {
    Result r = Run("--sim-chip 27C010 blank --device 27C010");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Device IS BLANK (ERASED)\n"));

    r = Run("--sim-chip 27C010 --sim-image fill:FF --sim-fault 1ABCD:4:0 blank --device 27C010");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Device IS NOT BLANK (ERASED)\n"));
    EXPECT_TRUE(r.OutHas(">  Address: 1ABCD ][ Device Data: EF\n"));
    EXPECT_TRUE(r.ErrHas("[Critical Message] Program or Compare Error"));
}

TEST_F(Cli, VerifyMatchesAndReportsADefectiveCell) {
    WriteFile("zero.bin", std::vector<std::uint8_t>(4096, 0x00));
    Result r = Run("--sim-chip 2732A --sim-image fill:00 verify zero.bin --device 2732A");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Device Contents MATCHES with Buffer Contents\n"));
    EXPECT_TRUE(r.OutHas(">  Device CHKSUMM = $0000\n"));

    r = Run("--sim-chip 2732A --sim-image fill:00 --sim-fault 1F3:0:1 verify zero.bin "
            "--device 2732A");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Address: 1F3 ][ Buffer Data: 0 ][ Device Data: 1\n"));
    EXPECT_FALSE(r.OutHas("MATCHES"));
}

TEST_F(Cli, VerifyHiByteComparesTheFirstHalf) {
    std::vector<std::uint8_t> buffer(32768), chip = sim::RandomContents(32768, 3);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<std::uint8_t>(i * 7);
    for (std::size_t i = 0; i < 16384; ++i)
        chip[i] = buffer[2 * i + 1];
    WriteFile("image.bin", buffer);
    WriteFile("chip.bin", chip);
    const Result r =
        Run("--sim-chip X28C256 --sim-image chip.bin verify image.bin --device X28C256 --bytes hi");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(
        r.OutHas(">  Compared where the image holds bytes: 0-3FFF (16384 of 32768 bytes)\n"));
}

TEST_F(Cli, NoBoardFailsWithoutWritingTheOutput) {
    const Result r = Run("--sim-model 0 --sim-chip 27C256 read -o out.bin --device 27C256");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("No QUORBIT board is known"));
    EXPECT_TRUE(r.ErrHas("TestPort"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
}

TEST_F(Cli, BadInputExitsWithTwo) {
    WriteFile("f.bin", {1, 2, 3});
    EXPECT_EQ(Run("--sim-chip 27C256 blank --device NoSuchChip").status, 2);
    const Result na = Run("--sim-chip 27C256 blank --device \"Flash Atmel AT29F040\"");
    EXPECT_EQ(na.status, 2);
    EXPECT_TRUE(na.ErrHas("N/A"));
    EXPECT_EQ(Run("--sim-chip 27C256 verify missing.bin --device 27C256").status, 2);
    EXPECT_EQ(Run("--sim-chip 27C256 blank --device 27C256 --speed 25").status, 2);
    EXPECT_EQ(Run("--sim-chip 27C256 blank --device 27C256 --bytes odd").status, 2);
    EXPECT_EQ(Run("--sim-chip 27C256 --sim-fault 9000:0:1 blank --device 27C256").status, 2);
    EXPECT_EQ(Run("--sim-chip 27C256 --sim-image fill:XYZ blank --device 27C256").status, 2);
    // Blank check does not exist for a serial EEPROM.
    const Result serial = Run("blank --device 24C16");
    EXPECT_EQ(serial.status, 2);
    EXPECT_TRUE(serial.ErrHas("not available"));
}

TEST_F(Cli, SimulatedContentsWithoutASocketChipAreRefusedNotIgnored) {
    // Without --sim-chip the socket follows the device and holds an erased chip:
    // the contents asked for would silently not be there and a blank check pass.
    const Result image = Run("--sim-image fill:00 blank --device 27C256");
    EXPECT_EQ(image.status, 2);
    EXPECT_TRUE(image.ErrHas("--sim-chip"));
    EXPECT_FALSE(image.OutHas("Device IS BLANK"));
    const Result fault = Run("--sim-fault 1F3:0:0 blank --device 27C256");
    EXPECT_EQ(fault.status, 2);
    EXPECT_TRUE(fault.ErrHas("--sim-chip"));
    const Result otherBackend = Run("--backend direct --sim-chip 27C256 detect");
    EXPECT_EQ(otherBackend.status, 2);
    EXPECT_TRUE(otherBackend.ErrHas("--backend sim"));
}

TEST_F(Cli, UnwritableOutputIsBadInput) {
    const Result r = Run("--sim-chip 27C256 read -o no/such/dir/out.bin --device 27C256");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.OutHas("Could not save"));
}

// A forced model on a port where no board answers reads floating status lines,
// which look like an erased chip: no chip command may claim anything there.
TEST_F(Cli, ForcedModelOnAPortWithoutABoardClaimsNothing) {
    WriteFile("image.bin", std::vector<std::uint8_t>(32768, 0xFF));
    for (const std::string verb : {"blank -d 27C256", "verify -d 27C256 image.bin",
                                   "program -d 27C256 image.bin", "read -d 27C256 -o out.bin"}) {
        const Result r = Run("--sim-chip 27C256 --port 278 --model 6 --yes " + verb);
        EXPECT_EQ(r.status, 1) << verb;
        EXPECT_TRUE(r.OutHas("No QUORBIT board answers at port 278h")) << verb;
        EXPECT_FALSE(r.OutHas("Device IS BLANK (ERASED)")) << verb;
        EXPECT_FALSE(r.OutHas("MATCHES")) << verb;
        EXPECT_FALSE(r.OutHas("Programming Device Successfull")) << verb;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
}

} // namespace
} // namespace quorbit::test
