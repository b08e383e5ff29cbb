#pragma once
// Identification of the 5 V flash chips: maker and device code read in the
// chip's identification mode and named from the program's ID table.
#include <string>
#include <string_view>

#include "catalog/FlashIds.h"
#include "hw/Board.h"
#include "state/DeviceConfig.h"

namespace quorbit {

class App;

/// What a flash chip tells in its identification mode, and its first two bytes
/// in read mode.
struct FlashCodes {
    int maker = 0;
    int device = 0;
    int first = 0;
    int second = 0;
};

/// Puts the chip `device` into identification mode, reads its maker and device
/// codes, returns it to read mode and reads bytes 0 and 1; the board reset by the
/// caller, its indicator on while it reads.
FlashCodes ReadFlashCodes(Board& b, const DeviceConfig& device);

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
void FlashIDCycle(Board& b, const DeviceConfig& device);
/// Menu "Show Flash Code ID#".
void menuFlashShowCodeID_Click(App& app);

} // namespace quorbit
