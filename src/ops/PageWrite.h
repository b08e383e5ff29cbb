#pragma once
// What the two 28-pin page-write routines share: the page geometry, the speed
// wait, the page the routines load and the six-cycle protection-disable command.
#include <array>
#include <cstdint>

#include "ops/ChipRoutine.h"

namespace quorbit {

class App;

/// Both parts: 512 pages of 64 bytes (the AT28C64B on the X28C256's routine: 128). The page loops
/// run over the chip's pages up to the end of the image; a page the image holds no byte of is not
/// written.
inline constexpr int kPageBytes = 64;
inline constexpr int kPagesPerChip = 512;
inline constexpr int kPageWriteChipBytes = kPageBytes * kPagesPerChip;

/// The progress bar runs to one step per 8 pages of the chip (64 for 32 KiB).
void StartPageProgress(App& app);

/// One page of an image: its bytes, and which of them the image holds.
struct ImagePage {
    int number = 0;
    std::array<std::uint8_t, kPageBytes> bytes{};
    std::array<bool, kPageBytes> held{};
    [[nodiscard]] int FirstAddress() const { return kPageBytes * number; }
    [[nodiscard]] bool HoldsAll() const;
};
/// Page `page` of `image`.
ImagePage PageOf(const ImageToWrite& image, int page);
/// Whether the image holds any byte of page `page`.
bool ImageHoldsPage(const ImageToWrite& image, int page);
/// Pages from 0 up to the one holding the image's last byte.
int PagesOfImage(const ImageToWrite& image);

/// One command write cycle of a part: Reg4Shadow at `address`.
using CommandWrite = void (*)(Board& b, int address);
/// OE off, CE off with the board driving the data pins, then the six cycles that
/// switch software data protection off: AAh 55h 80h AAh 55h 20h at 5555h/2AAAh.
void WriteProtectionDisable(Board& b, CommandWrite write);
/// One cycle: `data` at `address` through the part's command write.
void CommandCycle(Board& b, CommandWrite write, int address, int data);

} // namespace quorbit
