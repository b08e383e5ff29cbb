// The command line with images that do not cover the chip: a short file programs
// its own bytes and leaves the rest, verifying by default; an image past the chip
// or an empty one is refused as bad input before the chip is touched.
#include <gtest/gtest.h>

#include "../buffers/RecordText.h"
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

// A half that holds no byte of the image is refused like an empty image: one
// byte at 0h has no odd byte for the Hi Byte chip, records at odd addresses no
// even byte for the Low Byte chip.
TEST_F(PartialImagesCli, AnEmptyHalfIsExitTwoAndTheChipUntouched) {
    const auto chip = sim::RandomContents(32768, 24);
    WriteFile("chip.bin", chip);
    WriteFile("one.bin", {'Z'});
    WriteBytes(dir / "odd.hex",
               IntelLine(0, 0x101, {0x11}) + IntelLine(0, 0x203, {0x22}) + IntelEnd());
    struct Case {
        const char* file;
        const char* bytes;
        const char* problem;
    };
    for (const char* verb : {"program", "verify"}) {
        for (const Case& c :
             {Case{"one.bin", "hi", "The image holds no odd bytes for the Hi Byte chip"},
              Case{"odd.hex", "low", "The image holds no even bytes for the Low Byte chip"}}) {
            const CliResult r = Run(std::string("--sim-chip 27C256 --sim-image chip.bin "
                                                "--sim-save after.bin --yes ") +
                                    verb + " -d 27C256 " + c.file + " --bytes " + c.bytes);
            EXPECT_EQ(r.status, 2) << verb << c.file << r.out << r.err;
            EXPECT_TRUE(r.OutHas(std::string(c.problem) + " - the device was not accessed\n"))
                << r.out;
            EXPECT_FALSE(r.OutHas("MATCHES")) << r.out;
            EXPECT_FALSE(r.OutHas("Successfull")) << r.out;
            EXPECT_EQ(FileBytes("after.bin"), chip);
        }
    }
    // The other half of the same files holds bytes: it goes in.
    const CliResult low = Run("--sim-chip 27C256 --sim-save after.bin --yes "
                              "program -d 27C256 one.bin --bytes low");
    EXPECT_EQ(low.status, 0) << low.out << low.err;
    EXPECT_EQ(FileBytes("after.bin")[0], 'Z');
}

// The 24Cxx are written from the whole image: Hi Byte and Low Byte, for one of
// two parallel chips of a 16-bit system, are refused with the reason.
TEST_F(PartialImagesCli, A24CxxRefusesHiOrLowBytes) {
    const auto chip = sim::RandomContents(2048, 25);
    WriteFile("chip.bin", chip);
    WriteFile("image.bin", sim::RandomContents(2048, 26));
    for (const char* verb : {"program", "verify"}) {
        for (const std::string bytes : {"hi", "low"}) {
            const CliResult r = Run(std::string("--sim-chip 24C16 --sim-image chip.bin "
                                                "--sim-save after.bin --yes ") +
                                    verb + " -d 24C16 image.bin --bytes " + bytes);
            EXPECT_EQ(r.status, 2) << verb << bytes << r.out << r.err;
            EXPECT_TRUE(r.OutHas((bytes == "hi" ? "Hi Byte" : "Low Byte") +
                                 std::string(" is for one of two parallel chips of a 16-bit "
                                             "system; the Eeprom 24C16 Serial (8 pins) is "
                                             "written from the whole image - choose Both - the "
                                             "device was not accessed\n")))
                << r.out;
            EXPECT_EQ(FileBytes("after.bin"), chip);
        }
    }
}

// A 68000 board's 64 KiB ROM as two 27C256: the even bytes in one chip (Low
// Byte), the odd bytes in the other (Hi Byte), each chip wholly; raw or Intel HEX.
// One byte more than the pair holds is refused.
TEST_F(PartialImagesCli, ASixteenBitImageSplitsAcrossTwoWholeChips) {
    const auto rom = sim::RandomContents(65536, 27);
    WriteFile("rom.bin", rom);
    std::string hex;
    for (std::uint32_t at = 0; at < rom.size(); at += 16) {
        if (at % 0x10000 == 0)
            hex += IntelLine(
                4, 0, {static_cast<std::uint8_t>(at >> 24), static_cast<std::uint8_t>(at >> 16)});
        hex += IntelLine(0, static_cast<std::uint16_t>(at),
                         std::vector<std::uint8_t>(rom.begin() + at, rom.begin() + at + 16));
    }
    WriteBytes(dir / "rom.hex", hex + IntelEnd());
    for (const char* file : {"rom.bin", "rom.hex"}) {
        for (const std::string bytes : {"low", "hi"}) {
            const CliResult r = Run("--sim-chip 27C256 --sim-save " + bytes +
                                    ".bin --yes program -d 27C256 " + file + " --bytes " + bytes);
            EXPECT_EQ(r.status, 0) << file << bytes << r.out << r.err;
            EXPECT_TRUE(r.OutHas(">  Device Contents MATCHES with Buffer Contents\n")) << r.out;
            EXPECT_FALSE(r.OutHas("Compared where the image holds bytes")) << r.out; // wholly
            std::vector<std::uint8_t> half;
            for (std::size_t a = bytes == "hi" ? 1 : 0; a < rom.size(); a += 2)
                half.push_back(rom[a]);
            EXPECT_EQ(FileBytes(bytes + ".bin"), half) << file << bytes;
            const CliResult v = Run("--sim-chip 27C256 --sim-image " + bytes +
                                    ".bin verify -d 27C256 " + file + " --bytes " + bytes);
            EXPECT_EQ(v.status, 0) << v.out << v.err;
        }
    }
    auto over = rom;
    over.push_back(0x00);
    WriteFile("over.bin", over);
    const CliResult r = Run("--sim-chip 27C256 --sim-save after.bin --yes program -d 27C256 "
                            "over.bin --bytes hi");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_TRUE(r.OutHas("The image reaches address 10000h (65537 bytes) but a Hi Byte and Low "
                         "Byte pair of Eprom 27C256 holds 65536 bytes - the device was not "
                         "accessed\n"))
        << r.out;
    EXPECT_EQ(FileBytes("after.bin"), std::vector<std::uint8_t>(32768, 0xFF));
    // Without a half chosen, the same 64 KiB is one chip's image, too big for it.
    EXPECT_EQ(Run("--sim-chip 27C256 --yes program -d 27C256 rom.bin").status, 2);

    // A setup keeps the half with the code file, and restores the half first.
    ASSERT_EQ(Run("setup save 1 -d 27C256 --bytes hi --file rom.hex").status, 0);
    const CliResult s = Run("--setup 1 --sim-chip 27C256 --sim-save setup.bin --yes program");
    EXPECT_EQ(s.status, 0) << s.out << s.err;
    EXPECT_EQ(FileBytes("setup.bin"), FileBytes("hi.bin"));
}

} // namespace
} // namespace quorbit::test
