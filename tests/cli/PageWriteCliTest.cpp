// quorbit-cli program with the page-write parts in the simulated socket.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Fakes.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

struct PageWriteCli : ::testing::Test {
    TempDir dir;
    int status = -1;
    std::string out;

    void Run(const std::string& args) {
        const std::string command =
            "cd '" + dir.path().string() + "' && '" QUORBIT_CLI_PATH "' --config-dir '" +
            dir.path().string() + "' " + args + " > stdout.txt 2> stderr.txt";
        const int raw = std::system(command.c_str());
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        out = ReadBytes(dir / "stdout.txt");
    }
    [[nodiscard]] bool OutHas(const std::string& text) const {
        return out.find(text) != std::string::npos;
    }
    [[nodiscard]] std::string Saved() const { return ReadBytes(dir / "chip.bin"); }
    std::string WriteImage() {
        const auto image = sim::RandomContents(32768, 11);
        std::string bytes(image.begin(), image.end());
        WriteBytes(dir / "image.bin", bytes);
        return bytes;
    }
};

// The X28C256's check that a chip is in the socket writes where the image has
// bytes, never at 0h when the image does not hold it: a bit at 0h that cannot
// change (stuck at its level) does not fail an image that starts at 1000h, and
// the bytes below the image are the chip's as they were.
TEST_F(PageWriteCli, AnX28C256ImagePastPageZeroLeavesPageZeroAlone) {
    const auto chip = sim::RandomContents(32768, 5);
    WriteBytes(dir / "old.bin", std::string(chip.begin(), chip.end()));
    const auto part = sim::RandomContents(3000, 6);
    WriteBytes(dir / "part.bin", std::string(part.begin(), part.end()));
    const std::string stuck = "0:0:" + std::to_string(chip[0] & 1);
    Run("--yes --sim-chip X28C256 --sim-image old.bin --sim-fault " + stuck +
        " --sim-save chip.bin program -d X28C256 --offset 1000 part.bin");
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(OutHas(">  Programming Device Successfull\n")) << out;
    auto want = chip;
    std::copy(part.begin(), part.end(), want.begin() + 0x1000);
    EXPECT_EQ(Saved(), std::string(want.begin(), want.end()));
}

TEST_F(PageWriteCli, ProgramsAnAT29C256) {
    const std::string image = WriteImage();
    Run("--yes --sim-chip AT29C256 --sim-image random:3 --sim-save chip.bin program -d AT29C256 "
        "image.bin");
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(Saved(), image);
    EXPECT_TRUE(OutHas(">  Programming Atmel AT29C256\n"));
    EXPECT_TRUE(OutHas(">  FLASH Atmel AT29C256 Programmed Sucessfully\n"));
    EXPECT_TRUE(OutHas(">  Programming Device Successfull\n"));
}

TEST_F(PageWriteCli, ProgramsAnX28C256) {
    const std::string image = WriteImage();
    Run("--sim-chip X28C256 --sim-image fill:00 --sim-save chip.bin program -d X28C256 "
        "image.bin --yes");
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(Saved(), image);
    EXPECT_TRUE(OutHas(">  Programming 28C256 XICOR Device\n"));
    EXPECT_TRUE(OutHas(">  XICOR 28C256 Programmed Sucessfully\n"));
}

TEST_F(PageWriteCli, FailuresEndWithStatus1) {
    WriteImage();
    Run("--yes --sim-chip AT29C256 --sim-fault busy program -d AT29C256 image.bin");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(OutHas(">  Error: At29C256 TimeOut Programming Polling\n")) << out;
    EXPECT_FALSE(OutHas("Programming Device Successfull"));

    Run("--yes --sim-chip X28C256 --sim-image fill:FF --sim-fault 10:0:1,protected "
        "program -d X28C256 image.bin");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(OutHas(">  *** Programming Failure ***\n")) << out;

    // An empty socket reads FFh like an erased chip: the erase must not pass on it.
    Run("--yes --sim-chip none erase -d X28C256");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(OutHas(">  Error: no X28C256 answers in the socket (a byte written at 0h does not "
                       "read back: no chip, or its data protection is still on)\n"))
        << out;
    EXPECT_FALSE(OutHas("Programmed Sucessfully"));

    // Without --yes the safety question is answered Cancel: the chip is untouched.
    Run("--sim-chip AT29C256 --sim-image fill:FF --sim-save chip.bin program -d AT29C256 "
        "image.bin");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Saved(), std::string(32768, '\xFF'));
}

// The simulated port's speed: a protected X28C256 programs at the slowest slider
// on a 2 us port, but not on a 20 us one, where its command and page loads no longer fit
// the chip's 100 us byte-load window.
TEST_F(PageWriteCli, ThePortSpeedDecidesWhetherPageLoadsFitTheWindow) {
    const std::string image = WriteImage();
    const std::string args = "--yes --sim-chip X28C256 --sim-fault protected --sim-save chip.bin "
                             "program -d X28C256 image.bin --speed 1 --sim-access-ns ";
    Run(args + "2000");
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(Saved(), image);
    Run(args + "20000");
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(Saved(), image);
}

TEST_F(PageWriteCli, PageWriteFaultsNeedAPageWritePart) {
    WriteImage();
    Run("--yes --sim-chip 27C256 --sim-fault busy program -d 27C256 image.bin");
    EXPECT_EQ(status, 2);
}

} // namespace
} // namespace quorbit::test
