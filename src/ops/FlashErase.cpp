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
#include "ops/Program.h"

namespace quorbit {
namespace {

/// Between two polls: DQ7 changes once, at the end of seconds of erasing.
constexpr int kPollPauseMs = 1;
/// The AM29F0x0 datasheets' longest chip erase, for a row that gives none.
constexpr std::int64_t kJedecLongestEraseMs = 64'000;
/// The AT29C256's chip erase: 20 ms, waited out before the first poll.
constexpr int kAt29c256EraseMs = 20;

struct EraseTimes {
    int afterCommandsMs;
    std::int64_t longestEraseMs; // the datasheet's chip erase time at most
};

EraseTimes TimesOf(const DeviceConfig& device) {
    if (device.routines.erase == EraseRoutine::At29c256)
        return {kAt29c256EraseMs, kAt29c256EraseMs};
    // A row's own datasheet maximum where it gives one (the SST39SF0x0A's 100 ms).
    const int rowMs = device.facts.chipEraseMaxMs;
    return {0, rowMs > 0 ? rowMs : kJedecLongestEraseMs};
}

bool AcceptsJedecFlash(App& app) {
    return FlashChipSupported(app.ops.flash.FlashMakerCode, app.ops.flash.FlashID);
}

bool AcceptsAt29c256(App& app) {
    if (app.ops.flash.FlashID == "1FDC") return true;
    LogMessage(app, "Device ID# " + app.ops.flash.FlashID + " - Not Supported");
    return false;
}

/// Polls DQ7 at the address the last command left on the board (5555h) until it
/// reads 1, or until the chip's longest erase and a quarter more have passed
/// since `startNs`; the last poll comes after that time, so a wait that was
/// stretched (the thread preempted) never fails a chip that has finished.
bool WaitForErase(Board& b, const EraseTimes& times, std::int64_t startNs,
                  ProgrammingEvents& events) {
    const std::int64_t boundNs = times.longestEraseMs * 1'000'000 * 5 / 4;
    for (;;) {
        b.EnableChip();
        b.EnableOutput();
        b.ReadDataByte();
        b.DisableOutput();
        b.DisableChip();
        if (b.DataIn >= 0x80) return true;
        const std::int64_t takenNs = b.NowNs() - startNs;
        events.Waiting("Erasing the chip", static_cast<double>(takenNs) / 1e9);
        if (takenNs >= boundNs) return false;
        b.SleepMs(kPollPauseMs);
    }
}

OpOutcome RunErase(App& app, bool (*accepts)(App&)) {
    LogMessage(app, "Flash Erase Button Pressed");
    if (!OperatorConfirmsErase(app)) return OpOutcome::Cancelled;
    if (!RequireBoard(app)) return OpOutcome::Refused;
    ReadFlashID(app);
    if (!accepts(app)) return OpOutcome::Refused;
    if (!ChipIsTheChosenDevice(app)) return app.ops.Outcome; // as the question left it
    LogMessage(app, "Device ID# " + app.ops.flash.FlashID + " - Erase Operation Started.. WAIT!");
    WindowProgrammingEvents events(app);
    const EraseOutcome erase = EraseFlashChip(app.board, app.dev, events);
    if (!erase.finished) {
        LogMessage(app, "TimeOut Failure during Erasing Flash");
        LogMessage(app, "Flash Chip is not responding");
        LogMessage(app, "Erasing Operation NOT COMPLETED!");
        return OpOutcome::Failed;
    }
    if (!BlankCheckParallelChip(app)) {
        LogMessage(app, "Erasing Operation NOT COMPLETED!");
        return OpOutcome::Failed;
    }
    LogMessage(app, "Flash Erasing Operation COMPLETED");
    return OpOutcome::Success;
}

} // namespace

EraseOutcome EraseFlashChip(Board& b, const DeviceConfig& device, ProgrammingEvents& events) {
    const EraseTimes times = TimesOf(device);
    SendFlashCommand(b, device, 0x80);
    SendFlashCommand(b, device, 0x10);
    const std::int64_t startNs = b.NowNs();
    if (times.afterCommandsMs > 0) b.SleepMs(times.afterCommandsMs);
    b.ReleaseDataPins();
    const bool finished = WaitForErase(b, times, startNs, events);
    const std::int64_t takenNs = b.NowNs() - startNs;
    events.WaitOver();
    if (finished) SendFlashCommand(b, device, 0xF0);
    return {finished, takenNs};
}

OpOutcome EraseJedecFlash(App& app, const ChipOptions& /*options*/) {
    return RunErase(app, AcceptsJedecFlash);
}

OpOutcome EraseAt29c256Chip(App& app, const ChipOptions& /*options*/) {
    return RunErase(app, AcceptsAt29c256);
}

} // namespace quorbit
