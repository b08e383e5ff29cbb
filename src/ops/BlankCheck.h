#pragma once
// Blank check: is every byte of the chip FFh?
#include <cstdint>

#include "ops/ChipOptions.h"

namespace quorbit {

class App;

/// Afterwards app.ops.Outcome is Success only when the chip was found blank (the
/// programming command goes on only then).
void blankButton_Click(App& app);
/// Blank check of the memories `options` ticks.
void BlankCheck(App& app, const ChipOptions& options);
void menuBlankCheck_Click(App& app);
/// Chooses the blank check by the selected device.
void BlankCheckCodeMemory(App& app);
/// Reads from address 0 up and stops at the first byte that is not FFh.
/// True when the chip is blank; false when it is not (reported) or was not checked.
bool BlankCheckParallelChip(App& app);
/// Data memory of the microcontroller: no routine.
void BlankCheckDataMemory(App& app);
/// The first programmed byte: logged, and the error alert until acknowledged.
void ReportNotBlank(App& app, std::int32_t address, std::uint8_t data);

} // namespace quorbit
