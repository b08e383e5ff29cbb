#pragma once
// Identification of the 5 V flash chips: maker and device code read in the
// chip's identification mode and named from the program's ID table.
#include <string>
#include <string_view>

#include "catalog/FlashIds.h"

namespace quorbit {

class App;

/// After ReadFlashID: true when the ID names no catalog device or the chosen one.
/// Otherwise logs both names and asks the operator or follows OnOtherDevice;
/// false (Outcome Cancelled or Refused, the chip untouched) when not going ahead.
bool ChipIsTheChosenDevice(App& app);
/// Reads maker and device code and the first two bytes in read mode, logs the
/// chip's name (and "Not a Flash Unit" when both reads agree). Flash only.
void ReadFlashID(App& app);
/// Puts the AT29C256 into its product-identification mode, reads the maker and
/// device codes and returns it to read mode. Keeps nothing and logs nothing: it
/// only leaves the chip's command state machine in a known state after selection.
void FlashIDCycle(App& app);
/// Menu "Show Flash Code ID#".
void menuFlashShowCodeID_Click(App& app);

} // namespace quorbit
