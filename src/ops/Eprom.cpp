// UV EPROMs, byte by byte. Each routine switches the programming voltage on for
// its package, then for every byte that is not FFh gives program pulses, each
// followed by a read-back, until the byte reads back right: at most 254 pulses, and
// from the 56th on each pulse is lengthened by LongDelay for a cell slow to take.
// A byte already reading right is never pulsed again (no over-programming). An FFh
// byte of the image is never pulsed either, but it must read FFh: only UV light
// raises a bit again, so a programmed bit there fails the byte.
//
// Register 0 while programming: bit 6 OE inactive, bit 3 the board indicator;
// model 4 also sets bit 2 (4Ch), models 5 and 6 select the level with bits 1..0
// (00 12.5 V, 10 21 V, 11 25 V). Bit 7 puts VPP on the OE/VPP pin of the 24-pin
// parts, the 27C512 and the 27C080; bit 4 on pin 1 of the 28-pin parts (socket
// pin 3); bit 5 on pin 1 of the 32-pin parts.
//
//   2732 family  CE low pulse of 5 ms (a timed sleep) with VPP on OE/VPP
//   2764, 27128  CE low, PGM (register 1 bit 6) low pulse, VPP on pin 1
//   27C256       CE low pulse, OE high, VPP on pin 1; verified with CE high, OE low
//   27C010/020   CE low, PGM (register 3 bit 2) low pulse, VPP on pin 1
//   27C512/080   CE low pulse with VPP on OE/VPP; verified with VPP off
#include "ops/Eprom.h"

#include "app/App.h"
#include "app/Shell.h"
#include "ops/Program.h"

namespace quorbit {
namespace {

/// Register 0 for programming before the package's VPP pin bit: 4Ch on model 4,
/// 48h on models 5 and 6 (4Ah / 4Bh for 21 V / 25 V when `voltageChoice` and the
/// chip's class allows them); any other model keeps what it had.
int ProgrammingRegister0(const App& app, bool voltageChoice) {
    const int model = app.board.BoardModel;
    if (model == 4) return 76;
    if (model != 5 && model != 6) return app.board.Reg0Shadow;
    if (voltageChoice && app.dev.DeviceVppClass == 3) {
        if (app.dev.VppVolts == 21) return 74;
        if (app.dev.VppVolts == 25) return 75;
    }
    return 72;
}

/// 21 V and 25 V need time to reach their level before the first pulse.
void WaitVppSettling(App& app) {
    if (app.dev.VppVolts <= 12) return;
    LogMessage(app, "Wait 1500ms second VPP Settling");
    app.board.SleepMs(1500);
}

void LogStart(App& app) {
    LogMessage(app, "Programming Started... Wait ");
}

/// What a routine does for each byte: `before` runs ahead of the attempts and may
/// find the byte already right (returns false); `pulse` is one attempt ending in a
/// read-back into DataIn, `longer` telling it to add LongDelay.
struct ByteSteps {
    bool (*before)(App& app);
    void (*pulse)(App& app, bool longer);
    int toggleEvery;
    /// The program-verify read without a pulse, for a byte the image leaves erased;
    /// null when `before` has read the byte already.
    void (*readBack)(App& app);
};

/// Pulses DataOut until it reads back; false after the failure report.
bool ProgramOneByte(App& app, const ByteSteps& steps) {
    Board& b = app.board;
    int attemptsLeft = 255;
    do {
        if (attemptsLeft == 1) {
            ReportProgramFailure(app);
            return false;
        }
        --attemptsLeft;
        steps.pulse(app, attemptsLeft < 200);
    } while (b.DataIn != b.DataOut);
    return true;
}

/// An FFh byte of the image gets no pulse, yet the cell must read FFh: a pulse only
/// clears bits, so a cell already programmed there can never match; false after the
/// failure report.
bool ErasedByteReadsErased(App& app, const ByteSteps& steps) {
    Board& b = app.board;
    if (steps.readBack) steps.readBack(app); // else `before` left its read in DataIn
    if (b.DataIn == 0xFF) return true;
    ReportProgramFailure(app);
    return false;
}

/// Every byte the program image holds, from chip address 0; the addresses it
/// does not hold are passed over untouched. False after a failure.
bool ProgramAllBytes(App& app, const ByteSteps& steps) {
    Board& b = app.board;
    const auto& image = app.ops.ProgramImage;
    const Coverage& held = app.ops.ProgramCoverage;
    for (std::int32_t i = 0; i < app.ops.ProgramLength; ++i) {
        if (!held.Holds(static_cast<std::uint32_t>(i))) {
            b.IncADR();
            GoProgressiveBar1(app);
            continue;
        }
        b.DataOut = image[static_cast<std::size_t>(i)];
        const bool needed = steps.before(app);
        if (needed && b.DataOut == 0xFF && !ErasedByteReadsErased(app, steps)) return false;
        if (needed && b.DataOut < 0xFF && !ProgramOneByte(app, steps)) return false;
        b.IncADR();
        if (i % steps.toggleEvery == 0) ToggleProgramIndicator(app);
        GoProgressiveBar1(app);
    }
    return true;
}

void DriveDataOut(Board& b) {
    b.Reg4Shadow = b.DataOut;
    b.SetReg4();
}

// ---- 2732 family ------------------------------------------------------------

bool PreRead2732(App& app) {
    Board& b = app.board;
    b.SETADR();
    b.VPP24_OFF();
    b.OEON();
    b.CEON();
    ReadBackByte(app);
    b.CEOFF();
    if (b.DataIn == b.DataOut) return false;
    b.SETADR();
    return true;
}

void Pulse2732(App& app, bool longer) {
    (void)longer; // the 5 ms pulse is timed, never lengthened
    Board& b = app.board;
    DriveDataOut(b);
    b.REG4ON();
    b.CEOFF();
    b.VPP24_ON();
    b.CEON();
    b.SleepMs(5);
    b.CEOFF();
    b.VPP24_OFF();
    b.CEON();
    b.Delay20Steps();
    ReadBackByte(app);
}

// ---- 2764 / 27128 --------------------------------------------------------------

bool Address2764(App& app) {
    app.board.SETADR();
    app.board.CEON();
    return true;
}

void Pulse2764(App& app, bool longer) {
    Board& b = app.board;
    b.REG4ON();
    DriveDataOut(b);
    b.Reg1Shadow &= ~0x40; // PGM low
    b.SetReg1();
    b.MediumDelay();
    if (longer) b.LongDelay();
    b.Reg1Shadow |= 0x40;
    b.SetReg1();
    b.Delay20Steps();
    b.OEON(); // program verify: OE low, PGM high, VPP still on
    ReadBackByte(app);
    b.OEOFF();
}

/// Program verify of the PGM parts: OE low with PGM high and VPP still on.
void VerifyWithOe(App& app) {
    Board& b = app.board;
    b.OEON();
    ReadBackByte(app);
    b.OEOFF();
}

// ---- 27C256 / 27C040 ---------------------------------------------------------------

bool AddressOnly(App& app) {
    app.board.SETADR();
    return true;
}

void Pulse27256(App& app, bool longer) {
    Board& b = app.board;
    b.REG4ON();
    DriveDataOut(b);
    b.CEOEOFF();
    b.CEON();
    b.MediumDelay();
    if (longer) b.LongDelay();
    b.CEOFF();
    b.Delay20Steps();
    b.OEON(); // program verify: CE high, OE low, VPP still on
    ReadBackByte(app);
    b.OEOFF();
}

/// Program verify of the 27C256 and 27C040: CE high, OE low, VPP still on.
void Verify27256(App& app) {
    Board& b = app.board;
    b.CEOEOFF();
    b.OEON();
    ReadBackByte(app);
    b.OEOFF();
}

// ---- 27C010 / 27C020 ----------------------------------------------------------------

void Pulse27010(App& app, bool longer) {
    Board& b = app.board;
    b.REG4ON();
    DriveDataOut(b);
    b.Reg3Shadow &= ~0x04; // PGM low
    b.SetReg3();
    b.MediumDelay();
    if (longer) b.LongDelay();
    b.Reg3Shadow |= 0x04;
    b.SetReg3();
    b.Delay20Steps();
    b.OEON();
    ReadBackByte(app);
    b.OEOFF();
}

// ---- 27C512 / 27C080 ----------------------------------------------------------------

bool PreRead27080(App& app) {
    Board& b = app.board;
    b.SETADR();
    b.CEON();
    ReadBackByte(app);
    b.CEOFF();
    return b.DataIn != b.DataOut;
}

void Pulse27080(App& app, bool longer) {
    Board& b = app.board;
    b.REG4ON();
    DriveDataOut(b);
    // The pulse is CE low while VPP is on OE/VPP: VPP comes first (the datasheets'
    // VPP set-up time), and a retry finds CE still low from the program verify,
    // which would start the pulse a whole latch early.
    if ((b.Reg3Shadow & 0x80) == 0) b.CEOFF();
    b.VPP24_ON();
    b.CEON();
    b.MediumDelay();
    if (longer) b.LongDelay();
    b.CEOFF();
    b.VPP24_OFF(); // program verify: CE and OE low, VPP off
    b.CEON();
    b.Delay20Steps();
    ReadBackByte(app);
}

} // namespace

void P2732(App& app) {
    Board& b = app.board;
    b.REG4ON();
    b.CEOEOFF();
    b.Reg0Shadow = ProgrammingRegister0(app, true);
    b.SetReg0();
    WaitVppSettling(app);
    LogStart(app);
    b.OEON();
    ProgramAllBytes(app, {PreRead2732, Pulse2732, 64, nullptr});
}

void P2764_128(App& app) {
    Board& b = app.board;
    b.REG4ON();
    b.CEOEOFF();
    b.Reg0Shadow = ProgrammingRegister0(app, true) | 16;
    b.SetReg0();
    WaitVppSettling(app);
    LogStart(app);
    if (ProgramAllBytes(app, {Address2764, Pulse2764, 512, VerifyWithOe})) b.CEOFF();
}

void P27256_040(App& app) {
    Board& b = app.board;
    b.REG4ON();
    b.CEOEOFF();
    int reg0 = ProgrammingRegister0(app, false);
    if (app.dev.DeviceSubtype == "4") reg0 |= 16;
    if (app.dev.DeviceSubtype == "8") reg0 |= 32;
    b.Reg0Shadow = reg0;
    b.SetReg0();
    LogStart(app);
    ProgramAllBytes(app, {AddressOnly, Pulse27256, 512, Verify27256});
}

void P27010_020(App& app) {
    Board& b = app.board;
    b.REG4ON();
    b.CEON();
    b.OEOFF();
    b.Reg0Shadow = ProgrammingRegister0(app, false) | 32;
    b.SetReg0();
    LogStart(app);
    ProgramAllBytes(app,
                    {AddressOnly, Pulse27010, 512, VerifyWithOe}); // CE stays active afterwards
}

void P27080(App& app) {
    Board& b = app.board;
    b.REG4ON();
    b.CEOEOFF();
    b.Reg0Shadow = ProgrammingRegister0(app, false);
    b.SetReg0();
    LogStart(app);
    b.OEON();
    ProgramAllBytes(app, {PreRead27080, Pulse27080, 1024, nullptr});
}

} // namespace quorbit
