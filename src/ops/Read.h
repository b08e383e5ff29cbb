#pragma once
// Reading the chip in the socket into the code buffer.

namespace quorbit {

class App;

void readButton_Click(App& app);
void menuReadCode_Click(App& app);
/// Chooses the read routine by the selected device.
void ReadCodeMemory(App& app);
/// UV EPROMs, flash chips and the X28C256: the whole chip through the address walk.
void ReadParallelChip(App& app);
/// 24Cxx serial EEPROMs through the serial read routine.
void ReadSerialChip(App& app);
/// Data memory of the microcontroller: no routine.
void ReadDataMemory(App& app);

} // namespace quorbit
