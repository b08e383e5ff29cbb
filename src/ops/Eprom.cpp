// UV EPROMs, byte by byte. Each routine switches the programming voltage on for
// its package, then for every byte that is not FFh gives program pulses, each
// followed by a read-back, until the byte reads back right: at most 254 pulses, and
// from the 56th on each pulse is lengthened by WaitPulseExtension for a cell slow to take.
// A byte already reading right is never pulsed again (no over-programming). An FFh
// byte of the image is never pulsed either, but it must read FFh: only UV light
// raises a bit again, so a programmed bit there fails the byte.
//
// Register 0 while programming: bit 6 OE inactive, bit 3 the board indicator;
// model 4 also sets bit 2 (4Ch), models 5 and 6 select the level with bits 1..0
// (00 12.5 V, 10 21 V, 11 25 V). Bit 7 puts VPP on the OE/VPP pin of the 24-pin
// parts, the 27C512 and the 27C080; bit 4 on pin 1 of the 28-pin parts (socket
// pin 3); bit 5 on pin 1 of the 32-pin parts.
#include "ops/Eprom.h"

#include <stdexcept>

namespace quorbit {
namespace {

/// Register 0 for programming before the package's VPP pin bit: 4Ch on model 4,
/// 48h on models 5 and 6 (4Ah / 4Bh for 21 V / 25 V when `voltageChoice` and the
/// chip's class allows them); any other model keeps what it had.
int ProgrammingRegister0(const Board& b, const DeviceConfig& device, bool voltageChoice) {
    const int model = b.BoardModel;
    if (model == 4) return 0x4C;
    if (model != 5 && model != 6) return b.Reg0Shadow;
    if (voltageChoice && device.DeviceVppClass == 3) {
        if (device.VppVolts == 21) return 0x4A;
        if (device.VppVolts == 25) return 0x4B;
    }
    return 0x48;
}

/// 21 V and 25 V need time to reach their level before the first pulse.
constexpr int kVppSettleMs = 1500;

void WaitVppSettling(Board& b, const DeviceConfig& device, ProgrammingEvents& events) {
    if (device.VppVolts <= 12) return;
    events.Log("Wait 1500ms second VPP Settling");
    b.SleepMs(kVppSettleMs);
}

void LogStart(ProgrammingEvents& events) {
    events.Log("Programming Started... Wait ");
}

/// The byte the chip shows at the address already latched, its outputs enabled by
/// the caller: data lines released, then one two-nibble read.
std::uint8_t ReadBackByte(Board& b) {
    b.Reg4Shadow = 0xFF;
    b.SetReg4();
    b.WaitBusTurnaround();
    b.ReleaseDataPins();
    b.WaitBusTurnaround();
    return b.ReadDataByte();
}

void DriveData(Board& b, std::uint8_t byte) {
    b.Reg4Shadow = byte;
    b.SetReg4();
}

/// What a routine does for each byte: `before` runs ahead of the attempts and may
/// find the byte already right (returns false, its read in `read`); `pulse` is one
/// attempt at `wanted` ending in its read-back, `longer` telling it to add WaitPulseExtension.
struct ByteSteps {
    bool (*before)(Board& b, std::uint8_t wanted, std::uint8_t& read);
    std::uint8_t (*pulse)(Board& b, std::uint8_t wanted, bool longer);
    int toggleEvery;
    /// The program-verify read without a pulse, for a byte the image leaves erased;
    /// null when `before` has read the byte already.
    std::uint8_t (*readBack)(Board& b);
};

/// Pulses `wanted` until it reads back: at most 254 pulses, the ones after the 55th
/// lengthened. Nothing when it took, else where it gave up.
std::optional<ProgramFailureAt> ProgramOneByte(Board& b, const ByteSteps& steps,
                                               std::uint8_t wanted) {
    int attemptsLeft = 255;
    std::uint8_t read = 0;
    do {
        if (attemptsLeft == 1) return GiveUpWithVoltagesOff(b, wanted, read);
        --attemptsLeft;
        read = steps.pulse(b, wanted, attemptsLeft < 200);
    } while (read != wanted);
    return std::nullopt;
}

/// Every byte the image holds, from chip address 0; the addresses it does not hold
/// are passed over untouched. An FFh byte of the image gets no pulse, yet the cell
/// must read FFh: a pulse only clears bits, so a cell already programmed there can
/// never match.
ProgramOutcome ProgramAllBytes(Board& b, const ImageToWrite& image, const ByteSteps& steps,
                               ProgrammingEvents& events) {
    for (std::int32_t i = 0; i < image.length; ++i) {
        if (!image.held.Holds(static_cast<std::uint32_t>(i))) {
            b.NextAddress();
            events.Advanced(false);
            continue;
        }
        const std::uint8_t wanted = image.bytes[static_cast<std::size_t>(i)];
        std::uint8_t read = 0;
        if (steps.before(b, wanted, read)) {
            if (wanted == 0xFF) {
                if (steps.readBack) read = steps.readBack(b);
                if (read != 0xFF) return {GiveUpWithVoltagesOff(b, wanted, read)};
            } else if (auto failure = ProgramOneByte(b, steps, wanted)) {
                return {failure};
            }
        }
        b.NextAddress();
        events.Advanced(i % steps.toggleEvery == 0);
    }
    return {};
}

// ---- 2732 family ------------------------------------------------------------

bool PreRead2732(Board& b, std::uint8_t wanted, std::uint8_t& read) {
    b.LatchAddress();
    b.RemoveVpp24();
    b.EnableOutput();
    b.EnableChip();
    read = ReadBackByte(b);
    b.DisableChip();
    if (read == wanted) return false;
    b.LatchAddress();
    return true;
}

std::uint8_t Pulse2732(Board& b, std::uint8_t wanted, bool longer) {
    (void)longer; // the 5 ms pulse is timed, never lengthened
    DriveData(b, wanted);
    b.DriveDataPins();
    b.DisableChip();
    b.ApplyVpp24();
    b.EnableChip();
    b.SleepProgramPulse(5);
    b.DisableChip();
    b.RemoveVpp24();
    b.EnableChip();
    b.WaitVerifySettle();
    return ReadBackByte(b);
}

// ---- 2764 / 27128 --------------------------------------------------------------

bool Address2764(Board& b, std::uint8_t /*wanted*/, std::uint8_t& /*read*/) {
    b.LatchAddress();
    b.EnableChip();
    return true;
}

/// Program verify with VPP still on: OE low for one read-back, then high.
std::uint8_t VerifyWithOe(Board& b) {
    b.EnableOutput();
    const std::uint8_t read = ReadBackByte(b);
    b.DisableOutput();
    return read;
}

std::uint8_t Pulse2764(Board& b, std::uint8_t wanted, bool longer) {
    b.DriveDataPins();
    DriveData(b, wanted);
    b.Reg1Shadow &= ~0x40; // PGM low
    b.SetReg1();
    b.WaitProgramPulse();
    if (longer) b.WaitPulseExtension();
    b.Reg1Shadow |= 0x40;
    b.SetReg1();
    b.WaitVerifySettle();
    return VerifyWithOe(b); // OE low, PGM high, VPP still on
}

// ---- 27C256 / 27C040 ---------------------------------------------------------------

bool AddressOnly(Board& b, std::uint8_t /*wanted*/, std::uint8_t& /*read*/) {
    b.LatchAddress();
    return true;
}

std::uint8_t Pulse27256(Board& b, std::uint8_t wanted, bool longer) {
    b.DriveDataPins();
    DriveData(b, wanted);
    b.DisableChipAndOutput();
    b.EnableChip();
    b.WaitProgramPulse();
    if (longer) b.WaitPulseExtension();
    b.DisableChip();
    b.WaitVerifySettle();
    return VerifyWithOe(b); // CE high, OE low, VPP still on
}

/// Program verify of the 27C256 and 27C040: CE high, OE low, VPP still on.
std::uint8_t Verify27256(Board& b) {
    b.DisableChipAndOutput();
    b.EnableOutput();
    const std::uint8_t read = ReadBackByte(b);
    b.DisableOutput();
    return read;
}

// ---- 27C010 / 27C020 ----------------------------------------------------------------

std::uint8_t Pulse27010(Board& b, std::uint8_t wanted, bool longer) {
    b.DriveDataPins();
    DriveData(b, wanted);
    b.Reg3Shadow &= ~0x04; // PGM low
    b.SetReg3();
    b.WaitProgramPulse();
    if (longer) b.WaitPulseExtension();
    b.Reg3Shadow |= 0x04;
    b.SetReg3();
    b.WaitVerifySettle();
    return VerifyWithOe(b);
}

// ---- 27C512 / 27C080 ----------------------------------------------------------------

bool PreRead27080(Board& b, std::uint8_t wanted, std::uint8_t& read) {
    b.LatchAddress();
    b.EnableChip();
    read = ReadBackByte(b);
    b.DisableChip();
    return read != wanted;
}

std::uint8_t Pulse27080(Board& b, std::uint8_t wanted, bool longer) {
    b.DriveDataPins();
    DriveData(b, wanted);
    // The pulse is CE low while VPP is on OE/VPP: VPP comes first (the datasheets'
    // VPP set-up time), and a retry finds CE still low from the program verify,
    // which would start the pulse a whole latch early.
    if ((b.Reg3Shadow & 0x80) == 0) b.DisableChip();
    b.ApplyVpp24();
    b.EnableChip();
    b.WaitProgramPulse();
    if (longer) b.WaitPulseExtension();
    b.DisableChip();
    b.RemoveVpp24(); // program verify: CE and OE low, VPP off
    b.EnableChip();
    b.WaitVerifySettle();
    return ReadBackByte(b);
}

// ---- The packages ----------------------------------------------------------------

ProgramOutcome Program2732(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                           ProgrammingEvents& events) {
    b.DriveDataPins();
    b.DisableChipAndOutput();
    b.Reg0Shadow = ProgrammingRegister0(b, device, true);
    b.SetReg0();
    WaitVppSettling(b, device, events);
    LogStart(events);
    b.EnableOutput();
    return ProgramAllBytes(b, image, {PreRead2732, Pulse2732, 64, nullptr}, events);
}

ProgramOutcome Program2764(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                           ProgrammingEvents& events) {
    b.DriveDataPins();
    b.DisableChipAndOutput();
    b.Reg0Shadow = ProgrammingRegister0(b, device, true) | 0x10;
    b.SetReg0();
    WaitVppSettling(b, device, events);
    LogStart(events);
    ProgramOutcome outcome =
        ProgramAllBytes(b, image, {Address2764, Pulse2764, 512, VerifyWithOe}, events);
    if (outcome.Succeeded()) b.DisableChip();
    return outcome;
}

ProgramOutcome Program27256(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                            ProgrammingEvents& events) {
    b.DriveDataPins();
    b.DisableChipAndOutput();
    int reg0 = ProgrammingRegister0(b, device, false);
    reg0 |= device.wiring.programReg0Bits;
    b.Reg0Shadow = reg0;
    b.SetReg0();
    LogStart(events);
    return ProgramAllBytes(b, image, {AddressOnly, Pulse27256, 512, Verify27256}, events);
}

ProgramOutcome Program27010(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                            ProgrammingEvents& events) {
    b.DriveDataPins();
    b.EnableChip();
    b.DisableOutput();
    b.Reg0Shadow = ProgrammingRegister0(b, device, false) | 0x20;
    b.SetReg0();
    LogStart(events);
    // CE stays active afterwards.
    return ProgramAllBytes(b, image, {AddressOnly, Pulse27010, 512, VerifyWithOe}, events);
}

ProgramOutcome Program27080(Board& b, const DeviceConfig& device, const ImageToWrite& image,
                            ProgrammingEvents& events) {
    b.DriveDataPins();
    b.DisableChipAndOutput();
    b.Reg0Shadow = ProgrammingRegister0(b, device, false);
    b.SetReg0();
    LogStart(events);
    b.EnableOutput();
    return ProgramAllBytes(b, image, {PreRead27080, Pulse27080, 1024, nullptr}, events);
}

using PackageRoutine = ProgramOutcome (*)(Board&, const DeviceConfig&, const ImageToWrite&,
                                          ProgrammingEvents&);

/// The package routine the chip's record names.
PackageRoutine RoutineOf(ProgramRoutine routine) {
    switch (routine) {
    case ProgramRoutine::Eprom2732: // 2716, 2732A, 2732B, 2732, 27C32
        return Program2732;
    case ProgramRoutine::Eprom2764: // 2764, 27C64, 27128, 27C128
        return Program2764;
    case ProgramRoutine::Eprom27256: // 27256, 27C256, 27C259, 27C040
        return Program27256;
    case ProgramRoutine::Eprom27010: // 27C010, 27C020
        return Program27010;
    case ProgramRoutine::Eprom27080: // 27C512, 27C080
        return Program27080;
    default:
        return nullptr;
    }
}

} // namespace

ProgramOutcome ProgramEprom(Board& board, const DeviceConfig& device, const ImageToWrite& image,
                            ProgrammingEvents& events) {
    const PackageRoutine routine = RoutineOf(device.routines.program);
    if (!routine)
        throw std::invalid_argument("no UV EPROM routine for device type " + device.DeviceType);
    return routine(board, device, image, events);
}

} // namespace quorbit
