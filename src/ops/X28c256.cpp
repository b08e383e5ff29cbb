// XICOR X28C256 (32 KB EEPROM, 512 pages of 64 bytes).
//
// Lines: A0-A7 on register 2, A8-A13 on register 1 bits 0-5, A14 on bit 7, WE on
// bit 6 (0 = active; DeviceReg1Bits 64 keeps it high), CE on register 3 bit 7,
// OE on register 0 bit 6, data on register 4.
// A page is loaded as 64 write pulses back to back: the chip ends the load when no
// byte follows within 100 us, then writes the loaded bytes (5 ms typical, 10 ms at
// most). The routine waits the speed wait + 3 ms, then polls DATA#. Software
// data protection is switched off once with the six-cycle command; each cycle of
// it is paced with short pauses between the register writes.
#include "ops/X28c256.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "link/PageLoadPriority.h"
#include "ops/AddressWalk.h"
#include "ops/EraseChip.h"
#include "ops/PageWrite.h"
#include "ops/Program.h"

namespace quorbit {
namespace {

constexpr int kAttempts = 80; // the count starts here: a page is written at most 79 times
constexpr int kPollMs = 20;   // twice the datasheet's longest write cycle (10 ms)
// The protection-disable command ends in a write cycle of its own, waited out in full.
constexpr int kProtectionWriteCycleMs = 40;
constexpr const char* kCycleDidNotEnd = "Error: X28C256 write cycle did not end (DATA# polling)";

// Register 1 of an X28C256 address: A14 moves from bit 6 to bit 7, bit 6 stays
// high (WE inactive).
int Reg1For(int adrPage, int fixedBits) {
    return (adrPage + (adrPage != 0 ? 64 : 0)) | fixedBits;
}

void SelectPage(Board& b, int page) {
    b.Address = kPageBytes * page;
    b.SplitAddress();
    const int v = Reg1For(b.AdrPage, b.DeviceReg1Bits);
    if (v != b.Reg1Shadow) {
        b.Reg1Shadow = v;
        b.SetReg1();
    }
}

// A0-A7 of `address` on register 2; A8-A14 are the selected page's.
void LatchLowAddress(Board& b, int address) {
    b.Address = address;
    b.SplitAddress();
    b.Reg2Shadow = b.AdrLow;
    b.SetReg2();
}

// One read of the byte at Address with CE and OE active, OE released after it.
std::uint8_t ReadOnce(Board& b) {
    b.EnableChipAndOutput();
    b.ReadDataByte();
    const std::uint8_t read = b.DataIn;
    b.DisableOutput();
    return read;
}

// The byte at `address` on the selected page, read once; the data drive is off.
std::uint8_t ReadByteAt(Board& b, int address) {
    LatchLowAddress(b, address);
    return ReadOnce(b);
}

// One write pulse: the byte `data` latched at `address`. CE and WE low, then high.
void LoadByte(Board& b, int address, std::uint8_t data) {
    LatchLowAddress(b, address);
    b.DataOut = data;
    b.DriveDataPins();
    b.Reg4Shadow = b.DataOut;
    b.SetReg4();
    b.Reg3Shadow &= 0x7F; // CE
    b.SetReg3();
    b.Reg1Shadow &= 0xBF; // WE pulse
    b.SetReg1();
    b.Reg1Shadow |= 0x40;
    b.SetReg1();
    b.Reg3Shadow |= 0x80;
    b.SetReg3();
}

// A write pulse for each byte of the page the image holds, with no wait between
// them: the byte-load window is 100 us. A byte not loaded keeps its contents.
void LoadPage(Board& b, const ImagePage& page, ProgrammingEvents& events) {
    // Real ports: no preemption mid-page.
    const PageLoadPriority uninterrupted(b,
                                         [&events](const std::string& line) { events.Log(line); });
    const PageLoadWindow window(b);
    for (int offset = 0; offset < kPageBytes; ++offset) {
        const auto at = static_cast<std::size_t>(offset);
        b.Address = page.FirstAddress() + offset;
        if (!page.held[at]) continue;
        LoadByte(b, b.Address, page.bytes[at]);
    }
}

// Nothing when every byte of the page the image holds reads back as the image
// holds it, else the first that does not. OE is released after each read, so the
// page can be loaded again at once.
std::optional<ProgramFailureAt> PageReadsBack(Board& b, const ImagePage& page) {
    b.ReleaseDataPins();
    for (int offset = 0; offset < kPageBytes; ++offset) {
        const auto at = static_cast<std::size_t>(offset);
        b.Address = page.FirstAddress() + offset;
        if (!page.held[at]) continue;
        const std::uint8_t expected = page.bytes[at];
        const std::uint8_t read = ReadByteAt(b, b.Address);
        if (read != expected) {
            b.DataOut = expected;
            return ProgramFailureAt{b.Address, expected, read};
        }
    }
    return std::nullopt;
}

void StartProgramming(Board& b, int speedWaitMs, ProgrammingEvents& events) {
    b.Address = 0;
    b.SplitAddress();
    b.LatchX28Address();
    b.SleepMs(kAddressSettleMs);
    b.DriveDataPins();
    b.DisableOutput();
    b.DisableChip();
    events.Log("Programming 28C256 XICOR Device");
    b.ResetLines();
    b.LatchX28Address();
    DisableX28Protection(b, speedWaitMs);
    b.SleepMs(kProtectionWriteCycleMs);
    b.DisableOutput();
    b.DisableChip();
}

// The last byte of the page the image holds: DATA# polling watches it.
int LastLoadedOffset(const ImagePage& page) {
    int last = 0;
    for (int offset = 0; offset < kPageBytes; ++offset)
        if (page.held[static_cast<std::size_t>(offset)]) last = offset;
    return last;
}

// Waits for the write cycle (5 ms typical, 10 ms maximum): while it runs, a read
// of the last byte loaded gives its bit 7 complemented (DATA# polling) and I/O6
// toggles from read to read. The cycle is over when I/O7 gives the true bit, or
// when two reads in a row agree (a cell that did not take shows its own bit 7,
// and the read-back then finds it). False when it has not ended after 20 ms.
bool WriteCycleEndsAt(Board& b, const DeviceConfig& device, int address, std::uint8_t data) {
    LatchLowAddress(b, address);
    b.ReleaseDataPins();
    const int maxMs = device.facts.writeCycleMaxMs;
    const int pollMs = maxMs > 0 ? 2 * maxMs : kPollMs; // the chosen row's datasheet
    for (int waitedMs = 0; waitedMs <= pollMs; ++waitedMs) {
        const std::uint8_t first = ReadOnce(b);
        const std::uint8_t second = ReadOnce(b);
        if (((first ^ data) & 0x80) == 0 && ((second ^ data) & 0x80) == 0) return true;
        if (first == second) return true;
        b.SleepMs(1);
    }
    b.DataOut = data;
    return false;
}

// One byte loaded alone; the chip starts its write cycle when no byte follows.
void LoadOneByte(Board& b, int address, std::uint8_t data, int speedWaitMs) {
    {
        const PageLoadWindow window(b);
        LoadByte(b, address, data);
    }
    b.SleepMs(speedWaitMs + 3); // the least wait for the write cycle
}

// An empty socket's floating bus reads FFh, so an erase (all FFh) would read back
// right from nothing. A chip must first take the complement of a byte it holds:
// the first byte the image covers, which its page is written with next anyway.
// No byte outside the image is touched, so a stop or a power cut here never
// leaves one of them changed. Else where it failed, after a log line saying why.
std::optional<ProgramFailureAt> ChipTakesAByte(Board& b, const DeviceConfig& device,
                                               const ImageToWrite& image, int speedWaitMs,
                                               ProgrammingEvents& events) {
    const auto& ranges = image.held.Ranges();
    if (ranges.empty()) return std::nullopt; // nothing will be written either
    const auto address = static_cast<int>(ranges.front().first);
    SelectPage(b, address / kPageBytes);
    b.ReleaseDataPins();
    const auto probe = static_cast<std::uint8_t>(~ReadByteAt(b, address));
    LoadOneByte(b, address, probe, speedWaitMs);
    if (!WriteCycleEndsAt(b, device, address, probe)) {
        events.Log(kCycleDidNotEnd);
        return GiveUpWithVoltagesOff(b, probe, b.DataIn);
    }
    const std::uint8_t found = ReadByteAt(b, address);
    b.Address = address;
    if (found == probe) return std::nullopt;
    b.DataOut = probe;
    events.Log("Error: no X28C256 answers in the socket (a byte written at " + Hex(address) +
               "h does not read back: no chip, or its data protection is still on)");
    return GiveUpWithVoltagesOff(b, probe, found);
}

// One page, rewritten whole until it reads back right; else where it gave up. A
// write cycle that does not end within the poll's bound is a failure at once: a
// page loaded during the cycle would be ignored.
std::optional<ProgramFailureAt> ProgramPage(Board& b, const DeviceConfig& device,
                                            const ImagePage& page, int speedWaitMs,
                                            ProgrammingEvents& events) {
    const int last = LastLoadedOffset(page);
    ProgramFailureAt mismatch;
    for (int attempt = 1; attempt < kAttempts; ++attempt) {
        b.SleepMs(speedWaitMs + 1);
        b.DriveDataPins();
        SelectPage(b, page.number);
        LoadPage(b, page, events);
        b.SleepMs(speedWaitMs + 3); // the least wait for the write cycle
        b.Address = page.FirstAddress() + last;
        const std::uint8_t lastByte = page.bytes[static_cast<std::size_t>(last)];
        if (!WriteCycleEndsAt(b, device, b.Address, lastByte)) {
            events.Log(kCycleDidNotEnd);
            const ProgramFailureAt failure = GiveUpWithVoltagesOff(b, lastByte, b.DataIn);
            b.Reg0Shadow = 0;
            b.SetReg0();
            return failure;
        }
        const auto differs = PageReadsBack(b, page);
        if (!differs) return std::nullopt;
        mismatch = *differs;
    }
    const ProgramFailureAt failure = GiveUpWithVoltagesOff(b, mismatch.wrote, mismatch.read);
    b.Reg0Shadow = 0;
    b.SetReg0();
    return failure;
}

/// The image's pages into the chip, each read back.
ProgramOutcome WriteImagePages(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                               int speedWaitMs, ProgrammingEvents& events) {
    StartProgramming(b, speedWaitMs, events);
    if (auto failure = ChipTakesAByte(b, device, image, speedWaitMs, events)) return {failure};
    // The pages up to the image's end that hold a byte of it; the others are not touched.
    for (int number = 0; number < PagesOfImage(image); ++number) {
        if (!ImageHoldsPage(image, number)) continue;
        if (auto failure = ProgramPage(b, device, PageOf(image, number), speedWaitMs, events))
            return {failure};
        events.Advanced(number % 8 == 0);
    }
    return {};
}

} // namespace

void X28WriteEnableOn(Board& b) {
    b.Reg1Shadow &= 0xBF;
    b.SetReg1();
}

void X28WriteEnableOff(Board& b) {
    b.Reg1Shadow |= 0x40;
    b.SetReg1();
}

void WriteX28CommandCycle(Board& b, int address) {
    // The constant 64, not the device bits: the cycle's own WE-high form.
    b.Reg1Shadow = Reg1For(address >> 8, 64);
    b.Reg2Shadow = address & 0xFF;
    b.SetReg1();
    b.WaitCommandStep();
    b.SetReg2();
    b.WaitCommandStep();
    b.SetReg4();
    b.EnableChip();
    X28WriteEnableOn(b);
    b.WaitCommandStep();
    X28WriteEnableOff(b);
    b.WaitCommandStep();
    b.DisableChip();
}

void DisableX28Protection(Board& b, int speedWaitMs) {
    WriteProtectionDisable(b, WriteX28CommandCycle);
    b.SleepMs(speedWaitMs + 5);
}

ProgramOutcome ProgramX28c256(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                              int speedWaitMs, ProgrammingEvents& events) {
    ProgramOutcome outcome = WriteImagePages(b, device, image, speedWaitMs, events);
    if (outcome.Succeeded()) events.Log("XICOR 28C256 Programmed Sucessfully");
    return outcome;
}

std::optional<ProgramOutcome> ProgramX28c256Chip(App& app, const ChipOptions& options) {
    app.ops.WriteUnit = kPageBytes; // a page is written whole
    StartPageProgress(app);
    WindowProgrammingEvents events(app);
    const ProgramOutcome outcome =
        ProgramX28c256(app.board, app.dev, ProgramImageToWrite(app), options.speedWaitMs, events);
    ApplyProgramOutcome(app, outcome, options);
    if (outcome.Succeeded()) Reset(app);
    return outcome;
}

OpOutcome EraseX28C256(App& app, const ChipOptions& options) {
    // The whole chip: 32 KiB, or the 8 KiB of an AT28C64B.
    const std::int32_t bytes = std::min(ChipBytes(app), kPageWriteChipBytes);
    const std::vector<std::uint8_t> erased(static_cast<std::size_t>(bytes), 0xFF);
    const Coverage whole = Coverage::FirstBytes(static_cast<std::uint32_t>(bytes));
    LogMessage(app, "Erasing Program Buffer");
    LogMessage(app, "Erasing XICOR 28C256");
    app.ops.WriteUnit = kPageBytes;
    StartPageProgress(app);
    WindowProgrammingEvents events(app);
    // The page writer reads every page back: no failure means all FFh.
    const ProgramOutcome outcome =
        WriteImagePages(app.board, app.dev, {erased, whole, bytes}, options.speedWaitMs, events);
    ApplyProgramOutcome(app, outcome, options);
    if (!outcome.Succeeded()) return OpOutcome::Failed;
    LogErasedChip(app);
    Reset(app);
    return OpOutcome::Success;
}

} // namespace quorbit
