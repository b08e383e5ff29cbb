#pragma once
// Identification of the 5 V flash chips: maker and device code read in the
// chip's identification mode and named from the program's ID table.
#include <string>
#include <string_view>

namespace quorbit {

class App;

/// The name the ID table gives a four-digit FlashID, or "" for an unlisted one.
/// A catalog row that carries a flash ID of its own names it too ("SST
/// SST39SF040 Flash Memory").
std::string FlashIdName(std::string_view flashId);
/// The catalog row of the device a four-digit FlashID answers as (a compatible
/// part counts as the device it replaces), or -1 when no catalog device has it.
int FlashIdRow(std::string_view flashId);
/// Whether the program writes and erases a 32-pin flash chip of this maker code
/// and four-digit ID: every chip of AMIC, AMD, EON and Atmel, and a chip whose
/// whole ID a catalog row carries as its own (another chip of that maker may take
/// other commands: SST's BF07 is a page-write part).
bool FlashChipSupported(int maker, std::string_view flashId);
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
