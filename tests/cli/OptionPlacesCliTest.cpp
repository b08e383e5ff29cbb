// The options that several verbs take, before the verb and after it: each one,
// typed either way, gives the same run, and not the run without it (so it was not
// dropped on one side). The table must hold every option --help lists as such.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

struct OptionPlaces : CliInTempDir {
    /// What a run did: its status, what it printed with the times of day taken out,
    /// and the setup file it left.
    [[nodiscard]] std::string Outcome(const std::string& args) const {
        for (const char* left : {"quorbit6.ini", "QBSetup1.INI"})
            std::filesystem::remove(dir / left);
        const CliResult r = Run(args);
        const std::regex time("[0-9]{2}:[0-9]{2}:[0-9]{2}>");
        std::string setup;
        if (std::filesystem::exists(dir / "QBSetup1.INI")) setup = ReadBytes(dir / "QBSetup1.INI");
        return "exit " + std::to_string(r.status) + "\n--- out\n" +
               std::regex_replace(r.out, time, "T>") + "--- err\n" +
               std::regex_replace(r.err, time, "T>") + "--- QBSetup1.INI\n" + setup;
    }
};

/// The options --help lists under the options of several verbs: each entry's names.
std::vector<std::vector<std::string>> SharedOptionsInHelp(const std::string& help) {
    std::vector<std::vector<std::string>> entries;
    std::istringstream lines(help);
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        if (line.rfind("Options of several verbs", 0) == 0) {
            inGroup = true;
        } else if (inGroup && line.empty()) {
            break;
        } else if (inGroup && line.rfind("  -", 0) == 0) {
            std::vector<std::string> names;
            const std::string first = line.substr(2, line.find(' ', 2) - 2); // "-d,--device"
            std::istringstream split(first);
            for (std::string name; std::getline(split, name, ',');)
                names.push_back(name.substr(0, name.find('{'))); // "--no-verify{false}"
            entries.push_back(names);
        }
    }
    return entries;
}

TEST_F(OptionPlaces, EveryOptionOfSeveralVerbsWorksBeforeAndAfterTheVerb) {
    const auto image = sim::RandomContents(32768, 51);
    WriteFile("image.bin", image);
    auto evenBytesChanged = image;
    for (std::size_t a = 0; a < evenBytesChanged.size(); a += 2)
        evenBytesChanged[a] ^= 0x5A;
    WriteFile("even.bin", evenBytesChanged);
    WriteFile("small.bin", sim::RandomContents(256, 52));

    struct Row {
        std::string option;    // as typed, with its value
        std::string beforeAll; // global options first
        std::string verb;      // the verb and its own arguments
    };
    const std::string chip = "--sim-chip 27C256 --sim-image image.bin";
    const std::vector<Row> rows = {
        {"-d 27C256", "--sim-chip 27C256 --sim-image fill:FF", "blank"},
        {"--device 27C256", "", "setup save 1"},
        {"--bytes hi", "--sim-chip 27C256 --sim-image even.bin", "verify -d 27C256 image.bin"},
        // A value the verb refuses is refused alike, with the verb's own message.
        {"--speed 0", chip, "program -d 27C256 image.bin"},
        {"--speed 3", "", "setup save 1"},
        {"--format ihex", chip, "verify -d 27C256 image.bin"},
        {"--offset 4000", chip, "verify -d 27C256 small.bin"},
        {"--voltage 21", "", "setup save 1 -d 2764"},
        {"--blank-first", chip + " --yes", "program -d 27C256 image.bin"},
        {"--no-verify", "--sim-chip 27C256 --yes", "program -d 27C256 image.bin"},
        {"--no-verify-after", "--sim-chip 27C256 --yes", "program -d 27C256 image.bin"},
        {"--verify-after", "", "setup save 1"},
        {"--force", "--sim-chip AM29F010 --yes", "erase -d AM29F040"},
        // Refused alike either way (a board twice; a fault for boards without
        // --ports): several boards' lines come in no fixed order.
        {"--ports 378,0x378", chip, "program -d 27C256 image.bin"},
        {"--sim-fault-ports 278", chip + " --yes", "program -d 27C256 image.bin"},
    };
    for (const Row& row : rows) {
        const std::string without = Outcome(row.beforeAll + " " + row.verb);
        const std::string after = Outcome(row.beforeAll + " " + row.verb + " " + row.option);
        const std::string before = Outcome(row.beforeAll + " " + row.option + " " + row.verb);
        EXPECT_EQ(before, after) << row.option << " before and after " << row.verb;
        EXPECT_NE(after, without) << row.option << " had no effect on " << row.verb;
    }

    const CliResult help = Run("--help");
    ASSERT_EQ(help.status, 0);
    // The table and --help name the same options (one name of each is enough).
    std::set<std::string> typed, listed;
    for (const Row& row : rows)
        typed.insert(row.option.substr(0, row.option.find(' ')));
    for (const auto& names : SharedOptionsInHelp(help.out)) {
        listed.insert(names.begin(), names.end());
        EXPECT_TRUE(std::any_of(names.begin(), names.end(),
                                [&](const std::string& name) { return typed.count(name) > 0; }))
            << names.front() << " is in --help but not in the table";
    }
    for (const std::string& name : typed)
        EXPECT_TRUE(listed.count(name) > 0)
            << name << " is not in --help's options of several verbs";

    // Before a verb that does not take it, such an option is named with the verbs
    // that do; a verb's own option stays after the verb.
    const CliResult notBlanks = Run("--force blank -d 27C256");
    EXPECT_EQ(notBlanks.status, 2);
    EXPECT_TRUE(notBlanks.ErrHas("--force applies to program, erase and batch, not to blank\n"))
        << notBlanks.err;
    const CliResult own = Run("-o out.bin read -d 27C256");
    EXPECT_EQ(own.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
}

} // namespace
} // namespace quorbit::test
