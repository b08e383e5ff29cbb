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
// that does not acknowledge ends the command at once.
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
#include "ops/EraseChip.h"
#include "ops/Program.h"
#include "ops/TwoWire.h"
#include "ops/VerifyReports.h"

namespace quorbit {
namespace {

constexpr int kPollLimit = 50;
constexpr int kPollPauseMs = 2;
constexpr int kBusSettleMs = 50;

/// The bus and what its last acknowledge left: 0 when the chip answered, else the
/// samples (200) or polls (50) spent waiting for it.
struct Bus {
    Board& b;
    int unanswered = 0;

    /// One byte out; false when the chip did not acknowledge it.
    bool Send(int byte) {
        unanswered = TwoWireSend(b, static_cast<std::uint8_t>(byte));
        return unanswered == 0;
    }
};

/// Two word address bytes after the control byte (the 24C32 and larger parts).
bool TwoAddressBytes(const DeviceConfig& device) {
    const int bytes = device.facts.addressBytes;
    return bytes != 0 ? bytes == 2 : device.routines.program == ProgramRoutine::Serial24c32;
}

/// Waits out the internal write cycle: the chip acknowledges its control byte
/// again once the page is written. Gives up after 50 polls, leaving 50.
void PollWriteCycle(Bus& bus, int control) {
    Board& b = bus.b;
    int& polls = bus.unanswered;
    polls = 0;
    do {
        TwoWireStart(b);
        TwoWireSendPolled(b, static_cast<std::uint8_t>(control));
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
bool StartSequentialRead(Bus& bus, const DeviceConfig& device) {
    Board& b = bus.b;
    b.DisableOutput();
    b.SleepMs(kBusSettleMs);
    TwoWireStart(b);
    if (!bus.Send(0xA0) || !bus.Send(0x00)) return false;
    if (TwoAddressBytes(device) && !bus.Send(0x00)) return false;
    TwoWireStart(b);
    if (!bus.Send(0xA1)) return false;
    b.ReleaseDataPins();
    b.Reg4Shadow = 0;
    b.SetReg4();
    return true;
}

/// Reads the chip's first `size` bytes in one sequential transfer, handing each
/// byte to `visit(index, byte)`; a false answer ends the transfer there.
/// `advance(index)` runs before each byte. False when the chip did not answer the
/// read's start.
template <typename Visit, typename Advance>
bool ReadFromStart(Bus& bus, const DeviceConfig& device, std::int32_t size, Visit visit,
                   Advance advance) {
    if (size <= 0) return true;
    if (!StartSequentialRead(bus, device)) return false;
    Board& b = bus.b;
    for (std::int32_t i = 0; i < size; ++i) {
        advance(i);
        const bool more = visit(i, TwoWireReceive(b));
        // The transfer ends at the last byte and where the caller stops alike.
        if (i == size - 1 || !more) {
            TwoWireMasterNack(b);
            TwoWireStop(b);
        } else {
            TwoWireMasterAck(b);
        }
        if (!more) break;
    }
    return true;
}

/// The progress bar moves by 16 every 16 bytes read.
auto AdvanceEvery16(App& app) {
    return [&app](std::int32_t index) {
        if (index % 16 == 0) AdvanceProgress(app, 16);
    };
}

bool Written(const ImageToWrite& image, std::int32_t index) {
    return image.held.Holds(static_cast<std::uint32_t>(index));
}

std::uint8_t WrittenByte(const ImageToWrite& image, std::int32_t index) {
    return image.bytes[static_cast<std::size_t>(index)];
}

/// After the last page: the chip read back against what was written; nothing
/// when it holds it (or did not answer the read), else the first byte that does
/// not, the transfer ended and the voltages off.
std::optional<ProgramFailureAt> ReadBackWrittenPages(Bus& bus, const DeviceConfig& device,
                                                     const ImageToWrite& image) {
    std::optional<std::int32_t> at;
    std::uint8_t read = 0;
    ReadFromStart(
        bus, device, image.length,
        [&](std::int32_t i, std::uint8_t byte) {
            if (!Written(image, i) || byte == WrittenByte(image, i)) return true;
            at = i;
            read = byte;
            return false;
        },
        [](std::int32_t) {});
    if (!at) return std::nullopt;
    bus.b.Address = *at;
    return GiveUpWithVoltagesOff(bus.b, WrittenByte(image, *at), read);
}

struct PageLayout {
    int pageBytes;
    bool twoAddressBytes; // 24C32 on: the high and low byte; else the block in the control byte
};

/// `count` bytes from device address `a`, all in one page (a write may be
/// shorter than a page); false when a byte was not acknowledged.
bool WriteRun(Bus& bus, const PageLayout& layout, const ImageToWrite& image, std::int32_t a,
              std::int32_t count) {
    Board& b = bus.b;
    b.Address = a; // where a stop finds the write
    b.AdrPage = a / 256;
    b.AdrLow = a - 256 * b.AdrPage;
    const int control = layout.twoAddressBytes ? 0xA0 : 0xA0 + 2 * b.AdrPage;
    TwoWireStart(b);
    if (!bus.Send(control)) return false;
    if (layout.twoAddressBytes && !bus.Send(b.AdrPage)) return false;
    if (!bus.Send(b.AdrLow)) return false;
    for (std::int32_t i = 0; i < count; ++i)
        if (!bus.Send(WrittenByte(image, a + i))) return false;
    TwoWireStop(b);
    PollWriteCycle(bus, control);
    return true;
}

/// The page from `first`: one write for each run of bytes to write in it; bytes
/// the image does not hold are not touched. False when a byte was not acknowledged.
bool WritePage(Bus& bus, const PageLayout& layout, const ImageToWrite& image, std::int32_t first,
               std::int32_t end) {
    for (std::int32_t a = first; a < end;) {
        if (!Written(image, a)) {
            ++a;
            continue;
        }
        std::int32_t run = 1;
        while (a + run < end && Written(image, a + run))
            ++run;
        if (!WriteRun(bus, layout, image, a, run)) return false;
        a += run;
    }
    return true;
}

/// The chosen row's page, or the routine's own where the row gives none.
int PageBytes(const DeviceConfig& device, bool twoAddressBytes) {
    if (device.facts.pageBytes > 0) return device.facts.pageBytes;
    return twoAddressBytes ? 32 : 16;
}

/// The bytes the code buffer holds, up to the chip's end.
ImageToWrite CodeToWrite(const App& app) {
    const std::int32_t chip = ChipBytes(app);
    const auto end = static_cast<std::int32_t>(app.buf.CodeCoverage.End());
    return {app.buf.CodeBuffer, app.buf.CodeCoverage, end < chip ? end : chip};
}

ProgramOutcome RunSerialRoutine(App& app, const ImageToWrite& image, bool twoAddressBytes,
                                const ChipOptions& options) {
    app.ops.WriteUnit = PageBytes(app.dev, twoAddressBytes);
    WindowProgrammingEvents events(app);
    const ProgramOutcome outcome =
        ProgramSerialEeprom(app.board, app.dev, image, twoAddressBytes, events);
    ApplyProgramOutcome(app, outcome, options);
    return outcome;
}

/// A serial EEPROM has no erase command: every byte is written FFh, page by page,
/// and the whole chip read back, so no failure means every byte reads FFh. A byte
/// that read back wrong has had its programming-failure report already; a chip
/// that did not answer gets its own. The bus lines are parked after a success.
OpOutcome EraseSerial(App& app, const char* eraseLine, bool twoAddressBytes,
                      const ChipOptions& options) {
    LogMessage(app, eraseLine);
    LogMessage(app, "Program Buffer will not be erased");
    const std::int32_t chip = std::max(ChipBytes(app), 0);
    const std::vector<std::uint8_t> erased(static_cast<std::size_t>(chip), 0xFF);
    const Coverage whole = Coverage::FirstBytes(static_cast<std::uint32_t>(chip));
    const ProgramOutcome outcome =
        RunSerialRoutine(app, {erased, whole, chip}, twoAddressBytes, options);
    if (outcome.failure) return OpOutcome::Failed;
    if (outcome.unanswered != 0) {
        ReportAckError(app);
        return OpOutcome::Failed;
    }
    LogErasedChip(app);
    DataFlowLampOff(app);
    ProgramLampOff(app);
    PlayEventSound(app, "OK");
    Board& b = app.board;
    b.Reg0Shadow = 0x40; // programming voltages off, OE inactive
    b.SetReg0();
    SetProgressValue(app, 0);
    ParkSerialBus(app);
    return OpOutcome::Success;
}

} // namespace

ProgramOutcome ProgramSerialEeprom(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                                   bool twoAddressBytes, ProgrammingEvents& events) {
    const PageLayout layout{PageBytes(device, twoAddressBytes), twoAddressBytes};
    Bus bus{b};
    const std::int32_t end = image.length;
    const std::int32_t pageCount = (end + layout.pageBytes - 1) / layout.pageBytes;
    b.DisableOutput();
    b.SleepMs(kBusSettleMs);
    events.StepsAhead(pageCount);
    for (std::int32_t first = 0; first < end; first += layout.pageBytes) {
        const std::int32_t pageEnd = std::min(first + layout.pageBytes, end);
        if (!WritePage(bus, layout, image, first, pageEnd))
            return {std::nullopt, bus.unanswered}; // the bus is left as the failed byte left it
        events.Stepped();
    }
    ProgramOutcome outcome{ReadBackWrittenPages(bus, device, image), bus.unanswered};
    if (!outcome.Succeeded()) return outcome;
    b.Reg4Shadow = 0;
    b.SetReg4();
    b.DriveDataPins();
    return outcome;
}

std::optional<ProgramOutcome> Program24CxxChip(App& app, const ChipOptions& options) {
    return RunSerialRoutine(app, CodeToWrite(app), false, options);
}

std::optional<ProgramOutcome> Program24C32Chip(App& app, const ChipOptions& options) {
    return RunSerialRoutine(app, CodeToWrite(app), true, options);
}

OpOutcome Erase24CXX(App& app, const ChipOptions& options) {
    return EraseSerial(app, "Erasing Device 24CXX", false, options);
}

OpOutcome Erase24C32(App& app, const ChipOptions& options) {
    return EraseSerial(app, "Erasing Device 24C32", true, options);
}

int Read24CXX(App& app) {
    Bus bus{app.board};
    if (!StartSequentialRead(bus, app.dev)) return bus.unanswered;
    const std::int32_t size = ChipBytes(app);
    auto& code = app.buf.CodeBuffer;
    const auto advance = AdvanceEvery16(app);
    for (std::int32_t ReadIndex = 0; ReadIndex < size; ++ReadIndex) {
        advance(ReadIndex);
        const std::uint8_t byte = TwoWireReceive(app.board);
        if (ReadIndex == size - 1)
            TwoWireMasterNack(app.board);
        else
            TwoWireMasterAck(app.board);
        code[static_cast<std::size_t>(ReadIndex)] = byte;
    }
    TwoWireStop(app.board);
    return 0;
}

SerialCompare Verify24CXX(App& app) {
    const Coverage& held = app.buf.CodeCoverage;
    const auto chipBytes = static_cast<std::uint32_t>(std::max(ChipBytes(app), 0));
    const auto end = static_cast<std::int32_t>(std::min(held.End(), chipBytes));
    SetProgressValue(app, 0);
    SetProgressMax(app, end);
    const auto& code = app.buf.CodeBuffer;
    VerifyTally tally(static_cast<std::size_t>(end));
    Bus bus{app.board};
    // Read on after the first difference: the report counts them all.
    const bool answered = ReadFromStart(
        bus, app.dev, end,
        [&](std::int32_t i, std::uint8_t byte) {
            const auto address = static_cast<std::uint32_t>(i);
            if (held.Holds(address)) tally.Compare(app, address, byte, code[address]);
            return true;
        },
        AdvanceEvery16(app));
    if (!answered) return {bus.unanswered, false};
    return {0, tally.Finish(app, held.Below(static_cast<std::uint32_t>(end)), code)};
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
