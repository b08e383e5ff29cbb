#include "ops/AddressWalk.h"

#include "ops/Flash.h"

namespace quorbit {

void OpenChipForReading(App& app) {
    Board& b = app.board;
    Reset(app); // also address 0 and its counters
    // A 32-pin flash chip may still show the status of a failed program instead
    // of its contents: the reset command returns it to reading first.
    if (app.dev.DeviceFamily == "F" && app.dev.DeviceType != "FA") {
        b.REG4ON();
        WriteFlashReset(app);
    }
    b.SETADR();
    b.SleepMs(500);
    b.REG4OFF();
    b.CEOEON();
}

void SetWalkLimits(App& app, std::int32_t bytes) {
    const std::int32_t last = bytes - 1;
    app.ops.LastBank = last / 65536;
    app.ops.LastPage = (last - app.ops.LastBank * 65536) / 256;
}

void LatchBank(App& app, int bank) {
    Board& b = app.board;
    b.Reg3Shadow =
        b.BankMap.at(static_cast<std::size_t>(bank)) | (b.Reg3Shadow & 0xF0) | b.DeviceReg3Bits;
    b.SetReg3();
}

void LatchPage(App& app, int page) {
    Board& b = app.board;
    b.Reg1Shadow = b.PageMap.at(static_cast<std::size_t>(page)) | b.DeviceReg1Bits;
    b.SetReg1();
}

} // namespace quorbit
