#pragma once
// The maker and device codes the 5 V flash chips answer in their identification
// mode, and the catalog device each code stands for.
#include <string>
#include <string_view>

namespace quorbit {

/// The four hex digits of an ID: the maker code, then the device code ("01A4").
std::string FlashIdText(int maker, int device);
/// The name the ID table gives a four-digit FlashID, or "" for an unlisted one.
/// A catalog row that carries a flash ID of its own names it too ("SST
/// SST39SF040 Flash Memory").
std::string FlashIdName(std::string_view flashId);
/// The catalog row of the device a four-digit FlashID answers as (a compatible
/// part counts as the device it replaces), or -1 when no catalog device has it.
int FlashIdRow(std::string_view flashId);
/// The name the program's own ID table gives the ID, leaving out the catalog
/// rows' own IDs; "" when the table does not list it.
std::string ListedFlashIdName(std::string_view flashId);
/// Whether the program writes and erases a 32-pin flash chip of this maker code
/// and four-digit ID: every chip of AMIC, AMD, EON and Atmel, and a chip whose
/// whole ID a catalog row carries as its own (another chip of that maker may take
/// other commands: SST's BF07 is a page-write part).
bool FlashChipSupported(int maker, std::string_view flashId);

} // namespace quorbit
