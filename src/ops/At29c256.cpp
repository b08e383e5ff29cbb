// Atmel AT29C256 (32 KB flash, 512 sectors of 64 bytes).
//
// Lines: A0-A7 on register 2, A8-A14 on register 1 bits 0-6, WE on register 1
// bit 7 (0 = active; DeviceReg1Bits 128 keeps it high on every address change),
// CE on register 3 bit 7, OE on register 0 bit 6, data on register 4.
// A page is loaded as 64 write pulses back to back: the chip ends the load when
// no byte follows within 150 us and then erases and writes the whole sector, up
// to 10 ms. It will not start while OE is low. During the write a read of the
// last byte loaded gives the complement of its bit 7 (DATA# polling).
// Software data protection is switched off once with the six-cycle command.
#include "ops/At29c256.h"

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "link/PageLoadPriority.h"
#include "ops/PageWrite.h"
#include "ops/Program.h"

namespace quorbit {
namespace {

constexpr int kAttempts = 20; // the count starts here: a page is written at most 19 times
constexpr int kPollReads = 20000;
// The protection-disable command ends in a write cycle of its own, waited out in full.
constexpr int kProtectionWriteCycleMs = 50;

void SelectPage(Board& b, const ImagePage& page) {
    b.Address = page.FirstAddress();
    b.SplitAddress();
    const int v = b.AdrPage | b.DeviceReg1Bits;
    if (v != b.Reg1Shadow) {
        b.Reg1Shadow = v;
        b.SetReg1();
    }
}

// 64 write pulses with no wait between them: the byte-load window is 150 us.
void LoadPage(Board& b, const ImagePage& page, ProgrammingEvents& events) {
    // Real ports: no preemption mid-page.
    const PageLoadPriority uninterrupted(b,
                                         [&events](const std::string& line) { events.Log(line); });
    const PageLoadWindow window(b);
    // The fast port mode keeps CE low across the page's loads, and the pulses are
    // WE-controlled writes: with OE high the chip takes nothing while only CE is low
    // (the datasheet's CE set-up and hold times before and after WE are 0 ns).
    const bool ceHeld = b.FastPort;
    for (int offset = 0; offset < kPageBytes; ++offset) {
        b.Address = page.FirstAddress() + offset;
        b.SplitAddress();
        b.Reg2Shadow = b.AdrLow;
        b.SetReg2();
        b.DataOut = page.bytes[static_cast<std::size_t>(offset)];
        b.Reg4Shadow = b.DataOut;
        b.SetReg4();
        b.Reg3Shadow &= 0x7F; // CE
        b.SetReg3();
        b.Reg1Shadow &= 0x7F; // WE pulse: address taken on the falling edge,
        b.SetReg1();
        b.Reg1Shadow |= 0x80; // data on the rising edge
        b.SetReg1();
        if (ceHeld && offset + 1 < kPageBytes) continue;
        b.Reg3Shadow |= 0x80;
        b.SetReg3();
    }
}

// A kept byte that a flipped read got wrong would be written back wrong, outside
// the image, where no verify looks: it is read until two reads in a row agree.
constexpr int kKeptByteReads = 4;

// The byte at the address the board has set, read until two reads in a row agree.
struct KeptByteRead {
    bool agreed = false;
    std::uint8_t last = 0;     // the byte, when the reads agreed
    std::uint8_t previous = 0; // the read before the last
};
KeptByteRead ReadKeptByte(Board& b) {
    KeptByteRead r;
    r.last = b.ReadDataByte();
    for (int read = 1; read < kKeptByteReads; ++read) {
        r.previous = r.last;
        r.last = b.ReadDataByte();
        if (r.last == r.previous) {
            r.agreed = true;
            return r;
        }
        b.DataOut = r.previous;
    }
    return r;
}

// A write cycle rewrites the whole sector and leaves a byte not loaded
// indeterminate, so the bytes of the page the image does not hold are read from
// the chip first and loaded with the rest: they keep what the chip held. A failure,
// the board reset, when one of them cannot be read alike twice.
std::optional<ProgramFailureAt> KeepBytesNotInImage(Board& b, ImagePage& page,
                                                    ProgrammingEvents& events) {
    if (page.HoldsAll()) return std::nullopt;
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
    for (int offset = 0; offset < kPageBytes; ++offset) {
        const auto at = static_cast<std::size_t>(offset);
        b.Address = page.FirstAddress() + offset;
        if (page.held[at]) continue;
        b.SplitAddress();
        b.Reg2Shadow = b.AdrLow;
        b.SetReg2();
        const KeptByteRead kept = ReadKeptByte(b);
        if (!kept.agreed) {
            events.Log("Error: the byte at " + Hex(b.Address) +
                       "h, outside the image, reads differently each time; its page "
                       "is not written, since it would be written back wrong");
            const ProgramFailureAt failure = GiveUpWithVoltagesOff(b, kept.previous, kept.last);
            b.ResetLines();
            return failure;
        }
        page.bytes[at] = kept.last;
    }
    b.DisableOutput();
    b.DisableChip();
    return std::nullopt;
}

// Nothing when every byte of the page reads back as loaded, else the first that
// does not (the byte loaded and the byte read). CE and OE stay active after a
// mismatch; the caller releases them.
std::optional<ProgramFailureAt> PageReadsBack(Board& b, const ImagePage& page) {
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
    for (int offset = 0; offset < kPageBytes; ++offset) {
        b.Address = page.FirstAddress() + offset;
        b.SplitAddress();
        b.Reg2Shadow = b.AdrLow;
        b.SetReg2();
        const std::uint8_t read = b.ReadDataByte();
        b.DataOut = page.bytes[static_cast<std::size_t>(offset)];
        if (read != b.DataOut) return ProgramFailureAt{b.Address, b.DataOut, read};
    }
    return std::nullopt;
}

void StartProgramming(Board& b, ProgrammingEvents& events) {
    b.Address = 0;
    b.SplitAddress();
    b.LatchFlashAddress();
    b.SleepMs(kAddressSettleMs);
    b.DriveDataPins();
    b.DisableOutput();
    b.DisableChip();
    events.Log("Programming Atmel AT29C256");
    b.ResetLines();
    b.LatchFlashAddress();
    DisableAt29Protection(b);
    b.SleepMs(kProtectionWriteCycleMs);
    b.DisableOutput();
    b.DisableChip();
}

// One page, rewritten whole until it reads back right; else where it gave up.
std::optional<ProgramFailureAt> ProgramPage(Board& b, ImagePage& page, int speedWaitMs,
                                            ProgrammingEvents& events) {
    SelectPage(b, page);
    if (auto failure = KeepBytesNotInImage(b, page, events)) return failure;
    ProgramFailureAt mismatch;
    for (int attempt = 1; attempt < kAttempts; ++attempt) {
        b.SleepMs(speedWaitMs + 1);
        b.DriveDataPins();
        SelectPage(b, page);
        LoadPage(b, page, events);
        if (const At29Poll poll = PollAT29C256(b, b.DataOut); poll.readsLeft == 0) {
            events.Log("Error: At29C256 TimeOut Programming Polling");
            const ProgramFailureAt failure = GiveUpWithVoltagesOff(b, b.DataOut, poll.lastRead);
            b.ResetLines();
            return failure;
        }
        const auto differs = PageReadsBack(b, page);
        if (!differs) return std::nullopt;
        mismatch = *differs;
        // The read-back left OE low, and the chip ignores write pulses while OE is
        // low: release OE and CE before the page is loaded again, or every retry
        // would be lost.
        b.DisableOutput();
        b.DisableChip();
    }
    const ProgramFailureAt failure = GiveUpWithVoltagesOff(b, mismatch.wrote, mismatch.read);
    b.Reg0Shadow = 0;
    b.SetReg0();
    return failure;
}

} // namespace

void At29WriteEnableOn(Board& b) {
    b.Reg1Shadow &= 0x7F;
    b.SetReg1();
}

void At29WriteEnableOff(Board& b) {
    b.Reg1Shadow |= 0x80;
    b.SetReg1();
}

void WriteAt29CommandCycle(Board& b, int address) {
    b.Reg1Shadow = (address >> 8) | b.DeviceReg1Bits;
    b.Reg2Shadow = address & 0xFF;
    b.SetReg1();
    b.SetReg2();
    b.SetReg4();
    b.EnableChip();
    At29WriteEnableOn(b);
    At29WriteEnableOff(b);
    b.DisableChip();
}

void DisableAt29Protection(Board& b) {
    WriteProtectionDisable(b, WriteAt29CommandCycle);
    b.SleepMs(20);
}

void SendAt29Command(Board& b, int command) {
    const PageLoadWindow window(b); // one sequence: no pause past the byte-load window
    b.DisableOutput();
    b.Reg3Shadow = 0x82; // CE off, board drives the data pins, VCC on
    b.SetReg3();
    CommandCycle(b, WriteAt29CommandCycle, 0x5555, 0xAA);
    CommandCycle(b, WriteAt29CommandCycle, 0x2AAA, 0x55);
    CommandCycle(b, WriteAt29CommandCycle, 0x5555, command);
}

At29Poll PollAT29C256(Board& b, std::uint8_t last) {
    b.ReleaseDataPins();
    // The address is still that of the last byte loaded. The count is of the reads
    // left including the one that matched, so it ends at 0 only when all of them
    // were spent without a match: a write that finishes on the very last read is
    // a success, not a time-out.
    At29Poll poll{kPollReads, 0};
    for (; poll.readsLeft > 0; --poll.readsLeft) {
        b.EnableChip();
        b.EnableOutput();
        poll.lastRead = b.ReadDataByte();
        b.DisableOutput();
        b.DisableChip();
        if (poll.lastRead == last) break;
        // The write cycle lasts milliseconds: the fast latch's reads come too quick
        // to tell it anything sooner, and would cost more port accesses than the
        // normal mode's paced ones.
        if (b.FastPort) b.WaitBetweenPolls();
    }
    b.DriveDataPins();
    return poll;
}

ProgramOutcome ProgramAt29c256(Board& b, const DeviceConfig& /*device*/, const ImageToWrite& image,
                               int speedWaitMs, ProgrammingEvents& events) {
    StartProgramming(b, events);
    // The pages up to the image's end that hold a byte of it; the others are not touched.
    for (int number = 0; number < PagesOfImage(image); ++number) {
        if (!ImageHoldsPage(image, number)) continue;
        ImagePage page = PageOf(image, number);
        if (auto failure = ProgramPage(b, page, speedWaitMs, events)) return {failure};
        b.DisableChip();
        b.DisableOutput();
        events.Advanced(number % 8 == 0);
    }
    events.Log("FLASH Atmel AT29C256 Programmed Sucessfully");
    return {};
}

std::optional<ProgramOutcome> ProgramAt29c256Chip(App& app, const ChipOptions& options) {
    app.ops.WriteUnit = kPageBytes; // a sector is written whole
    StartPageProgress(app);
    WindowProgrammingEvents events(app);
    const ProgramOutcome outcome =
        ProgramAt29c256(app.board, app.dev, ProgramImageToWrite(app), options.speedWaitMs, events);
    ApplyProgramOutcome(app, outcome, options);
    if (outcome.Succeeded()) Reset(app);
    return outcome;
}

} // namespace quorbit
