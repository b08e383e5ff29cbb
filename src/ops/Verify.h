#pragma once
// Verify: compare the chip with the image the operator means to program.

namespace quorbit {

class App;

void Verify_button_Click(App& app);
void menuVerifyCode_Click(App& app);
/// Compares the chip with the program image (24Cxx: with the code buffer) and
/// stops at the first difference.
void VERIFYCODE(App& app);
/// Data memory of the microcontroller: no routine.
void VERIFYDATA(App& app);

} // namespace quorbit
