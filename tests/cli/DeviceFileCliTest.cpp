// quorbit-cli with a device file: its rows listed, chosen and programmed on the
// simulator; a file with a fault refused before any chip command.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "CliRun.h"

namespace quorbit::test {
namespace {

struct DeviceFileCli : CliInTempDir {
    void SetUp() override {
        std::filesystem::copy_file(QUORBIT_DEVICE_FILE_EXAMPLE, dir / "devices.toml");
    }
};

TEST_F(DeviceFileCli, TheConfigFoldersFileAddsRowsThatListAndAnswerByTheirOwnId) {
    CliResult r = Run("devices");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(" 48  Flash Macronix MX29F040         Flash                 524288  "
                         "yes  (device file, like row 27)\n"))
        << r.out;
    EXPECT_TRUE(r.OutHas(" 50  Eeprom XICOR X28C64             Parallel EEPROM         8192  "
                         "yes  (device file, like row 33)\n"))
        << r.out;

    r = Run("--json devices");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto devices = nlohmann::json::parse(r.out)["devices"];
    EXPECT_EQ(devices[47]["name"], "Flash Macronix MX29F040");
    EXPECT_EQ(devices[47]["like"], 27);
    EXPECT_FALSE(devices[26].contains("like"));

    r = Run("--sim-chip MX29F040 id -d MX29F040");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Device ID# C2A4 - Macronix MX29F040 Flash Memory\n")) << r.out;
    // The chip it is like answers as another device than the one chosen.
    WriteFile("image.bin", std::vector<std::uint8_t>(256, 0x11));
    r = Run("--sim-chip AM29F040 program -d MX29F040 --yes image.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("answers as Flash AMD AM29F040, not as the chosen")) << r.out;
}

TEST_F(DeviceFileCli, ARowsOwnSizeBoundsItsImage) {
    WriteFile("fits.bin", std::vector<std::uint8_t>(8192, 0x5A));
    WriteFile("over.bin", std::vector<std::uint8_t>(8193, 0x5A));
    CliResult r = Run("--sim-chip X28C64 --sim-save chip.bin program -d X28C64 --yes fits.bin");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    const auto chip = FileBytes("chip.bin");
    ASSERT_EQ(chip.size(), 8192U);
    EXPECT_EQ(chip, std::vector<std::uint8_t>(8192, 0x5A));

    r = Run("--sim-chip X28C64 program -d X28C64 --yes over.bin");
    EXPECT_EQ(r.status, 2) << r.out;
}

TEST_F(DeviceFileCli, AFileWithAFaultStopsTheRunBeforeAnyChipCommand) {
    WriteBytes(dir / "bad.toml",
               "[[device]]\nname = \"Flash Macronix MX29F040\"\nlike = \"AM29F040\"\n"
               "sise = 524288\n");
    WriteFile("image.bin", std::vector<std::uint8_t>(4096, 0x11));
    for (const char* verb : {"devices", "--sim-save chip.bin program -d AM29F040 --yes image.bin",
                             "--sim-save chip.bin read -d 27C256 -o out.bin"}) {
        SCOPED_TRACE(verb);
        const CliResult r = Run(std::string("--devices bad.toml ") + verb);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.ErrHas("The device file was refused, none of its devices added: "
                             "bad.toml:4: unknown key \"sise\"\n"))
            << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir / "chip.bin"));
        EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
    }
    CliResult r = Run("--devices absent.toml devices");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.ErrHas("absent.toml: ")) << r.err;
    // The device file is an input no output may replace.
    r = Run("--sim-chip 27C256 read -d 27C256 -o devices.toml");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.ErrHas("--devices")) << r.err;
}

} // namespace
} // namespace quorbit::test
