// The 32-pin 5 V flash chips. Every operation is a JEDEC command: AAh at 5555h,
// 55h at 2AAAh, the command at 5555h, each a low pulse of WE (register 3 bit 2)
// while CE is low. Programming a byte is command A0h and one more write cycle at
// the byte's address; the chip then programs it by itself and shows its progress
// on DQ7 until the byte reads back as written.
#include "ops/Flash.h"

#include <optional>
#include <stdexcept>

#include "app/App.h"
#include "app/Shell.h"
#include "ops/At29c256.h"
#include "ops/FlashId.h"
#include "ops/Program.h"

namespace quorbit {
namespace {

/// Supported chips that program a byte in microseconds and are read back at once:
/// all but Atmel's, whose 32-pin parts write a sector per write cycle.
bool ReadBackAtOnce(int maker) {
    return maker != 0x1F;
}

/// One board-register latch in its short form: data, strobe, select.
void LatchInline(Board& b, int reg, int value) {
    if (value < 0 || value > 255)
        throw std::overflow_error("Overflow: flash command byte " + std::to_string(value));
    if (b.FastPort) {
        // The same register values in the same order through the fast latch; the
        // shadow is left as it was, as the short form leaves it.
        int& shadow = b.Shadow(reg);
        const int kept = shadow;
        shadow = value;
        b.SetReg(reg);
        shadow = kept;
        return;
    }
    const auto n = static_cast<std::size_t>(reg);
    b.Out(b.DataPort, value);
    b.Out(b.ControlPort, b.RegStrobe[n]);
    b.Out(b.ControlPort, b.RegSelect[n]);
}

/// CE low, WE low, WE high, CE high (register 3; bank bits 0, data driven). The
/// fast port mode keeps CE low from the `first` cycle of a sequence to its `last`:
/// the writes are WE-controlled, the datasheets' CE set-up and hold times to WE
/// are 0 ns, and with OE high the chip takes nothing while CE alone is low, so
/// its bus cycles, their addresses, data and WE pulses are the same.
void InlineWritePulse(Board& b, bool first, bool last) {
    if (first || !b.FastPort) LatchInline(b, 3, 0x04);
    LatchInline(b, 3, 0x00);
    LatchInline(b, 3, 0x04);
    if (last || !b.FastPort) LatchInline(b, 3, 0x84);
}

/// One cycle of the three-cycle command at address `high`:`low`.
void InlineCycle(Board& b, int data, int high, int low, bool first, bool last) {
    LatchInline(b, 4, data);
    LatchInline(b, 1, high);
    LatchInline(b, 2, low);
    InlineWritePulse(b, first, last);
}

/// The three cycles of a JEDEC command; CE is left low after them when
/// `ceLowAfter` (the fast port mode's byte program, whose data cycle follows).
void CommandCycles(Board& b, int command, bool ceLowAfter) {
    b.DisableOutput();
    // Runs before every programmed byte: no pauses, no shadow updates.
    LatchInline(b, 3, 0x84); // CE off, data driven, WE off, bank 0
    InlineCycle(b, 0xAA, 0x55, 0x55, true, false);
    InlineCycle(b, 0x55, 0x2A, 0xAA, false, false);
    InlineCycle(b, command, 0x55, 0x55, false, !ceLowAfter);
}

/// One read of the byte at Address: nothing when it holds `value`, else where it
/// gave up, the voltages off.
std::optional<ProgramFailureAt> ByteReadsAs(Board& b, std::uint8_t value) {
    b.DataOut = value;
    b.SplitAddress();
    b.LatchFlashAddress();
    const std::uint8_t read = ReadFlashByte(b);
    if (read == value) return std::nullopt;
    return GiveUpWithVoltagesOff(b, value, read);
}

/// The whole image read back after its last byte. The Atmel parts write a sector
/// per write cycle and clear the bytes of it not loaded in that cycle, so a byte
/// that read back right at once may be gone after the next byte's cycle. The
/// first byte that does not hold the image ends it.
ProgramOutcome ImageReadsBack(Board& b, const ImageToWrite& image) {
    for (const AddressRange& r : image.held.Ranges()) {
        for (std::uint32_t a = r.first; a <= r.last; ++a) {
            b.Address = static_cast<std::int32_t>(a);
            if (auto failure = ByteReadsAs(b, image.bytes[a])) return {failure};
        }
    }
    return {};
}

/// After the last byte: the sector-writing parts are read back whole.
ProgramOutcome FinishFlashImage(Board& b, int maker, const ImageToWrite& image) {
    if (!ReadBackAtOnce(maker)) return ImageReadsBack(b, image);
    return {};
}

/// The fast port mode reads a byte back as soon as its write cycle ends, before
/// the chip has programmed it, so it waits the datasheets' way: DQ7 data polling
/// (DQ7 reads the complement of the byte's bit 7 until the byte is programmed),
/// DQ5 set for an embedded program past its limit, then one read more, since the
/// other bits may follow DQ7 by a read. The SST39SF parts have no DQ5: their
/// datasheet's longest byte program (20 us) bounds the wait, and so does a
/// millisecond, past every datasheet's, for any part. Returns the byte as the
/// normal read-back gives it.
std::uint8_t PollFlashByte(Board& b, const DeviceConfig& device, std::uint8_t wanted) {
    constexpr std::int64_t kLongestNs = 1'000'000;
    const std::int64_t writtenNs = b.NowNs();
    const std::int64_t endNs = writtenNs + kLongestNs;
    // OE is high: the board lets the data pins go as CE falls, and takes them back
    // as CE rises, in one latch each; the chip drives them only once OE is low.
    b.Reg3Shadow = (b.Reg3Shadow | 0x40) & 0x7F;
    b.SetReg3();
    // A poll read before the chip's typical byte program time finds it busy and
    // costs a read cycle more: OE falls then, as far as the three accesses of its
    // latch allow.
    const std::int64_t typicalNs = std::int64_t{device.facts.byteProgramTypicalUs} * 1'000;
    if (typicalNs > 0) b.WaitUntilNs(writtenNs + typicalNs - 3'000);
    b.EnableOutput();
    for (;;) {
        // DQ7 and DQ5 are in the upper half: the lower one is read once, at the end.
        const std::uint8_t status = b.ReadHighNibble();
        if (((status ^ wanted) & 0x80) == 0 || (status & 0x20) != 0) break;
        if (b.NowNs() >= endNs) break;
        // Each poll is a read cycle of its own, as in the datasheets' flow charts.
        b.DisableOutput();
        b.EnableOutput();
    }
    const std::uint8_t read = b.ReadDataByte();
    b.DisableOutput();
    b.Reg3Shadow = (b.Reg3Shadow | 0x80) & 0xBF;
    b.SetReg3();
    return read;
}

/// Writes the byte at Address until it reads back, 49 writes at most.
std::optional<ProgramFailureAt> ProgramByteWithRetries(Board& b, const DeviceConfig& device,
                                                       int maker, std::uint8_t wanted) {
    std::uint8_t read = 0;
    for (int attempts = 50;;) {
        if (--attempts == 0) return GiveUpWithVoltagesOff(b, wanted, read);
        WriteFlashByte(b, device, wanted);
        if (!ReadBackAtOnce(maker)) {
            // The Atmel parts need their write cycle: read back after the wait, so
            // that a byte that did not take is written again, never passed over.
            b.SleepMs(1);
        }
        read = b.FastPort && ReadBackAtOnce(maker) ? PollFlashByte(b, device, wanted)
                                                   : ReadFlashByte(b);
        if (read == wanted) return std::nullopt;
    }
}

} // namespace

void SendFlashCommand(Board& b, const DeviceConfig& device, int command) {
    if (device.routines.program == ProgramRoutine::At29c256) {
        SendAt29Command(b, command);
        return;
    }
    CommandCycles(b, command, false);
}

void FlashWriteEnableOn(Board& b) {
    const int bank = b.BankMap[static_cast<std::size_t>(b.AdrBank)];
    b.Reg3Shadow = (bank | b.DeviceReg3Bits | b.Reg3Shadow) & 0xFB;
    b.SetReg3();
}

void FlashWriteEnableOff(Board& b) {
    const int bank = b.BankMap[static_cast<std::size_t>(b.AdrBank)];
    b.Reg3Shadow = b.Reg3Shadow | bank | b.DeviceReg3Bits | 0x04; // WE high
    b.SetReg3();
}

void WriteFlashByte(Board& b, const DeviceConfig& device, std::uint8_t data) {
    // The fast port mode keeps CE low from the command to the byte's own write
    // cycle, whose address is then set with WE high, as the command's are.
    const bool ceHeld = b.FastPort && device.routines.program != ProgramRoutine::At29c256 &&
                        (b.Reg3Shadow & 0x04) != 0;
    if (ceHeld)
        CommandCycles(b, 0xA0, true);
    else
        SendFlashCommand(b, device, 0xA0);
    b.SplitAddress();
    b.DataOut = data;
    b.Reg4Shadow = b.DataOut;
    b.SetReg4();
    if (ceHeld) b.Reg3Shadow &= 0x7F;
    b.LatchFlashAddress();
    b.EnableChip();
    FlashWriteEnableOn(b);
    FlashWriteEnableOff(b);
    b.DisableChip();
}

std::uint8_t ReadFlashByte(Board& b) {
    b.ReleaseDataPins();
    b.EnableChip();
    b.EnableOutput();
    const std::uint8_t read = b.ReadDataByte();
    b.DisableOutput();
    b.DisableChip();
    b.DriveDataPins();
    return read;
}

std::optional<ProgramOutcome> ProgramFlashChip(App& app, const ChipOptions& options) {
    FlashState& f = app.ops.flash;
    ReadFlashID(app);
    if (!FlashChipSupported(f.FlashMakerCode, f.FlashID)) {
        LogMessage(app, "Device ID# " + f.FlashID + " - Not Supported");
        app.ops.Outcome = OpOutcome::Refused;
        return std::nullopt;
    }
    if (!ChipIsTheChosenDevice(app)) return std::nullopt;
    LogMessage(app, "Device ID# " + f.FlashID + " - Start programming");
    WindowProgrammingEvents events(app);
    const ProgramOutcome outcome =
        ProgramFlash(app.board, app.dev, f.FlashMakerCode, ProgramImageToWrite(app), events);
    ApplyProgramOutcome(app, outcome, options);
    return outcome;
}

ProgramOutcome ProgramFlash(Board& b, const DeviceConfig& device, int maker,
                            const ImageToWrite& image, ProgrammingEvents& events) {
    // The walk is the chip's (never a loaded file's length) and ends at the image's
    // last byte; the bytes the image does not hold are passed over untouched.
    const std::int32_t size = device.ImageLength;
    events.StepsAhead(size / 256);
    b.DriveDataPins();
    b.DisableOutput();
    b.DisableChip();
    const int lastBank = (size - 1) / 65536;
    const int lastPage = ((size - 1) - lastBank * 65536) / 256;
    b.Address = 0;
    for (int bank = 0; bank <= lastBank; ++bank) {
        b.Reg3Shadow =
            b.BankMap[static_cast<std::size_t>(bank)] | b.DeviceReg3Bits | 0x80; // CE high
        for (int page = 0; page <= lastPage; ++page) {
            b.Reg1Shadow = b.PageMap[static_cast<std::size_t>(page)] | b.DeviceReg1Bits;
            events.Stepped();
            for (int low = 0; low <= 255; ++low) {
                if (b.Address >= image.length) return FinishFlashImage(b, maker, image);
                b.Reg2Shadow = low;
                const auto address = static_cast<std::uint32_t>(b.Address);
                if (image.held.Holds(address)) {
                    // FFh is the erased state: not written (a write only clears
                    // bits), but it must read FFh.
                    const std::uint8_t wanted = image.bytes[address];
                    auto failure = wanted == 0xFF
                                       ? ByteReadsAs(b, 0xFF)
                                       : ProgramByteWithRetries(b, device, maker, wanted);
                    if (failure) return {failure};
                }
                ++b.Address;
            }
        }
    }
    return FinishFlashImage(b, maker, image);
}

void LoopFlashTest_Click(App& app) {
    const int n = ReadChipOptions(app).speed * 1000;
    for (int i = 0; i < n; ++i) {
        WriteFlashByte(app.board, app.dev,
                       app.ops.ProgramImage[static_cast<std::size_t>(app.board.Address)]);
        app.board.Port().BusySteps(10000);
    }
}

void ResetFlash_Click(App& app) {
    WriteFlashReset(app.board);
}

void WriteFlashReset(Board& b) {
    b.DisableChip();
    b.DisableOutput();
    b.Reg4Shadow = 0xF0;
    b.SetReg4();
    FlashWriteEnableOn(b);
    b.EnableChip();
    b.DisableChip();
    FlashWriteEnableOff(b);
}

} // namespace quorbit
