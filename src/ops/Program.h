#pragma once
// The Program command: the common flow for every family (safety question, blank
// check first, image, routine by device type, report, verify after, board state).

namespace quorbit {

class App;

void Program_button_Click(App& app);
void menuProgramCode_Click(App& app);
/// Programs the code memory with the routine of the selected device type.
void PROGRAMCODE(App& app);
/// Data memory of the microcontroller: no routine.
void PROGRAMDATA(App& app);

/// Reads back the byte at the address already latched, with the chip's outputs
/// enabled by the caller: data lines released, then one two-nibble read into DataIn.
void ReadBackByte(App& app);
/// A byte that did not take: voltages off, logged with address, byte and read
/// byte, and the error alert until acknowledged.
void ReportProgramFailure(App& app);

} // namespace quorbit
