#pragma once
// The programming voltage options and the programming-speed slider.
#include <cstdint>

namespace quorbit {

class App;
class Board;

/// The slider's maximum: position 20 is the fastest, 1 the slowest.
inline constexpr int kSpeedMaximum = 20;

/// PortDelayCount, MediumDelayCount and LongDelayCount at one slider position.
struct DelayCounts {
    std::int32_t port = 0, medium = 0, longer = 0;
};
/// The counts at slider `position` for the timing factors the board holds.
DelayCounts DelayCountsAt(int position, const Board& board);

/// Whether voltageButtons(index) ("5V", "12.5V", "21V", "25V") is offered for a
/// device of voltage class `vppClass`: 5 V alone for class 0, else 12.5 V and the
/// higher ones up to the class.
bool VoltageOffered(int vppClass, int index);
/// Click on voltageButtons(index): remembers the voltage and warns about the high ones.
void voltageButtons_Click(App& app, int index);
/// The slider moved: log, new delay counts, sound.
void speedSlider_Change(App& app);
/// Delay counts from the slider position and the device's timing factors.
void ApplySpeedSetting(App& app);

void WireVoltageSpeedHandlers(App& app);

} // namespace quorbit
