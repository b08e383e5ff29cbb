// Programming voltage options and the speed slider's delay counts.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "catalog/DeviceSelection.h"
#include "catalog/VoltageSpeed.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

struct Speed : ::testing::Test {
    Rig rig;
    App& app = *rig.app;
    Speed() { app.RunGuarded(Form_Load); }
    [[nodiscard]] std::vector<int> CountsAt(int position) {
        SetPosition(app.ui.speedSlider, position);
        return {app.board.PortDelayCount, app.board.MediumDelayCount, app.board.LongDelayCount};
    }
};

using Counts = std::vector<int>;

TEST_F(Speed, CountsForEachFactorSetAcrossTheSlider) {
    struct Case {
        int row;
        Counts at20, at18, at10, at9, at1;
    };
    const Case cases[] = {
        {11, {2, 2, 2}, {12, 202, 1002}, {52, 1002, 5002}, {1102, 1102, 5502}, {1902, 1902, 9502}},
        {6,
         {2, 2, 2},
         {102, 40002, 200002},
         {502, 200002, 1000002},
         {220002, 220002, 1100002},
         {380002, 380002, 1900002}},
        {21, {2, 2, 2}, {6, 102, 502}, {22, 502, 2502}, {552, 552, 2752}, {952, 952, 4752}},
    };
    for (const Case& c : cases) {
        SelectDevice(app, c.row);
        EXPECT_EQ(CountsAt(20), c.at20) << c.row;
        EXPECT_EQ(CountsAt(18), c.at18) << c.row;
        EXPECT_EQ(CountsAt(10), c.at10) << c.row;
        EXPECT_EQ(CountsAt(9), c.at9) << c.row;
        EXPECT_EQ(CountsAt(1), c.at1) << c.row;
    }
}

TEST_F(Speed, CountsAreZeroUntilTheFirstChoiceOrMove) {
    EXPECT_EQ(app.board.PortDelayCount, 0);
    EXPECT_EQ(app.board.LongDelayCount, 0);
    SelectDevice(app, 11);
    EXPECT_EQ(app.board.PortDelayCount, 12); // slider at 18
}

TEST_F(Speed, SliderMoveLogsRecomputesAndSounds) {
    SelectDevice(app, 11);
    SetPosition(app.ui.speedSlider, 10);
    rig.ClearLog();
    rig.sound.played.clear();
    SetPosition(app.ui.speedSlider, 9);
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"Program Speed Slider set to: 9"});
    EXPECT_EQ(rig.sound.played, std::vector<std::string>{(rig.dir / "app" / "slide.wav").string()});
    EXPECT_EQ(app.board.PortDelayCount, 1102); // the latch pause takes the medium factor
    EXPECT_EQ(app.board.MediumDelayCount, 1102);
}

TEST_F(Speed, VoltageOptionsLogAndRemember) {
    rig.ClearLog();
    app.dev.VppVolts = 21;
    voltageButtons_Click(app, 0);
    EXPECT_EQ(app.dev.VppVolts, 21);
    EXPECT_TRUE(rig.LogLines().empty());
    voltageButtons_Click(app, 3);
    EXPECT_EQ(app.dev.VppVolts, 25);
    voltageButtons_Click(app, 1);
    EXPECT_EQ(app.dev.VppVolts, 12);
    EXPECT_EQ(rig.LogLines(),
              (std::vector<std::string>{
                  "BE CAREFULL!!! You just Selected Programming Voltage as 25 Volts!!!",
                  "Most Common Programming Voltage Selected: 12.5 Volts!!!"}));
}

} // namespace
} // namespace quorbit::test
