#include "ops/AddressWalk.h"

#include "ops/Flash.h"

#include "app/Shell.h"

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

bool ChipShowsItsContents(App& app) {
    const std::string& type = app.dev.DeviceType;
    if (type != "FA" && type != "EN") return true;
    // During a write cycle every read gives the status, and I/O6 toggles from one
    // read (OE falling) to the next. Half a second after the reset any cycle
    // (10 ms at most) is over, so a toggle now is a chip that never ends one: its
    // "contents" would be status bytes.
    Board& b = app.board;
    b.GetNibbles();
    const std::uint8_t first = b.DataIn;
    b.OEOFF();
    b.CEOEON();
    b.GetNibbles();
    if (((first ^ b.DataIn) & 0x40) == 0) return true;
    app.ops.Outcome = OpOutcome::Failed;
    EnterErrorState(app);
    DataFlowLampOff(app);
    LogMessage(app, "Error: the " + app.dev.DeviceName +
                        " is still in a write cycle and shows its status, not its contents");
    PlayEventSound(app, "ERROR");
    ShowCriticalError(app);
    Reset(app);
    return false;
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
