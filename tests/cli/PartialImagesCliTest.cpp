// The command line with images that do not cover the chip: a short file programs
// its own bytes and leaves the rest, verifying by default; an image past the chip
// or an empty one is refused as bad input before the chip is touched.
#include <gtest/gtest.h>

#include "CliRun.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

using PartialImagesCli = CliInTempDir;

TEST_F(PartialImagesCli, ShortFileProgramsItsBytesLeavesTheRestAndVerifies) {
    auto chip = sim::RandomContents(32768, 21);
    std::fill_n(chip.begin(), 1000, 0xFF); // blank where the file goes, data after it
    WriteFile("chip.bin", chip);
    const auto image = sim::RandomContents(1000, 22);
    WriteFile("image.bin", image);
    const CliResult e = Run("--sim-chip 27C256 --sim-image chip.bin --sim-save after.bin --yes "
                            "program -d 27C256 image.bin");
    EXPECT_EQ(e.status, 0) << e.out << e.err;
    EXPECT_TRUE(e.OutHas(">  Raw binary image covers 0-3E7; the rest of the buffer is FFh\n"));
    EXPECT_TRUE(e.OutHas(">  Programming Device Successfull\n"));
    EXPECT_TRUE(
        e.OutHas(">  Device Contents MATCHES with Buffer Contents\n")); // verified by default
    auto want = chip;
    std::copy(image.begin(), image.end(), want.begin());
    EXPECT_EQ(FileBytes("after.bin"), want);

    const CliResult n = Run("--sim-chip 27C256 --sim-image chip.bin --yes program -d 27C256 "
                            "--no-verify image.bin");
    EXPECT_EQ(n.status, 0) << n.out << n.err;
    EXPECT_FALSE(n.OutHas("Verify Function Started"));
}

TEST_F(PartialImagesCli, ImagePastTheChipOrEmptyIsExitTwoAndTheChipUntouched) {
    const auto chip = sim::RandomContents(32768, 23);
    WriteFile("chip.bin", chip);
    WriteFile("big.bin", std::vector<std::uint8_t>(32769, 0x00));
    WriteFile("empty.bin", {});
    for (const char* verb : {"program", "verify"}) {
        const CliResult big = Run(std::string("--sim-chip X28C256 --sim-image chip.bin "
                                              "--sim-save after.bin --yes ") +
                                  verb + " -d X28C256 big.bin");
        EXPECT_EQ(big.status, 2) << verb << big.out << big.err;
        EXPECT_TRUE(big.OutHas("The image reaches address 8000h (32769 bytes) but the Eeprom "
                               "XICOR X28C256 holds 32768 bytes - the device was not accessed"))
            << big.out;
        EXPECT_EQ(FileBytes("after.bin"), chip);
        const CliResult empty = Run(std::string("--sim-chip X28C256 --sim-image chip.bin --yes ") +
                                    verb + " -d X28C256 empty.bin");
        EXPECT_EQ(empty.status, 2) << verb << empty.out << empty.err;
        EXPECT_TRUE(empty.OutHas("The image holds no bytes - the device was not accessed"));
    }
}

} // namespace
} // namespace quorbit::test
