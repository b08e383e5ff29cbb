// quorbit-cli program against the simulated board: the chip holds the image after
// --yes, Cancel without it, voltages the device does not allow refused, blank check
// first and verify after, and weak or stuck cells ending in success or failure.
#include "CliRun.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

using ProgramCli = CliInTempDir;

TEST_F(ProgramCli, YesProgramsTheImageAndCancelIsTheDefault) {
    const auto image = sim::RandomContents(32768, 21);
    WriteFile("image.bin", image);
    CliResult r = Run("--yes --sim-chip 27C256 --sim-save chip.bin program -d 27C256 image.bin");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(FileBytes("chip.bin") == image);
    EXPECT_TRUE(r.OutHas(">  Programming Started... Wait \n"));
    EXPECT_TRUE(r.OutHas(">  Programming Device Successfull\n"));

    r = Run("--sim-chip 27C256 --sim-save chip.bin program -d 27C256 image.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Programming was Canceled by Operator\n"));
    EXPECT_TRUE(FileBytes("chip.bin") == std::vector<std::uint8_t>(32768, 0xFF));
}

TEST_F(ProgramCli, VoltageMustBeOneTheDeviceAllows) {
    WriteFile("small.bin", sim::RandomContents(4096, 22));
    CliResult r = Run("--yes --sim-chip 2732A program -d 2732A small.bin --voltage 25 "
                      "--verify-after --speed 20");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(
        r.OutHas(">  BE CAREFULL!!! You just Selected Programming Voltage as 25 Volts!!!\n"));
    EXPECT_TRUE(r.OutHas(">  Wait 1500ms second VPP Settling\n"));
    EXPECT_TRUE(r.OutHas(">  Device Contents MATCHES with Buffer Contents\n"));

    r = Run("--yes --sim-chip 27C256 program -d 27C256 small.bin --voltage 21");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.ErrHas("A programming voltage of 21 V is not allowed for Eprom 27C256"));
    EXPECT_FALSE(r.OutHas("Programming Button Pressed"));
    EXPECT_EQ(Run("--yes program -d AM29F040 small.bin --voltage 12.5").status, 2);
    EXPECT_EQ(Run("--yes program -d 27C256 small.bin --voltage 13").status, 2);
    EXPECT_EQ(Run("--yes program -d 27C256 missing.bin").status, 2);
}

TEST_F(ProgramCli, WeakCellStillProgramsAndStuckCellFails) {
    std::vector<std::uint8_t> image(65536, 0xFF);
    image[0x100] = 0x00;
    WriteFile("image.bin", image);
    CliResult r =
        Run("--yes --sim-chip 27C512 --sim-fault weak:100:60 program -d 27C512 image.bin");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Programming Device Successfull\n"));

    r = Run("--yes --sim-chip 27C512 --sim-fault 100:6:1 program -d 27C512 image.bin "
            "--verify-after");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  *** Address:100h, Programming BYTE:0h, Read BYTE:40h\n"));
    EXPECT_FALSE(r.OutHas("Programming Device Successfull"));
    EXPECT_FALSE(r.OutHas("Verify Function Started"));

    EXPECT_EQ(
        Run("--yes --sim-chip 27C512 --sim-fault weak:100 program -d 27C512 image.bin").status, 2);
}

TEST_F(ProgramCli, BlankFirstRefusesAProgrammedChip) {
    WriteFile("image.bin", sim::RandomContents(32768, 23));
    const CliResult r = Run("--yes --sim-chip 27C256 --sim-image fill:00 --sim-save chip.bin "
                            "program -d 27C256 image.bin --blank-first");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Device IS NOT BLANK (ERASED)\n"));
    EXPECT_FALSE(r.OutHas("Programming Started"));
    EXPECT_TRUE(FileBytes("chip.bin") == std::vector<std::uint8_t>(32768, 0x00));
}

} // namespace
} // namespace quorbit::test
