// An FFh byte of the image is not pulsed, but a UV EPROM cell that is not erased
// there can never match it: programming must fail on that byte instead of
// reporting "Programming Device Successfull" over a chip that does not hold the image.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "sim/SimEprom.h"

namespace quorbit::test {
namespace {

struct Routine {
    int row;
    int model;
};

constexpr std::uint32_t kCell = 0x2A1;

class ErasedBytes : public ::testing::TestWithParam<Routine> {};

std::vector<std::uint8_t> ImageWithOneProgrammedByte(int row) {
    std::vector<std::uint8_t> image(sim::SimChipSize(row), 0xFF);
    image[0x10] = 0x5A;
    return image;
}

TEST_P(ErasedBytes, AProgrammedCellUnderAnFFhImageByteFailsThatByte) {
    const Routine p = GetParam();
    ChipRig r(p.model);
    std::vector<std::uint8_t> used(sim::SimChipSize(p.row), 0xFF);
    used[kCell] = 0x3C; // left from an earlier image
    auto& chip = dynamic_cast<sim::SimEprom&>(r.Insert(p.row, used));
    r.LoadCode(ImageWithOneProgrammedByte(p.row));
    r.Press(r.app.ui.programButton);
    EXPECT_FALSE(r.LogHas("Programming Device Successfull"));
    EXPECT_TRUE(r.LogHas("*** Address:2A1h, Programming BYTE:FFh, Read BYTE:3Ch")) << p.row;
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_EQ(chip.Memory()[0x10], 0x5A); // the bytes before it were programmed
    EXPECT_EQ(chip.PulsesAt(kCell), 0);   // and the erased byte was never pulsed
}

TEST_P(ErasedBytes, ABitStuckLowUnderAnFFhImageByteFailsThatByte) {
    const Routine p = GetParam();
    ChipRig r(p.model);
    sim::ParallelChip& chip = r.Insert(p.row, {});
    chip.StickBit(kCell, 3, false);
    r.LoadCode(ImageWithOneProgrammedByte(p.row));
    r.Press(r.app.ui.programButton);
    EXPECT_FALSE(r.LogHas("Programming Device Successfull"));
    EXPECT_TRUE(r.LogHas("*** Address:2A1h, Programming BYTE:FFh, Read BYTE:F7h")) << p.row;
}

TEST_P(ErasedBytes, AChipAlreadyHoldingTheImageStillSucceeds) {
    const Routine p = GetParam();
    ChipRig r(p.model);
    auto& chip = dynamic_cast<sim::SimEprom&>(r.Insert(p.row, ImageWithOneProgrammedByte(p.row)));
    r.LoadCode(ImageWithOneProgrammedByte(p.row));
    r.Press(r.app.ui.programButton);
    EXPECT_TRUE(r.LogHas("Programming Device Successfull"));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_LE(chip.TotalPulses(), 1); // routines without a pre-read pulse the byte once
}

INSTANTIATE_TEST_SUITE_P(Routines, ErasedBytes,
                         ::testing::Values(Routine{2, 4}, Routine{9, 6}, Routine{11, 4},
                                           Routine{11, 6}, Routine{13, 6}, Routine{15, 5},
                                           Routine{19, 6}, Routine{21, 6}),
                         [](const ::testing::TestParamInfo<Routine>& routine) {
                             return "row" + std::to_string(routine.param.row) + "_model" +
                                    std::to_string(routine.param.model);
                         });

} // namespace
} // namespace quorbit::test
