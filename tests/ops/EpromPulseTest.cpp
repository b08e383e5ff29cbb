// The EPROM routines' pulses against the simulated chips, whose cells need
// programming time: at the default speed each family gets its datasheet's pulse
// width on a port of 1 us per access, the slider scales every pulse, and a chip
// then takes one pulse per byte.
#include <gtest/gtest.h>

#include <array>

#include "ChipRig.h"
#include "PropertyCheck.h"
#include "ops/Program.h"
#include "sim/SimEprom.h"

namespace quorbit::test {
namespace {

/// One row per EPROM subtype: 2732A, 2764, 27C128, 27C256, 27C512, 27C010, 27C020,
/// 27C040, 27C080.
constexpr std::array kRows{2, 6, 9, 11, 13, 15, 17, 19, 21};
constexpr int k2732A = 2;

sim::SimEprom& InsertEprom(ChipRig& r, int row) {
    return dynamic_cast<sim::SimEprom&>(r.Insert(row, {}));
}

/// The widths of the pulses one 00h byte gets at slider `speed`; a cell that needs
/// `weak` pulses of the datasheet's width shows the retries too.
std::vector<std::int64_t> PulseWidths(ChipRig& r, int row, int speed, int weak = 1) {
    sim::SimEprom& chip = InsertEprom(r, row);
    chip.MakeWeak(0, weak);
    SetPosition(r.app.ui.speedSlider, speed);
    r.LoadCode({0x00});
    std::vector<std::int64_t> widths;
    chip.onPulse = [&](const sim::ProgramPulse& p) { widths.push_back(p.widthNs); };
    r.Press(r.app.ui.programButton);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success) << "row " << row << ", speed " << speed;
    EXPECT_EQ(chip.Memory()[0], 0x00);
    if (widths.empty()) widths.push_back(0);
    return widths;
}

TEST(EpromPulses, DatasheetWidthAtTheDefaultSpeedAndEveryWidthFollowsTheSlider) {
    for (const int row : kRows) {
        ChipRig r;
        std::array<std::int64_t, 21> widths{};
        for (int speed = 1; speed <= 20; ++speed)
            widths[static_cast<std::size_t>(speed)] = PulseWidths(r, row, speed).front();
        // A copy: the next insert frees this chip.
        const sim::EpromModel model = InsertEprom(r, row).Model();
        const auto atDefault = PulseWidths(r, row, 18, 3);
        EXPECT_EQ(atDefault.size(), 3u) << "row " << row;
        for (const std::int64_t width : atDefault) {
            EXPECT_GE(width, model.shortestPulseNs) << "row " << row;
            EXPECT_LE(width, model.longestPulseNs) << "row " << row;
        }
        for (int speed = 1; speed < 20; ++speed) {
            const auto slower = widths[static_cast<std::size_t>(speed)];
            const auto faster = widths[static_cast<std::size_t>(speed + 1)];
            if (row == k2732A) {
                // A timed 5 ms, never shortened; the latches around it follow the slider.
                EXPECT_GE(faster, 5'000'000) << speed + 1;
                EXPECT_GE(slower, faster) << speed;
            } else {
                EXPECT_GT(slower, faster) << "row " << row << ": speed " << speed;
            }
        }
    }
}

TEST(EpromPulses, APartialImageTakesOnePulsePerByteAtTheDefaultSpeed) {
    CheckProperty(30, [] {
        const int row = *rc::gen::elementOf(kRows);
        const int model = *rc::gen::element(4, 6);
        ChipRig r(model);
        sim::SimEprom& chip = InsertEprom(r, row);
        const auto size = static_cast<std::uint32_t>(sim::SimChipSize(row));
        // Up to three ranges anywhere in the chip, in address order.
        std::vector<AddressRange> ranges;
        std::uint32_t next = 0;
        const int count = *rc::gen::inRange(1, 4);
        for (int i = 0; i < count; ++i) {
            const std::uint32_t first = next + *rc::gen::inRange<std::uint32_t>(0, size / 4);
            const std::uint32_t length = *rc::gen::inRange<std::uint32_t>(1, 200);
            if (first + length > size) break;
            ranges.push_back({first, first + length - 1});
            next = first + length + 1;
        }
        RC_PRE(!ranges.empty());
        const auto bytes = sim::RandomContents(size, *rc::gen::arbitrary<std::uint32_t>());
        auto& buffer = r.app.buf.CodeBuffer;
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0xFF});
        std::int64_t pulsed = 0;
        for (const AddressRange& range : ranges)
            for (std::uint32_t a = range.first; a <= range.last; ++a) {
                buffer[a] = bytes[a];
                pulsed += bytes[a] != 0xFF ? 1 : 0;
            }
        r.app.buf.CodeCoverage = Coverage::OfRanges(ranges);
        r.app.buf.CodeBufferLoaded = 1;
        r.app.RunGuarded(ProgramCodeAsShown);
        RC_LOG() << r.app.dev.DeviceName << ", model " << model << ", " << ranges.size()
                 << " ranges";

        RC_ASSERT(r.app.ops.Outcome == OpOutcome::Success);
        RC_ASSERT(chip.TotalPulses() == pulsed);
        for (const AddressRange& range : ranges)
            for (std::uint32_t a = range.first; a <= range.last; ++a)
                RC_ASSERT(chip.Memory()[a] == bytes[a]);
    });
}

} // namespace
} // namespace quorbit::test
