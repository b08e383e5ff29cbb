// Every parallel family and size class, read through each board model: the code
// buffer must hold exactly the chip's bytes at the addresses the program means,
// which exercises the address maps and device bits of each family's wiring.
#include <gtest/gtest.h>

#include "../ops/ChipRig.h"
#include "catalog/Catalog.h"
#include "ops/Read.h"

namespace quorbit::test {
namespace {

struct Case {
    int row;
    int model;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name = CatalogTable()[static_cast<std::size_t>(info.param.row)].name;
    std::string id;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c))) id += c;
    return id + "_Model" + std::to_string(info.param.model);
}

class ReadsEveryFamily : public ::testing::TestWithParam<Case> {};

TEST_P(ReadsEveryFamily, BufferEqualsChipAndChecksumMatches) {
    const Case c = GetParam();
    ChipRig r(c.model);
    const std::size_t size = sim::SimChipSize(c.row);
    sim::ParallelChip& chip = r.InsertPattern(c.row);
    r.Press(r.app.ui.readButton);

    EXPECT_TRUE(r.Code(size) == chip.Memory())
        << "first difference at "
        << std::mismatch(chip.Memory().begin(), chip.Memory().end(), r.app.buf.CodeBuffer.begin())
                   .first -
               chip.Memory().begin();
    const auto lines = r.rig.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::to_string(size) + " bytes Read from Device");
    EXPECT_EQ(lines[1], "Device CHKSUMM = $" + ChecksumText(chip.Memory()));
    EXPECT_EQ(r.progress.maxSeen, static_cast<int>(size / 256));
    EXPECT_EQ(r.progress.valueSeen, static_cast<int>(size / 256));
}

std::vector<Case> AllCases() {
    // One chip per size class of the EPROMs, plus each flash and EEPROM wiring.
    const int rows[] = {2, 6, 8, 11, 13, 15, 17, 19, 21, 23, 25, 26, 27, 33};
    std::vector<Case> cases;
    for (int model : {4, 5, 6})
        for (int row : rows)
            cases.push_back({row, model});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Sim, ReadsEveryFamily, ::testing::ValuesIn(AllCases()), CaseName);

} // namespace
} // namespace quorbit::test
