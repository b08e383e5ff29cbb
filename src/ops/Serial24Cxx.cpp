// 24Cxx serial EEPROMs on the two-wire bus.
//
// Writes go a page at a time: start, control byte (A0h; for the 24C08/16 the block
// number A8-A10 sits in bits 1-3, giving A0h, A2h, A4h, A6h ... per 256 bytes), the
// word address (one byte, two from the 24C32 on), a page of data bytes (16 for the
// 24C08/16, 32 for the 24C32/64, 64 for the 24C128/256, as the chosen row's
// datasheet gives it), stop. The stop
// starts the chip's internal write cycle (up to 5 ms); acknowledge polling (a
// start and the control byte, 50 times at most, 2 ms apart) waits it out. Reads
// load the address counter with a dummy write of address 0, then a repeated start
// and A1h, and take the whole chip in one sequential transfer. Every byte the chip
// sends is acknowledged except the last: without a master acknowledge the chip
// lets go of the data line, so the stop condition that follows can happen. A chip
// that does not acknowledge ends the command at once with AckError set.
//
// An acknowledged byte is only a byte the chip received, not one it stored: a worn
// cell takes the write cycle and keeps its old value. So the writers read the chip
// back after the last page and end in the programming-failure report on the first
// byte that differs from what was written.
#include "ops/Serial24Cxx.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "ops/AddressWalk.h"
#include "ops/Program.h"
#include "ops/TwoWire.h"
#include "ops/VerifyReports.h"

namespace quorbit {
namespace {

constexpr int kPollLimit = 50;
constexpr int kPollPauseMs = 2;
constexpr int kBusSettleMs = 50;

/// Two word address bytes after the control byte (the 24C32 and larger parts).
bool TwoAddressBytes(const App& app) {
    const int bytes = app.dev.facts.addressBytes;
    return bytes != 0 ? bytes == 2 : app.dev.routines.program == ProgramRoutine::Serial24c32;
}

/// I2C_OUT of one byte; false when the chip did not acknowledge it.
bool Send(App& app, int byte) {
    app.board.DataOut = static_cast<std::uint8_t>(byte);
    I2C_OUT(app);
    return app.flags.AckError == 0;
}

/// Waits out the internal write cycle: the chip acknowledges its control byte
/// again once the page is written. Gives up after 50 polls with AckError 50.
void PollWriteCycle(App& app, int control) {
    Board& b = app.board;
    int& polls = app.flags.AckError;
    polls = 0;
    do {
        I2C_START(app);
        b.DataOut = static_cast<std::uint8_t>(control);
        I2C_OUT_POLL(app);
        ++polls;
        if (b.DataIn != 0) b.SleepMs(kPollPauseMs);
    } while (b.DataIn == 0x80 && polls < kPollLimit);
    if (b.DataIn == 0) polls = 0;
    // The poll's acknowledge clock; the next page begins with a start.
    b.DisableChip();
    b.EnableChip();
}

/// Dummy write of address 0, repeated start, read control byte; then the data line
/// is released with register 4 holding the low level of the master acknowledge.
bool StartSequentialRead(App& app) {
    Board& b = app.board;
    b.DisableOutput();
    b.SleepMs(kBusSettleMs);
    I2C_START(app);
    if (!Send(app, 0xA0) || !Send(app, 0x00)) return false;
    if (TwoAddressBytes(app) && !Send(app, 0x00)) return false;
    I2C_START(app);
    if (!Send(app, 0xA1)) return false;
    b.ReleaseDataPins();
    b.Reg4Shadow = 0;
    b.SetReg4();
    return true;
}

void AdvanceProgress(App& app, std::int32_t index) {
    if (index % 16 == 0) SetProgressValue(app, app.ui.ProgressBar1.value + 16);
}

/// The byte the chip should hold at `index`: the code buffer, or FFh when erasing.
std::uint8_t WrittenByte(const App& app, std::int32_t index) {
    if (app.flags.EraseMode == 1) return 0xFF;
    return app.buf.CodeBuffer[static_cast<std::size_t>(index)];
}

/// Whether the byte at `index` is written and compared: every byte when erasing,
/// else the bytes the image holds.
bool Written(const App& app, std::int32_t index) {
    return app.flags.EraseMode == 1 ||
           app.buf.CodeCoverage.Holds(static_cast<std::uint32_t>(index));
}

/// One past the last byte written: the chip's end when erasing, else the image's.
std::int32_t WrittenEnd(const App& app) {
    const std::int32_t chip = ChipBytes(app);
    if (app.flags.EraseMode == 1) return chip;
    const auto end = static_cast<std::int32_t>(app.buf.CodeCoverage.End());
    return end < chip ? end : chip;
}

/// Reads the chip's first `size` bytes in one sequential transfer, handing each
/// byte to `visit(index, byte)`; a false answer ends the transfer there (the byte
/// is left in DataIn). False when the chip did not answer the read's start
/// (AckError set).
template <typename Visit>
bool ReadFromStart(App& app, std::int32_t size, Visit visit, bool showProgress) {
    if (size <= 0) return true;
    if (!StartSequentialRead(app)) return false;
    for (std::int32_t i = 0; i < size; ++i) {
        if (showProgress) AdvanceProgress(app, i);
        I2C_IN(app);
        const bool more = visit(i, app.board.DataIn);
        // The transfer ends at the last byte and where the caller stops alike.
        if (i == size - 1 || !more) {
            I2C_MASTER_NACK(app);
            I2C_STOP(app);
        } else {
            I2C_MASTER_ACK(app);
        }
        if (!more) break;
    }
    return true;
}

/// The index of the first written byte that differs from `expected` (the byte
/// found is in DataIn), or nothing.
template <typename Expected>
std::optional<std::int32_t> FirstDifference(App& app, Expected expected, bool showProgress) {
    std::optional<std::int32_t> at;
    ReadFromStart(
        app, WrittenEnd(app),
        [&](std::int32_t i, std::uint8_t byte) {
            if (!Written(app, i) || byte == expected(i)) return true;
            at = i;
            return false;
        },
        showProgress);
    return at;
}

/// After the last page: the chip read back against what was written. The progress
/// bar stays at the pages written.
void ReadBackWrittenPages(App& app) {
    const auto at = FirstDifference(
        app, [&app](std::int32_t i) { return WrittenByte(app, i); }, false);
    if (!at) return;
    Board& b = app.board;
    b.Address = *at;
    b.DataOut = WrittenByte(app, *at);
    ReportProgramFailure(app);
}

struct PageLayout {
    int pageBytes;
    bool twoAddressBytes; // 24C32 on: the high and low byte; else the block in the control byte
    const char* eraseLine;
};

/// `count` bytes from device address `a`, all in one page (a write may be
/// shorter than a page); false when a byte was not acknowledged.
bool WriteRun(App& app, const PageLayout& layout, std::int32_t a, std::int32_t count) {
    Board& b = app.board;
    b.Address = a; // where a stop finds the write
    b.AdrPage = a / 256;
    b.AdrLow = a - 256 * b.AdrPage;
    const int control = layout.twoAddressBytes ? 0xA0 : 0xA0 + 2 * b.AdrPage;
    I2C_START(app);
    if (!Send(app, control)) return false;
    if (layout.twoAddressBytes && !Send(app, b.AdrPage)) return false;
    if (!Send(app, b.AdrLow)) return false;
    for (std::int32_t i = 0; i < count; ++i)
        if (!Send(app, WrittenByte(app, a + i))) return false;
    I2C_STOP(app);
    PollWriteCycle(app, control);
    return true;
}

/// The page from `first`: one write for each run of bytes to write in it; bytes
/// the image does not hold are not touched. False when a byte was not acknowledged.
bool WritePage(App& app, const PageLayout& layout, std::int32_t first, std::int32_t end) {
    for (std::int32_t a = first; a < end;) {
        if (!Written(app, a)) {
            ++a;
            continue;
        }
        std::int32_t run = 1;
        while (a + run < end && Written(app, a + run))
            ++run;
        if (!WriteRun(app, layout, a, run)) return false;
        a += run;
    }
    SetProgressValue(app, app.ui.ProgressBar1.value + 1);
    return true;
}

void WritePages(App& app, const PageLayout& layout) {
    Board& b = app.board;
    if (app.flags.EraseMode == 1) {
        LogMessage(app, layout.eraseLine);
        LogMessage(app, "Program Buffer will not be erased");
    }
    const std::int32_t end = WrittenEnd(app);
    const std::int32_t pageCount = (end + layout.pageBytes - 1) / layout.pageBytes;
    app.ops.WriteUnit = layout.pageBytes;
    b.DisableOutput();
    b.SleepMs(kBusSettleMs);
    SetProgressMax(app, pageCount);
    for (std::int32_t first = 0; first < end; first += layout.pageBytes) {
        const std::int32_t pageEnd = std::min(first + layout.pageBytes, end);
        if (!WritePage(app, layout, first, pageEnd))
            return; // the bus is left as the failed byte left it
    }
    ReadBackWrittenPages(app);
    if (app.flags.AckError != 0 || app.flags.OperationFailed != 0) return;
    b.Reg4Shadow = 0;
    b.SetReg4();
    b.DriveDataPins();
}

} // namespace

namespace {

/// The chosen row's page, or the routine's own where the row gives none.
int PageBytes(const App& app, int routinePage) {
    return app.dev.facts.pageBytes > 0 ? app.dev.facts.pageBytes : routinePage;
}

} // namespace

void P24CXX(App& app) {
    WritePages(app, {PageBytes(app, 16), false, "Erasing Device 24CXX"});
}

void P24C32(App& app) {
    WritePages(app, {PageBytes(app, 32), true, "Erasing Device 24C32"});
}

void Read24CXX(App& app) {
    if (!StartSequentialRead(app)) return;
    const std::int32_t size = ChipBytes(app);
    auto& code = app.buf.CodeBuffer;
    for (std::int32_t ReadIndex = 0; ReadIndex < size; ++ReadIndex) {
        AdvanceProgress(app, ReadIndex);
        I2C_IN(app);
        if (ReadIndex == size - 1)
            I2C_MASTER_NACK(app);
        else
            I2C_MASTER_ACK(app);
        code[static_cast<std::size_t>(ReadIndex)] = app.board.DataIn;
    }
    I2C_STOP(app);
}

void Verify24CXX(App& app) {
    // What the image holds, whatever an erase that was cancelled left in EraseMode.
    const Coverage& held = app.buf.CodeCoverage;
    const auto chipBytes = static_cast<std::uint32_t>(std::max(ChipBytes(app), 0));
    const auto end = static_cast<std::int32_t>(std::min(held.End(), chipBytes));
    SetProgressValue(app, 0);
    SetProgressMax(app, end);
    const auto& code = app.buf.CodeBuffer;
    VerifyTally tally(static_cast<std::size_t>(end));
    // Read on after the first difference: the report counts them all.
    const bool answered = ReadFromStart(
        app, end,
        [&](std::int32_t i, std::uint8_t byte) {
            const auto address = static_cast<std::uint32_t>(i);
            if (held.Holds(address)) tally.Compare(app, address, byte, code[address]);
            return true;
        },
        true);
    if (answered) tally.Finish(app, held.Below(static_cast<std::uint32_t>(end)), code);
}

void ParkSerialBus(App& app) {
    Board& b = app.board;
    b.EnableChip();
    b.EnableOutput();
    b.Reg1Shadow = 0;
    b.Reg2Shadow = 0;
    b.SetReg1();
    b.SetReg2();
}

} // namespace quorbit
