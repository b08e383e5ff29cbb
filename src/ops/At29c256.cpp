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

void SelectPage(App& app) {
    Board& b = app.board;
    b.Address = kPageBytes * app.ops.PageCounter;
    b.SplitAddress();
    const int v = b.AdrPage | b.DeviceReg1Bits;
    if (v != b.Reg1Shadow) {
        b.Reg1Shadow = v;
        b.SetReg1();
    }
}

// 64 write pulses with no wait between them: the byte-load window is 150 us.
void LoadPage(App& app) {
    Board& b = app.board;
    const PageLoadPriority uninterrupted(app); // real ports: no preemption mid-page
    const PageLoadWindow window(b);
    for (int offset = 0; offset < kPageBytes; ++offset) {
        app.ops.PageOffset = offset;
        b.Address = kPageBytes * app.ops.PageCounter + offset;
        b.SplitAddress();
        b.Reg2Shadow = b.AdrLow;
        b.SetReg2();
        b.DataOut = ImageByteAtAddress(app);
        b.Reg4Shadow = b.DataOut;
        b.SetReg4();
        b.Reg3Shadow &= 0x7F; // CE
        b.SetReg3();
        b.Reg1Shadow &= 0x7F; // WE pulse: address taken on the falling edge,
        b.SetReg1();
        b.Reg1Shadow |= 0x80; // data on the rising edge
        b.SetReg1();
        b.Reg3Shadow |= 0x80;
        b.SetReg3();
    }
}

// A kept byte that a flipped read got wrong would be written back wrong, outside
// the image, where no verify looks: it is read until two reads in a row agree.
constexpr int kKeptByteReads = 4;

// The byte at the address the board has set, or nothing when no two reads in a row
// agree (DataOut and DataIn then hold the last two).
bool ReadKeptByte(Board& b) {
    b.ReadDataByte();
    for (int read = 1; read < kKeptByteReads; ++read) {
        const std::uint8_t previous = b.DataIn;
        b.ReadDataByte();
        if (b.DataIn == previous) return true;
        b.DataOut = previous;
    }
    return false;
}

// A write cycle rewrites the whole sector and leaves a byte not loaded
// indeterminate, so the bytes of the page the image does not hold are read from
// the chip first and loaded with the rest: they keep what the chip held. False
// after a failure report, when one of them cannot be read alike twice.
bool KeepBytesNotInImage(App& app) {
    Board& b = app.board;
    const auto first = static_cast<std::uint32_t>(kPageBytes * app.ops.PageCounter);
    if (app.ops.ProgramCoverage.HoldsAllOf(first, kPageBytes)) return true;
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
    for (int offset = 0; offset < kPageBytes; ++offset) {
        b.Address = static_cast<std::int32_t>(first) + offset;
        if (ImageHoldsAddress(app)) continue;
        b.SplitAddress();
        b.Reg2Shadow = b.AdrLow;
        b.SetReg2();
        if (!ReadKeptByte(b)) {
            LogMessage(app, "Error: the byte at " + Hex(b.Address) +
                                "h, outside the image, reads differently each time; its page "
                                "is not written, since it would be written back wrong");
            ReportProgramFailure(app);
            Reset(app);
            return false;
        }
        app.ops.ProgramImage.at(static_cast<std::size_t>(b.Address)) = b.DataIn;
    }
    b.DisableOutput();
    b.DisableChip();
    return true;
}

// True when every byte of the page reads back as the image holds it. CE and OE
// stay active after a mismatch; the caller releases them.
bool PageReadsBack(App& app) {
    Board& b = app.board;
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
    for (int offset = 0; offset < kPageBytes; ++offset) {
        app.ops.PageOffset = offset;
        b.Address = kPageBytes * app.ops.PageCounter + offset;
        b.SplitAddress();
        b.Reg2Shadow = b.AdrLow;
        b.SetReg2();
        b.ReadDataByte();
        b.DataOut = ImageByteAtAddress(app);
        if (b.DataIn != b.DataOut) return false;
    }
    return true;
}

void StartProgramming(App& app) {
    Board& b = app.board;
    app.ops.WriteUnit = kPageBytes; // a sector is written whole
    b.Address = 0;
    b.SplitAddress();
    b.LatchFlashAddress();
    b.SleepMs(500);
    b.DriveDataPins();
    b.DisableOutput();
    b.DisableChip();
    LogMessage(app, "Programming Atmel AT29C256");
    Reset(app);
    b.LatchFlashAddress();
    UNPROTECT_AT29C256(app);
    b.SleepMs(50);
    b.DisableOutput();
    b.DisableChip();
}

// One page, rewritten whole until it reads back right. False after a failure
// report (the routine then stops).
bool ProgramPage(App& app) {
    Board& b = app.board;
    int attempts = kAttempts;
    SelectPage(app);
    if (!KeepBytesNotInImage(app)) return false;
    for (;;) {
        if (--attempts == 0) {
            ReportProgramFailure(app);
            b.Reg0Shadow = 0;
            b.SetReg0();
            return false;
        }
        SpeedWait(app, 1);
        b.DriveDataPins();
        SelectPage(app);
        LoadPage(app);
        PollAT29C256(app);
        if (app.ops.PollCount == 0) {
            LogMessage(app, "Error: At29C256 TimeOut Programming Polling");
            ReportProgramFailure(app);
            Reset(app);
            return false;
        }
        if (PageReadsBack(app)) return true;
        // The read-back left OE low, and the chip ignores write pulses while OE is
        // low: release OE and CE before the page is loaded again, or every retry
        // would be lost.
        b.DisableOutput();
        b.DisableChip();
    }
}

} // namespace

void WEON_AT29C256(App& app) {
    app.board.Reg1Shadow &= 0x7F;
    app.board.SetReg1();
}

void WEOFF_AT29C256(App& app) {
    app.board.Reg1Shadow |= 0x80;
    app.board.SetReg1();
}

void WRITE_AT29C256(App& app) {
    Board& b = app.board;
    const int address = app.ops.CommandAddress;
    b.Reg1Shadow = (address >> 8) | b.DeviceReg1Bits;
    b.Reg2Shadow = address & 0xFF;
    b.SetReg1();
    b.SetReg2();
    b.SetReg4();
    b.EnableChip();
    WEON_AT29C256(app);
    WEOFF_AT29C256(app);
    b.DisableChip();
}

void UNPROTECT_AT29C256(App& app) {
    WriteProtectionDisable(app, WRITE_AT29C256);
    app.board.SleepMs(20);
}

void CMD_AT29C256(App& app) {
    Board& b = app.board;
    const PageLoadWindow window(b); // one sequence: no pause past the byte-load window
    b.DisableOutput();
    b.Reg3Shadow = 0x82; // CE off, board drives the data pins, VCC on
    b.SetReg3();
    CommandCycle(app, WRITE_AT29C256, 0x5555, 0xAA);
    CommandCycle(app, WRITE_AT29C256, 0x2AAA, 0x55);
    CommandCycle(app, WRITE_AT29C256, 0x5555, app.ops.FlashCommand);
}

void PollAT29C256(App& app) {
    Board& b = app.board;
    b.ReleaseDataPins();
    // The address is still that of the last byte loaded. PollCount counts the reads
    // left including the one that matched, so it ends at 0 only when all of them
    // were spent without a match: a write that finishes on the very last read is
    // a success, not a time-out.
    for (app.ops.PollCount = kPollReads; app.ops.PollCount > 0; --app.ops.PollCount) {
        b.EnableChip();
        b.EnableOutput();
        b.ReadDataByte();
        b.DisableOutput();
        b.DisableChip();
        if (b.DataIn == b.DataOut) break;
    }
    b.DriveDataPins();
}

void PAT29C256(App& app) {
    StartProgramming(app);
    StartPageProgress(app);
    // The pages up to the image's end that hold a byte of it; the others are not touched.
    for (app.ops.PageCounter = 0; app.ops.PageCounter < PagesOfImage(app); ++app.ops.PageCounter) {
        if (!ImageHoldsPage(app, app.ops.PageCounter)) continue;
        if (!ProgramPage(app)) return;
        app.board.DisableChip();
        app.board.DisableOutput();
        PageVerified(app);
    }
    LogMessage(app, "FLASH Atmel AT29C256 Programmed Sucessfully");
    Reset(app);
}

} // namespace quorbit
