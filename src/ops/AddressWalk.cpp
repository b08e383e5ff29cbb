#include "ops/AddressWalk.h"

#include "ops/ChipRoutine.h"
#include "ops/Flash.h"

#include "app/Shell.h"

namespace quorbit {

void OpenChipForReading(App& app) {
    Board& b = app.board;
    Reset(app); // also address 0 and its counters
    // A 32-pin flash chip may still show the status of a failed program instead
    // of its contents: the reset command returns it to reading first.
    if (app.dev.routines.program == ProgramRoutine::JedecFlash) {
        b.DriveDataPins();
        WriteFlashReset(b);
    }
    b.LatchAddress();
    b.SleepMs(kAddressSettleMs);
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
}

bool ChipShowsItsContents(App& app) {
    const ProgramRoutine routine = app.dev.routines.program;
    const bool pageWrite =
        routine == ProgramRoutine::At29c256 || routine == ProgramRoutine::PageEeprom;
    const bool flash32 = routine == ProgramRoutine::JedecFlash;
    if (!pageWrite && !flash32) return true;
    // While a page-write part writes, or a 32-pin flash chip runs its embedded
    // program or erase, every read gives the status, and I/O6 (DQ6) toggles from
    // one read (OE falling) to the next. Half a second after the reset any page
    // write cycle (10 ms at most) is over, and a flash chip that only showed DQ5
    // after a program or erase past its limit has taken the reset command and reads
    // its array. A toggle now is a part that never ends a write cycle, or a flash
    // chip still erasing (it ignores the reset command meanwhile): its "contents"
    // would be status bytes (DQ7 0 and DQ3 1 of an erase, 08h or 48h everywhere).
    Board& b = app.board;
    const std::uint8_t first = b.ReadDataByte();
    b.DisableOutput();
    b.EnableChipAndOutput();
    const std::uint8_t second = b.ReadDataByte();
    if (((first ^ second) & 0x40) == 0) return true;
    app.ops.Outcome = OpOutcome::Failed;
    EnterErrorState(app);
    DataFlowLampOff(app);
    LogMessage(app, "Error: the " + app.dev.DeviceName +
                        (pageWrite ? " is still in a write cycle"
                                   : " is still busy (an erase or program has not ended)") +
                        " and shows its status, not its contents");
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
