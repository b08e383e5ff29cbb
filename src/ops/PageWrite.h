#pragma once
// What the two 28-pin page-write routines share: the page geometry, the speed
// wait, the progress pacing and the six-cycle protection-disable command.
#include <cstdint>

namespace quorbit {

class App;

/// Both parts: 512 pages of 64 bytes (the AT28C64B on the X28C256's routine: 128). The page loops
/// run over the chip's pages up to the end of the image; a page the image holds no byte of is not
/// written.
inline constexpr int kPageBytes = 64;
inline constexpr int kPagesPerChip = 512;
inline constexpr int kPageWriteChipBytes = kPageBytes * kPagesPerChip;

/// The operator's speed: Slider1 maximum - value + k milliseconds, read now.
void SpeedWait(App& app, int extraMs);
/// The progress bar runs to one step per 8 pages of the chip (64 for 32 KiB).
void StartPageProgress(App& app);
/// A page read back right: the program lamp blinks every 8 pages, progress moves.
void PageVerified(App& app);
/// The data byte of the image at the current Address.
std::uint8_t ImageByteAtAddress(const App& app);
/// Whether the image holds the byte at the current Address.
bool ImageHoldsAddress(const App& app);
/// Whether the image holds any byte of page `page`.
bool ImageHoldsPage(const App& app, int page);
/// Pages from 0 up to the one holding the image's last byte.
int PagesOfImage(const App& app);

/// One command write cycle of a part: Reg4Shadow at CommandAddress.
using CommandWrite = void (*)(App&);
/// OE off, CE off with the board driving the data pins, then the six cycles that
/// switch software data protection off: AAh 55h 80h AAh 55h 20h at 5555h/2AAAh.
void WriteProtectionDisable(App& app, CommandWrite write);
/// One cycle: `data` at `address` through the part's command write.
void CommandCycle(App& app, CommandWrite write, int address, int data);

} // namespace quorbit
