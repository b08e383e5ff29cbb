#pragma once
// The address walk that reads, blank checks and verifies share: banks through
// register 3, 256-byte pages through register 1, low bytes through register 2,
// one two-nibble read per byte. CE and OE stay active for the whole walk.
#include <cstdint>

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {

/// Bytes a chip command covers: always the chosen device's whole size (a loaded
/// code file of another length does not change how much of the chip is touched).
inline std::int32_t ChipBytes(const App& app) {
    return app.dev.ImageLength;
}

/// Board reset, address 0 latched, half a second for the socket's supply to settle,
/// then data pins released and CE and OE active: the chip drives its first byte.
void OpenChipForReading(App& app);
/// After OpenChipForReading: true when the chip shows its contents. A page-write
/// EEPROM (AT29C256, X28C256) that never ends a write cycle, or a 32-pin flash chip
/// still in an embedded erase or program, answers every read with its status
/// instead (DQ6 toggling); that is reported as a failure and the board is reset.
bool ChipShowsItsContents(App& app);
/// LastBank and LastPage for a walk over the first `bytes` bytes.
void SetWalkLimits(App& app, std::int32_t bytes);
/// Register 3 for bank `bank`: the bank's map entry, the kept upper bits, the device bits.
void LatchBank(App& app, int bank);
/// Register 1 for page `page`: the page's map entry and the device bits.
void LatchPage(App& app, int page);

/// Walks the first `bytes` bytes from address 0, board.Address holding the address
/// of the byte read and handed to `visit`. The progress bar's maximum is one step
/// per page and it moves once per page. `visit` returns false to end the walk;
/// the result tells whether every byte was visited.
template <typename Visit> bool WalkDevice(App& app, std::int32_t bytes, Visit&& visit) {
    Board& b = app.board;
    SetProgressValue(app, 0);
    SetProgressMax(app, bytes / 256);
    if (bytes <= 0) return true;
    SetWalkLimits(app, bytes);
    b.Address = 0;
    for (b.AdrBank = 0; b.AdrBank <= app.ops.LastBank; ++b.AdrBank) {
        LatchBank(app, b.AdrBank);
        // Every bank before the last is whole; only the last one may end early.
        const int lastPage = b.AdrBank == app.ops.LastBank ? app.ops.LastPage : 255;
        for (b.AdrPage = 0; b.AdrPage <= lastPage; ++b.AdrPage) {
            LatchPage(app, b.AdrPage);
            AdvanceProgress(app, 1);
            for (int low = 0; low < 256; ++low) {
                b.Reg2Shadow = low;
                b.SetReg2();
                if (!visit(b.ReadDataByte())) return false;
                ++b.Address;
            }
        }
    }
    // Leave the counters on the last byte walked, not one past it.
    b.AdrBank = app.ops.LastBank;
    b.AdrPage = app.ops.LastPage;
    return true;
}

} // namespace quorbit
