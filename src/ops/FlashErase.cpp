// Chip erase: the six-cycle erase command, then DQ7 polling. While the chip
// erases DQ7 reads 0; it reads 1 once every byte is FFh. DQ7 is one bit of one
// byte: a stuck cell, or a poll read that came back wrong, would let it call an
// unerased chip erased, so the whole chip is read back before erasing is
// reported complete.
//
// The poll lasts as long as the chip may take, on the port's clock, not for a
// count of reads (whose time follows the port's speed): the AM29F010/020/040
// datasheets give a chip erase 8 s typically and 64 s at most, the AT29C256's
// 20 ms, the SST39SF0x0A's 100 ms; a quarter more is allowed before the chip is
// given up on.
#include "ops/FlashErase.h"

#include "app/App.h"
#include "app/Shell.h"
#include "link/RequireBoard.h"
#include "ops/BlankCheck.h"
#include "ops/EraseChip.h"
#include "ops/Flash.h"
#include "ops/FlashId.h"

namespace quorbit {
namespace {

struct EraseKind {
    bool (*accepts)(App&);
    int afterCommandsMs;
    std::int64_t longestEraseMs; // the datasheet's chip erase time at most
};

/// Between two polls: DQ7 changes once, at the end of seconds of erasing.
constexpr int kPollPauseMs = 1;

bool AcceptsJedecFlash(App& app) {
    return FlashChipSupported(app.ops.flash.FlashMakerCode, app.ops.flash.FlashID);
}

bool AcceptsAt29c256(App& app) {
    if (app.ops.flash.FlashID == "1FDC") return true;
    LogMessage(app, "Device ID# " + app.ops.flash.FlashID + " - Not Supported");
    return false;
}

void SendCommand(App& app, int command) {
    CMD_FLASH(app.board, app.dev, command); // the AT29C256 form for "FA"
}

/// Polls DQ7 at the address the last command left on the board (5555h) until it
/// reads 1, or until the chip's longest erase and a quarter more have passed
/// since `startNs`; the last poll comes after that time, so a wait that was
/// stretched (the thread preempted) never fails a chip that has finished.
bool WaitForErase(App& app, const EraseKind& kind, std::int64_t startNs) {
    Board& b = app.board;
    const std::int64_t boundNs = kind.longestEraseMs * 1'000'000 * 5 / 4;
    for (;;) {
        b.EnableChip();
        b.EnableOutput();
        b.ReadDataByte();
        b.DisableOutput();
        b.DisableChip();
        if (b.DataIn >= 128) return true;
        const std::int64_t takenNs = b.NowNs() - startNs;
        ShowWaitPhase(app, "Erasing the chip", static_cast<double>(takenNs) / 1e9);
        if (takenNs >= boundNs) return false;
        b.SleepMs(kPollPauseMs);
    }
}

void RunErase(App& app, const EraseKind& kind) {
    LogMessage(app, "Flash Erase Button Pressed");
    if (!OperatorConfirmsErase(app)) return;
    if (!RequireBoard(app)) return;
    ReadFlashID(app);
    if (!kind.accepts(app)) {
        app.ops.Outcome = OpOutcome::Refused;
        return;
    }
    if (!ChipIsTheChosenDevice(app)) return;
    LogMessage(app, "Device ID# " + app.ops.flash.FlashID + " - Erase Operation Started.. WAIT!");
    SendCommand(app, 0x80);
    SendCommand(app, 0x10);
    const std::int64_t startNs = app.board.NowNs();
    if (kind.afterCommandsMs > 0) app.board.SleepMs(kind.afterCommandsMs);
    app.board.ReleaseDataPins();
    const bool erased = WaitForErase(app, kind, startNs);
    EndWaitPhase(app);
    if (erased) {
        SendCommand(app, 0xF0);
        if (BLANKCODE_PARALLEL(app)) {
            LogMessage(app, "Flash Erasing Operation COMPLETED");
            app.ops.Outcome = OpOutcome::Success;
        } else {
            LogMessage(app, "Erasing Operation NOT COMPLETED!");
            app.ops.Outcome = OpOutcome::Failed;
        }
        return;
    }
    LogMessage(app, "TimeOut Failure during Erasing Flash");
    LogMessage(app, "Flash Chip is not responding");
    LogMessage(app, "Erasing Operation NOT COMPLETED!");
    app.ops.Outcome = OpOutcome::Failed;
}

} // namespace

void EraseFLASH(App& app) {
    // A row's own datasheet maximum where it gives one (the SST39SF0x0A's 100 ms).
    const int longestMs = app.dev.facts.chipEraseMaxMs > 0 ? app.dev.facts.chipEraseMaxMs : 64'000;
    RunErase(app, {AcceptsJedecFlash, 0, longestMs});
}

void EraseAT29C256(App& app) {
    RunErase(app, {AcceptsAt29c256, 20, 20});
}

} // namespace quorbit
