#include "catalog/VoltageSpeed.h"

#include <algorithm>
#include <string>

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {

bool VoltageOffered(int vppClass, int index) {
    if (vppClass == 0) return index == 0;
    return index >= 1 && index <= std::max(vppClass, 1);
}

void voltageButtons_Click(App& app, int index) {
    switch (index) {
    case 1:
        app.dev.VppVolts = 12;
        LogMessage(app, "Most Common Programming Voltage Selected: 12.5 Volts!!!");
        break;
    case 2:
        app.dev.VppVolts = 21;
        LogMessage(app, "BE CAREFULL!!! You just Selected Programming Voltage as 21 Volts!!!");
        break;
    case 3:
        app.dev.VppVolts = 25;
        LogMessage(app, "BE CAREFULL!!! You just Selected Programming Voltage as 25 Volts!!!");
        break;
    default: // 5 V: the chip's supply, nothing to switch
        break;
    }
}

DelayCounts DelayCountsAt(int position, const Board& board) {
    const std::int32_t d = kSpeedMaximum - position; // 0 at the fast end
    DelayCounts counts;
    counts.longer = d * board.LongDelayFactor + 2;
    counts.medium = d * board.MediumDelayFactor + 2;
    counts.port = d * board.ShortDelayFactor + 2;
    // In the slow half the register latch pause takes the medium factor.
    if (position < 10) counts.port = d * board.MediumDelayFactor + 2;
    return counts;
}

void ApplySpeedSetting(App& app) {
    Board& b = app.board;
    const DelayCounts counts = DelayCountsAt(app.ui.speedSlider.value, b);
    b.LongDelayCount = counts.longer;
    b.MediumDelayCount = counts.medium;
    b.PortDelayCount = counts.port;
}

void speedSlider_Change(App& app) {
    LogMessage(app, "Program Speed Slider set to: " + std::to_string(app.ui.speedSlider.value));
    ApplySpeedSetting(app);
    PlayEventSound(app, "SLIDE");
}

void WireVoltageSpeedHandlers(App& app) {
    for (std::size_t i = 0; i < app.ui.voltageButtons.size(); ++i) {
        const int index = static_cast<int>(i);
        app.ui.voltageButtons[i].onClick =
            app.Handler([index](App& a) { voltageButtons_Click(a, index); });
    }
    app.ui.speedSlider.onChange = app.Handler(speedSlider_Change);
}

} // namespace quorbit
