// The device file: the rows it adds, and a file refused whole with its line named.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceFile.h"
#include "catalog/DeviceSelection.h"
#include "catalog/FlashIds.h"
#include "catalog/PulseTiming.h"
#include "catalog/UsingDeviceFile.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

const CatalogRow& Row(int k) {
    return CatalogTable()[static_cast<std::size_t>(k)];
}

TEST(DeviceFile, TheShippedExampleAddsItsRowsAfterTheBuiltInOnes) {
    const DeviceFile file = ReadDeviceFile(QUORBIT_DEVICE_FILE_EXAMPLE);
    ASSERT_EQ(file.error, "");
    ASSERT_EQ(file.rows.size(), 4U);
    const UsingDeviceFile added(file);
    ASSERT_EQ(CatalogRowCount(), kBuiltInRows + 4);

    const int mx = *FindCatalogRow("MX29F040");
    EXPECT_EQ(mx, kBuiltInRows + 1);
    EXPECT_TRUE(IsAddedRow(mx));
    EXPECT_EQ(Row(mx).likeRow, *FindCatalogRow("AM29F040"));
    EXPECT_EQ(Row(mx).family, 'F');
    EXPECT_EQ(Row(mx).sizeKB, 512);
    // The chip's own ID names the file's row, and the program writes it.
    EXPECT_EQ(FlashIdRow("C2A4"), mx);
    EXPECT_EQ(FlashIdName("C2A4"), "Macronix MX29F040 Flash Memory");
    EXPECT_TRUE(FlashChipSupported(0xC2, "C2A4"));
    EXPECT_FALSE(FlashChipSupported(0xC2, "C2A5"));

    const int x28c64 = *FindCatalogRow("X28C64");
    EXPECT_EQ(Row(x28c64).sizeKB, 8);
    EXPECT_EQ(Row(x28c64).facts.writeCycleMaxMs, 10);
    EXPECT_EQ(Row(x28c64).reg1Bits, Row(*FindCatalogRow("X28C256")).reg1Bits);

    // What the routines read comes from the chosen row: its size, its pulse.
    Rig rig;
    rig.app->RunGuarded(Form_Load);
    EXPECT_EQ(rig.app->ui.Device.items.size(), static_cast<std::size_t>(kBuiltInRows + 5));
    ASSERT_TRUE(SelectDevice(*rig.app, x28c64));
    EXPECT_EQ(rig.app->dev.ImageLength, 8192);
    EXPECT_EQ(rig.app->dev.DeviceType, "EN");
    ASSERT_TRUE(SelectDevice(*rig.app, *FindCatalogRow("AM27C256")));
    EXPECT_EQ(DatasheetPulseNs(rig.app->dev.facts), 100'000);
}

TEST(DeviceFile, AFaultAnywhereRefusesTheWholeFileAndNamesItsLine) {
    const std::string good = "[[device]]\nname = \"Flash Good F040\"\nlike = \"AM29F040\"\n";
    struct Case {
        std::string text;
        int line;
        std::string says;
    };
    const std::vector<Case> cases = {
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F040\"\nsizee = 1024\n", 7,
         "unknown key \"sizee\""},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F999\"\n", 6, "names no built-in"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"Flash AMIC A29040\"\n", 6, "(N/A)"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F040\"\nsize = 1048576\n", 7,
         "not in 1024 to 524288"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F040\"\nsize = 3072\n", 7,
         "not a power of two"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F040\"\nsize = \"64K\"\n", 7,
         "whole number"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F040\"\nid = 0x01A4\n", 7,
         "already AMD am29F040"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F040\"\nid = 0xBFB7\n", 7,
         "already Flash SST SST39SF040"},
        {"[[device]]\nname = \"Flash A\"\nlike = \"AM29F040\"\nid = 0xC2A4\n"
         "[[device]]\nname = \"Flash B\"\nlike = \"AM29F010\"\nid = 0xC2A4\n",
         8, "already Flash A"},
        {good + "[[device]]\nname = \"Eprom X\"\nlike = \"27C256\"\nid = 0xC2A4\n", 7,
         "id does not apply"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AM29F040\"\nprogram_pulse_us = 100\n", 7,
         "program_pulse_us does not apply"},
        {good + "[[device]]\nname = \"Eprom X\"\nlike = \"27C256\"\nprogram_pulse_us = 0\n", 7,
         "not in 10 to 10000"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = \"AT29C256\"\nchip_erase_max_ms = 9\n", 7,
         "does not apply"},
        {good + "[[device]]\nname = \"Eprom X\"\nlike = \"27C256\"\nwrite_cycle_max_ms = 9\n", 7,
         "does not apply"},
        {good + "[[device]]\nname = \"Eprom 27C256\"\nlike = \"27C256\"\n", 5, "built-in"},
        {good + "[[device]]\nname = \"flash good f040\"\nlike = \"27C256\"\n", 5, "twice"},
        {good + "[[device]]\nname = \"1234\"\nlike = \"27C256\"\n", 5, "needs a letter"},
        {good + "[[device]]\nname = \"Flash name longer than thirty chars\"\nlike = \"27C256\"\n",
         5, "longer than 30"},
        {good + "[[device]]\nlike = \"27C256\"\n", 4, "no name"},
        {good + "[[device]]\nname = \"Flash X\"\n", 4, "no row it is like"},
        {good + "[[device]]\nname = \"Flash X\"\nlike = 27\n", 6, "text in quotes"},
        {good + "chips = 3\n", 4, "unknown key \"chips\""},
        {"[device]\nname = \"Flash X\"\n", 1, "[[device]] tables"},
        {good + "[[device]]\nname = \"Flash X\nlike = \"27C256\"\n", 5, ""}, // TOML syntax
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const DeviceFile file = ParseDeviceFile(c.text, "bench.toml");
        EXPECT_TRUE(file.rows.empty());
        EXPECT_EQ(file.error.rfind("bench.toml:" + std::to_string(c.line) + ": ", 0), 0U)
            << file.error;
        EXPECT_NE(file.error.find(c.says), std::string::npos) << file.error;
    }
    EXPECT_EQ(ParseDeviceFile(good, "bench.toml").error, "");

    std::string tooMany;
    for (int k = 0; k <= kCatalogCapacity - kBuiltInRows; ++k)
        tooMany +=
            "[[device]]\nname = \"Eprom Part " + std::to_string(k) + "\"\nlike = \"27C256\"\n";
    const DeviceFile full = ParseDeviceFile(tooMany, "bench.toml");
    EXPECT_TRUE(full.rows.empty());
    EXPECT_NE(full.error.find("more than 33 devices"), std::string::npos) << full.error;
}

} // namespace
} // namespace quorbit::test
