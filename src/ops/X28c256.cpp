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

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/ProgramImage.h"
#include "link/PageLoadPriority.h"
#include "ops/AddressWalk.h"
#include "ops/EraseChip.h"
#include "ops/PageWrite.h"
#include "ops/Program.h"

namespace quorbit {
namespace {

constexpr int kAttempts = 80; // the count starts here: a page is written at most 79 times
constexpr int kPollMs = 20;   // twice the datasheet's longest write cycle (10 ms)
constexpr const char* kCycleDidNotEnd = "Error: X28C256 write cycle did not end (DATA# polling)";

// Register 1 of an X28C256 address: A14 moves from bit 6 to bit 7, bit 6 stays
// high (WE inactive).
int Reg1For(int adrPage, int fixedBits) {
    return (adrPage + (adrPage != 0 ? 64 : 0)) | fixedBits;
}

void SelectPage(App& app) {
    Board& b = app.board;
    b.Address = kPageBytes * app.ops.PageCounter;
    b.SplitAddress();
    const int v = Reg1For(b.AdrPage, b.DeviceReg1Bits);
    if (v != b.Reg1Shadow) {
        b.Reg1Shadow = v;
        b.SetReg1();
    }
}

// A0-A7 of `address` on register 2; A8-A14 are the selected page's.
void LatchLowAddress(App& app, int address) {
    Board& b = app.board;
    b.Address = address;
    b.SplitAddress();
    b.Reg2Shadow = b.AdrLow;
    b.SetReg2();
}

// One read of the byte at Address with CE and OE active, OE released after it.
void ReadOnce(App& app) {
    Board& b = app.board;
    b.EnableChipAndOutput();
    b.ReadDataByte();
    b.DisableOutput();
}

// The byte at `address` on the selected page, read once; the data drive is off.
std::uint8_t ReadByteAt(App& app, int address) {
    LatchLowAddress(app, address);
    ReadOnce(app);
    return app.board.DataIn;
}

// One write pulse: the byte `data` latched at `address`. CE and WE low, then high.
void LoadByte(App& app, int address, std::uint8_t data) {
    Board& b = app.board;
    LatchLowAddress(app, address);
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
void LoadPage(App& app) {
    const PageLoadPriority uninterrupted(app); // real ports: no preemption mid-page
    const PageLoadWindow window(app.board);
    for (int offset = 0; offset < kPageBytes; ++offset) {
        app.ops.PageOffset = offset;
        app.board.Address = kPageBytes * app.ops.PageCounter + offset;
        if (!ImageHoldsAddress(app)) continue;
        LoadByte(app, app.board.Address, ImageByteAtAddress(app));
    }
}

// True when every byte of the page the image holds reads back as the image holds
// it. OE is released after each read, so the page can be loaded again at once.
bool PageReadsBack(App& app) {
    Board& b = app.board;
    b.ReleaseDataPins();
    for (int offset = 0; offset < kPageBytes; ++offset) {
        app.ops.PageOffset = offset;
        b.Address = kPageBytes * app.ops.PageCounter + offset;
        if (!ImageHoldsAddress(app)) continue;
        const std::uint8_t expected = ImageByteAtAddress(app);
        if (ReadByteAt(app, b.Address) != expected) {
            b.DataOut = expected;
            return false;
        }
    }
    return true;
}

void StartProgramming(App& app) {
    Board& b = app.board;
    app.ops.WriteUnit = kPageBytes; // a page is written whole
    b.Address = 0;
    b.SplitAddress();
    b.LatchX28Address();
    b.SleepMs(500);
    b.DriveDataPins();
    b.DisableOutput();
    b.DisableChip();
    LogMessage(app, "Programming 28C256 XICOR Device");
    Reset(app);
    b.LatchX28Address();
    UNPROTECT_XICOR(app);
    b.SleepMs(40);
    b.DisableOutput();
    b.DisableChip();
}

// The last byte of the page the image holds: DATA# polling watches it.
int LastLoadedAddress(const App& app) {
    int last = kPageBytes * app.ops.PageCounter;
    for (int offset = 0; offset < kPageBytes; ++offset)
        if (app.ops.ProgramCoverage.Holds(
                static_cast<std::uint32_t>(kPageBytes * app.ops.PageCounter + offset)))
            last = kPageBytes * app.ops.PageCounter + offset;
    return last;
}

// Waits for the write cycle (5 ms typical, 10 ms maximum): while it runs, a read
// of the last byte loaded gives its bit 7 complemented (DATA# polling) and I/O6
// toggles from read to read. The cycle is over when I/O7 gives the true bit, or
// when two reads in a row agree (a cell that did not take shows its own bit 7,
// and the read-back then finds it). False when it has not ended after 20 ms.
bool WriteCycleEndsAt(App& app, int address, std::uint8_t data) {
    Board& b = app.board;
    LatchLowAddress(app, address);
    b.ReleaseDataPins();
    const int maxMs = app.dev.facts.writeCycleMaxMs;
    const int pollMs = maxMs > 0 ? 2 * maxMs : kPollMs; // the chosen row's datasheet
    for (int waitedMs = 0; waitedMs <= pollMs; ++waitedMs) {
        ReadOnce(app);
        const std::uint8_t first = b.DataIn;
        ReadOnce(app);
        if (((first ^ data) & 0x80) == 0 && ((b.DataIn ^ data) & 0x80) == 0) return true;
        if (first == b.DataIn) return true;
        b.SleepMs(1);
    }
    b.DataOut = data;
    return false;
}

bool WriteCycleEnds(App& app) {
    const int last = LastLoadedAddress(app);
    app.board.Address = last;
    return WriteCycleEndsAt(app, last, ImageByteAtAddress(app));
}

// One byte loaded alone; the chip starts its write cycle when no byte follows.
void LoadOneByte(App& app, int address, std::uint8_t data) {
    {
        const PageLoadWindow window(app.board);
        LoadByte(app, address, data);
    }
    SpeedWait(app, 3); // the least wait for the write cycle
}

// An empty socket's floating bus reads FFh, so an erase (all FFh) would read back
// right from nothing. A chip must first take the complement of a byte it holds:
// the first byte the image covers, which its page is written with next anyway.
// No byte outside the image is touched, so a stop or a power cut here never
// leaves one of them changed. False after a log line saying why; Address,
// DataOut and DataIn then tell the failure report.
bool ChipTakesAByte(App& app) {
    Board& b = app.board;
    const auto& ranges = app.ops.ProgramCoverage.Ranges();
    if (ranges.empty()) return true; // nothing will be written either
    const auto address = static_cast<int>(ranges.front().first);
    app.ops.PageCounter = address / kPageBytes;
    SelectPage(app);
    b.ReleaseDataPins();
    const auto probe = static_cast<std::uint8_t>(~ReadByteAt(app, address));
    LoadOneByte(app, address, probe);
    if (!WriteCycleEndsAt(app, address, probe)) {
        LogMessage(app, kCycleDidNotEnd);
        return false;
    }
    const std::uint8_t found = ReadByteAt(app, address);
    b.Address = address;
    if (found == probe) return true;
    b.DataOut = probe;
    b.DataIn = found;
    LogMessage(app, "Error: no X28C256 answers in the socket (a byte written at " + Hex(address) +
                        "h does not read back: no chip, or its data protection is still on)");
    return false;
}

// One page, rewritten whole until it reads back right. False after a failure
// report (the routine then stops). A write cycle that does not end within the
// poll's bound is the failure report at once: a page loaded during the cycle
// would be ignored.
bool ProgramPage(App& app) {
    Board& b = app.board;
    int attempts = kAttempts;
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
        SpeedWait(app, 3); // the least wait for the write cycle
        if (!WriteCycleEnds(app)) {
            LogMessage(app, kCycleDidNotEnd);
            ReportProgramFailure(app);
            b.Reg0Shadow = 0;
            b.SetReg0();
            return false;
        }
        if (PageReadsBack(app)) return true;
    }
}

} // namespace

void WEON_XICOR(App& app) {
    app.board.Reg1Shadow &= 0xBF;
    app.board.SetReg1();
}

void WEOFF_XICOR(App& app) {
    app.board.Reg1Shadow |= 0x40;
    app.board.SetReg1();
}

void WRITE_XICOR(App& app) {
    Board& b = app.board;
    const int address = app.ops.CommandAddress;
    // The constant 64, not the device bits: the cycle's own WE-high form.
    b.Reg1Shadow = Reg1For(address >> 8, 64);
    b.Reg2Shadow = address & 0xFF;
    b.SetReg1();
    b.WaitCommandStep();
    b.SetReg2();
    b.WaitCommandStep();
    b.SetReg4();
    b.EnableChip();
    WEON_XICOR(app);
    b.WaitCommandStep();
    WEOFF_XICOR(app);
    b.WaitCommandStep();
    b.DisableChip();
}

void UNPROTECT_XICOR(App& app) {
    WriteProtectionDisable(app, WRITE_XICOR);
    SpeedWait(app, 5);
}

namespace {

/// The program image's pages into the chip, each read back; false after the
/// failure report.
bool WriteImagePages(App& app) {
    StartProgramming(app);
    if (!ChipTakesAByte(app)) {
        ReportProgramFailure(app);
        return false;
    }
    StartPageProgress(app);
    // The pages up to the image's end that hold a byte of it; the others are not touched.
    for (app.ops.PageCounter = 0; app.ops.PageCounter < PagesOfImage(app); ++app.ops.PageCounter) {
        if (!ImageHoldsPage(app, app.ops.PageCounter)) continue;
        if (!ProgramPage(app)) return false;
        PageVerified(app);
    }
    return true;
}

} // namespace

void PX28C256(App& app) {
    if (!WriteImagePages(app)) return;
    LogMessage(app, "XICOR 28C256 Programmed Sucessfully");
    Reset(app);
}

void EraseX28C256(App& app) {
    auto& image = app.ops.ProgramImage;
    // The whole chip: 32 KiB, or the 8 KiB of an AT28C64B.
    const std::int32_t bytes = std::min(ChipBytes(app), kPageWriteChipBytes);
    std::fill_n(image.begin(), bytes, std::uint8_t{0xFF});
    app.ops.ProgramCoverage = Coverage::FirstBytes(static_cast<std::uint32_t>(bytes));
    app.ops.ProgramLength = bytes;
    LogMessage(app, "Erasing Program Buffer");
    LogMessage(app, "Erasing XICOR 28C256");
    // The page writer reads every page back: no failure report means all FFh.
    if (WriteImagePages(app)) {
        LogErasedChip(app);
        Reset(app);
    }
    // The operator's image back in place.
    PrepareProgramImage(app);
}

} // namespace quorbit
