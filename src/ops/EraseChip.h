#pragma once
// The Erase Chip command and the flash menu entries.

namespace quorbit {

class App;

/// Erase Chip: the device type's erase routine, its outcome the command's.
void eraseChipButton_Click(App& app);
/// Menu "Erase Device Flash Memory": the same command.
void menuEraseFlash_Click(App& app);

/// The erase safety question; false (logged, nothing touched) on Cancel.
bool OperatorConfirmsErase(App& app);
/// The claim of an EEPROM erase that wrote FFh everywhere and read every byte
/// back (the 24Cxx, the X28C256): its log line.
void LogErasedChip(App& app);

/// Attaches Erase Chip, the flash ID entry, LoopFlashTest and ResetFlash.
void WireFlashHandlers(App& app);

} // namespace quorbit
