#pragma once
// Verify: compare the chip with the image the operator means to program.
#include "ops/ChipOptions.h"

namespace quorbit {

class App;

void verifyButton_Click(App& app);
/// Verify of the memories `options` ticks.
void VerifyChip(App& app, const ChipOptions& options);
void menuVerifyCode_Click(App& app);
/// Compares the chip with the program image (24Cxx: with the code buffer). The
/// first difference is reported with both bytes, then the count and ranges of all.
void VerifyCodeMemory(App& app);
/// Data memory of the microcontroller: no routine.
void VerifyDataMemory(App& app);

} // namespace quorbit
