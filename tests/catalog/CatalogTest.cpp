// Self-check of the device catalog and of the ways an operator names a device.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "Fakes.h"
#include "catalog/Catalog.h"
#include "cli/Cli.h"
#include "cli/DeviceName.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

const CatalogRow& Row(int k) {
    return CatalogTable()[static_cast<std::size_t>(k)];
}

TEST(CatalogSelfCheck, ListEntriesAreRowsWithThirtyCharacterNames) {
    Rig rig;
    rig.app->RunGuarded(Form_Load);
    const auto& items = rig.app->ui.Device.items;
    ASSERT_EQ(items.size(), static_cast<std::size_t>(kCatalogRows + 1));
    EXPECT_EQ(items[0], "N/A - ");
    for (int k = 1; k <= kCatalogRows; ++k) {
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

TEST(CatalogSelfCheck, SelectableRowsHaveAFamilyAndSubtypeTheProgramReads) {
    const std::set<char> families = {'P', 'F', 'E', 'S', 'M'};
    for (int k = 1; k <= kCatalogRows; ++k) {
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
            EXPECT_TRUE(row.subtype >= '1' && row.subtype <= '9') << row.name;
        }
        EXPECT_LE(static_cast<std::size_t>(row.sizeKB) * 1024, kCodeBufferSize) << row.name;
    }
}

TEST(CatalogSelfCheck, SubtypesTheTimingFactorsDependOnExist) {
    std::set<char> epromSubtypes;
    for (int k = 1; k <= kCatalogRows; ++k)
        if (Row(k).selectable && Row(k).family == 'P') epromSubtypes.insert(Row(k).subtype);
    for (char subtype : {'1', '2', '9'})
        EXPECT_TRUE(epromSubtypes.count(subtype)) << subtype;
    // The 32-pin flash types whose bank map moves A18, and the X28C256.
    std::set<std::string> types;
    for (int k = 1; k <= kCatalogRows; ++k)
        types.insert(std::string{Row(k).family, Row(k).subtype});
    for (const char* type : {"FM", "FL", "FR", "FS", "EN", "FA", "MJ"})
        EXPECT_TRUE(types.count(type)) << type;
}

TEST(CatalogSelfCheck, NotSelectableRowsAreTheListedOnes) {
    std::vector<int> refused;
    for (int k = 1; k <= kCatalogRows; ++k)
        if (!Row(k).selectable) refused.push_back(k);
    EXPECT_EQ(refused, (std::vector<int>{1, 22, 24, 28, 29, 30, 31, 32, 34, 35, 39, 40}));
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
    EXPECT_EQ(FindCatalogRow("N/A - Eprom 2716"), 1);
    EXPECT_FALSE(FindCatalogRow("0"));
    EXPECT_FALSE(FindCatalogRow("41"));
    EXPECT_FALSE(FindCatalogRow("27C999"));
    EXPECT_FALSE(FindCatalogRow(""));
    EXPECT_FALSE(FindCatalogRow("Eprom")); // a family word alone names nothing
}

TEST(CatalogNames, EverySelectableRowIsFoundByItsOwnNames) {
    for (int k = 1; k <= kCatalogRows; ++k) {
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
