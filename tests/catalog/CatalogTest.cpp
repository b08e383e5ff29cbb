// Self-check of the device catalog and of the ways an operator names a device.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "Fakes.h"
#include "catalog/Catalog.h"
#include "cli/Cli.h"
#include "cli/DeviceName.h"
#include "ops/ProgramTable.h"
#include "session/Startup.h"
#include "sim/ChipFactory.h"

namespace quorbit::test {
namespace {

const CatalogRow& Row(int k) {
    return CatalogTable()[static_cast<std::size_t>(k)];
}

TEST(CatalogSelfCheck, ListEntriesAreRowsWithThirtyCharacterNames) {
    Rig rig;
    rig.app->RunGuarded(Form_Load);
    const auto& items = rig.app->ui.Device.items;
    ASSERT_EQ(items.size(), static_cast<std::size_t>(CatalogRowCount() + 1));
    EXPECT_EQ(items[0], "N/A - ");
    for (int k = 1; k <= CatalogRowCount(); ++k) {
        const CatalogRow& row = Row(k);
        const std::string name = row.name;
        EXPECT_FALSE(name.empty()) << k;
        EXPECT_LE(name.size(), kDeviceNameWidth) << name;
        EXPECT_EQ(name.find_last_not_of(' '), name.size() - 1) << "trailing blank: " << name;
        const std::string padded = PaddedName(row.name);
        EXPECT_EQ(padded.size(), kDeviceNameWidth) << name;
        const std::string& entry = items[static_cast<std::size_t>(k)];
        EXPECT_EQ(entry, row.selectable ? padded : "N/A - " + padded) << k;
    }
}

// Setups and scripts store row numbers: the first 40 keep their names and
// columns for good, and later parts only ever come after them.
TEST(CatalogSelfCheck, TheFirstFortyRowsKeepTheirNumbersAndNames) {
    const char* const first[] = {"Eprom 2716",
                                 "Eprom 2732A",
                                 "Eprom 2732B",
                                 "Eprom 2732",
                                 "Eprom 27C32",
                                 "Eprom 2764",
                                 "Eprom 27C64",
                                 "Eprom 27128",
                                 "Eprom 27C128",
                                 "Eprom 27256",
                                 "Eprom 27C256",
                                 "Eprom 27C259",
                                 "Eprom 27C512",
                                 "Eprom 27C1001",
                                 "Eprom 27C010",
                                 "Eprom 27C2001",
                                 "Eprom 27C020",
                                 "Eprom 27C4001",
                                 "Eprom 27C040",
                                 "Eprom 27C801",
                                 "Eprom 27C080",
                                 "Eprom 27C080 OTP",
                                 "Flash Atmel AT29C256",
                                 "Flash AMIC A29040",
                                 "Flash AMD AM29F010",
                                 "Flash AMD AM29F020",
                                 "Flash AMD AM29F040",
                                 "Flash EON EN29F040",
                                 "Flash Atmel AT29F040",
                                 "Flash Catalyst CAT28F001",
                                 "Flash Catalyst CAT28F010",
                                 "Flash Catalyst CAT28F020",
                                 "Eeprom XICOR X28C256",
                                 "Eeprom Catalyst CAT28C256",
                                 "Eeprom Catalyst CAT28C257",
                                 "Eeprom 24C08 Serial (8 pins)",
                                 "Eeprom 24C16 Serial (8 pins)",
                                 "Eeprom 24C32 Serial (8 pins)",
                                 "Eeprom 24C256 Serial (8 pins)",
                                 "uC Atmel AT90S2313 Micro"};
    ASSERT_EQ(std::size(first), static_cast<std::size_t>(kFirstCatalogRows));
    ASSERT_GT(kBuiltInRows, kFirstCatalogRows);
    for (int k = 1; k <= kFirstCatalogRows; ++k)
        EXPECT_STREQ(Row(k).name, first[k - 1]) << "row " << k;
    const std::string types = "P1P1P1P1P1P2P2P3P3P4P4P4P5P6P6P7P7P8P8P9P9PMFAFLFSFRFMFMFNFOFPFQ"
                              "ENEOEPSASBSCSEMJ";
    for (int k = 1; k <= kFirstCatalogRows; ++k)
        EXPECT_EQ(std::string({Row(k).family, Row(k).subtype}),
                  types.substr(2 * static_cast<std::size_t>(k - 1), 2))
            << "row " << k;
    std::set<std::string> names;
    for (int k = 1; k <= CatalogRowCount(); ++k)
        EXPECT_TRUE(names.insert(Row(k).name).second) << "two rows named " << Row(k).name;
}

TEST(CatalogSelfCheck, SelectableRowsHaveAFamilyAndSubtypeTheProgramReads) {
    const std::set<char> families = {'P', 'F', 'E', 'S', 'M'};
    for (int k = 1; k <= CatalogRowCount(); ++k) {
        const CatalogRow& row = Row(k);
        EXPECT_TRUE(families.count(row.family)) << row.name;
        EXPECT_FALSE(FamilyName(row.family).empty()) << row.name;
        EXPECT_GT(row.sizeKB, 0) << row.name;
        EXPECT_GE(row.vppClass, 0);
        EXPECT_LE(row.vppClass, 3);
        if (!row.selectable) continue;
        // Only the EPROMs take a programming voltage above 5 V.
        EXPECT_EQ(row.vppClass > 0, row.family == 'P') << row.name;
        if (row.family == 'P') {
            EXPECT_TRUE((row.subtype >= '1' && row.subtype <= '9') || row.subtype == 'M')
                << row.name;
        }
        EXPECT_LE(static_cast<std::size_t>(row.sizeKB) * 1024, kCodeBufferSize) << row.name;
        if (row.family != 'M') {
            EXPECT_NE(ProgramRoutineFor(row.routines.program), nullptr) << row.name;
        }
        // Only the chips that are written electrically have an erase routine.
        if (row.routines.erase != EraseRoutine::None) {
            EXPECT_NE(row.family, 'P') << row.name;
        }
        EXPECT_NE(sim::MakeErasedSimChip(k), nullptr) << row.name << " has no simulated chip";
        // A row's own flash ID is a flash chip's; a page divides the chip.
        if (row.facts.flashId != 0) {
            EXPECT_EQ(row.family, 'F') << row.name;
        }
        if (row.facts.pageBytes != 0) {
            EXPECT_EQ(row.sizeKB * 1024 % row.facts.pageBytes, 0) << row.name;
        }
    }
}

TEST(CatalogSelfCheck, SubtypesTheTimingFactorsDependOnExist) {
    std::set<char> epromSubtypes;
    for (int k = 1; k <= CatalogRowCount(); ++k)
        if (Row(k).selectable && Row(k).family == 'P') epromSubtypes.insert(Row(k).subtype);
    for (char subtype : {'1', '2', '9'})
        EXPECT_TRUE(epromSubtypes.count(subtype)) << subtype;
    // The 32-pin flash types whose bank map moves A18, and the X28C256.
    std::set<std::string> types;
    for (int k = 1; k <= CatalogRowCount(); ++k)
        types.insert(std::string{Row(k).family, Row(k).subtype});
    for (const char* type : {"FM", "FL", "FR", "FS", "EN", "FA", "MJ"})
        EXPECT_TRUE(types.count(type)) << type;
}

TEST(CatalogSelfCheck, NotSelectableRowsAreTheListedOnes) {
    std::vector<int> refused;
    for (int k = 1; k <= CatalogRowCount(); ++k)
        if (!Row(k).selectable) refused.push_back(k);
    EXPECT_EQ(refused, (std::vector<int>{1, 24, 28, 29, 30, 31, 32, 34, 35, 40}));
}

TEST(CatalogNames, RowsAndNamesInEveryForm) {
    EXPECT_EQ(FindCatalogRow("23"), 23);
    EXPECT_EQ(FindCatalogRow(" 11 "), 11);
    EXPECT_EQ(FindCatalogRow("27C256"), 11);
    EXPECT_EQ(FindCatalogRow("eprom 27c256"), 11);
    EXPECT_EQ(FindCatalogRow("  Eprom   27C256  "), 11);
    EXPECT_EQ(FindCatalogRow(PaddedName("Eprom 27C256")), 11);
    EXPECT_EQ(FindCatalogRow("2764"), 6); // a chip number, not a row
    EXPECT_EQ(FindCatalogRow("27C080"), 21);
    EXPECT_EQ(FindCatalogRow("27c080 otp"), 22);
    EXPECT_EQ(FindCatalogRow("AM29F040"), 27);
    EXPECT_EQ(FindCatalogRow("AMD AM29F040"), 27);
    EXPECT_EQ(FindCatalogRow("Flash AT29C256"), 23);
    EXPECT_EQ(FindCatalogRow("x28c256"), 33);
    EXPECT_EQ(FindCatalogRow("24C08"), 36);
    EXPECT_EQ(FindCatalogRow("SST39SF040"), 43);
    EXPECT_EQ(FindCatalogRow("sst39sf010a"), 41);
    EXPECT_EQ(FindCatalogRow("N/A - Eprom 2716"), 1);
    EXPECT_FALSE(FindCatalogRow("0"));
    EXPECT_FALSE(FindCatalogRow(std::to_string(CatalogRowCount() + 1)));
    EXPECT_FALSE(FindCatalogRow("27C999"));
    EXPECT_FALSE(FindCatalogRow(""));
    EXPECT_FALSE(FindCatalogRow("Eprom")); // a family word alone names nothing
}

TEST(CatalogNames, EverySelectableRowIsFoundByItsOwnNames) {
    for (int k = 1; k <= CatalogRowCount(); ++k) {
        const std::string name = Row(k).name;
        EXPECT_EQ(FindCatalogRow(name), k) << name;
        EXPECT_EQ(FindCatalogRow(name.substr(name.find(' ') + 1)), k) << name;
    }
}

TEST(ResolveDevice, RefusesUnknownAmbiguousAndNotSelectableNames) {
    std::string error;
    EXPECT_EQ(cli::ResolveDevice("eprom 27c256", error), 11);
    EXPECT_EQ(cli::ResolveDevice("23", error), 23);

    EXPECT_FALSE(cli::ResolveDevice("27C999", error));
    EXPECT_NE(error.find("Unknown device \"27C999\""), std::string::npos);

    EXPECT_FALSE(cli::ResolveDevice("Eprom 2716", error));
    EXPECT_NE(error.find("Eprom 2716 (row 1)"), std::string::npos);
    EXPECT_NE(error.find("N/A"), std::string::npos);
    EXPECT_FALSE(cli::ResolveDevice("1", error));
    EXPECT_FALSE(cli::ResolveDevice("EN29F040", error));
    EXPECT_FALSE(cli::ResolveDevice("0", error));
    EXPECT_NE(error.find("empty"), std::string::npos);
}

TEST(ResolveDevice, ChooseDeviceSelectsLikeTheOperator) {
    Rig rig;
    rig.app->RunGuarded(Form_Load);
    std::string error;
    EXPECT_TRUE(cli::ChooseDevice(*rig.app, "AM29F040", error));
    EXPECT_EQ(rig.app->dev.DeviceType, "FM");
    EXPECT_EQ(rig.app->ui.Device.listIndex, 27);
    EXPECT_FALSE(cli::ChooseDevice(*rig.app, "AT29F040", error));
    EXPECT_EQ(rig.app->dev.DeviceType, "FM");
}

TEST(CliNames, SimulatedChipAcceptsAnyFormAndRefusesUnknownNames) {
    TempDir config;
    const std::string folder = config.path().string();
    std::ostringstream out, err;
    const char* good[] = {"quorbit-cli", "--config-dir",   folder.c_str(),
                          "--sim-chip",  "flash at29c256", "detect"};
    EXPECT_EQ(cli::Run(6, good, out, err), 0) << err.str();
    std::ostringstream out2, err2;
    const char* bad[] = {"quorbit-cli", "--config-dir", folder.c_str(),
                         "--sim-chip",  "27C999",       "detect"};
    EXPECT_EQ(cli::Run(6, bad, out2, err2), 2);
    EXPECT_NE(err2.str().find("27C999"), std::string::npos);
}

} // namespace
} // namespace quorbit::test
