// The fast port mode: the register values of the normal latch sequences, in the
// same order, in fewer port accesses.
//
// A board register is a transparent latch: it follows the LPT data register for
// as long as the control register holds its strobe code. The fast latch leaves
// the strobe held after a register's latch, so the register's next value is one
// data write, and leaves out a latch whose register already holds the value.
//
// When a transparent register may change. While a register is held, every data
// write reaches the chip's pins at once, so:
// - the data port changes only to the held register's next value, the one the
//   normal sequence would latch next; any other data write first releases the
//   strobe (ReleaseHeld), so no register ever passes through a byte meant for
//   another one;
// - one data write moves a register from its old value to its new one, as a latch
//   does, never through a value in between: no glitch on CE, OE, WE or VPP, and
//   no address or data change while WE is low, during a program pulse or with
//   VPP on, that the normal sequence does not make too;
// - the order of the registers written stays that of the normal sequence, so a
//   condition the chip depends on (data and address set before WE falls, VPP up
//   before the pulse) is set up in the same order.
// The control register moves between codes as the flash command writer does
// (data byte, then the strobe code), and is released to a select code before a
// read-back, which needs the strobe released.
//
// The pauses the slider puts between latch writes are left out: one port access
// takes about a microsecond, more than any set-up, hold or write-pulse time of
// the parts (tens of nanoseconds). The timed waits (pulses, settling, programming
// times) are the callers' own and are kept.
#include "hw/Board.h"

#include <algorithm>

#include "hw/StopRequest.h"

namespace quorbit {
namespace {

/// Marks the control byte last sent as a strobe the fast latch left held, which a
/// raw data write must not reach. A strobe held by a raw sequence of the caller's
/// own (the detection patterns latch through transparency) is the caller's to use.
constexpr int kLeftHeld = 0x100;

} // namespace

int Board::HeldRegister() const {
    if (controlSent_ < 0 || (BoardModel != 4 && BoardModel != 5 && BoardModel != 6)) return -1;
    for (int n = 0; n < 5; ++n)
        if (RegStrobe[static_cast<std::size_t>(n)] == (controlSent_ & 0xFF)) return n;
    return -1;
}

void Board::ForgetRegisters() {
    dataSent_ = -1;
    controlSent_ = -1;
    ForgetRegisterContents();
}

void Board::ForgetRegisterContents() {
    holds_.fill(-1);
}

void Board::RawOut(int port, int value) {
    io_->PortOut(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
    if (port == DataPort) dataSent_ = value & 0xFF;
    if (port == ControlPort) controlSent_ = value & 0xFF;
    // What the board took: the held register follows the data register.
    if (const int held = HeldRegister(); held >= 0)
        holds_[static_cast<std::size_t>(held)] = dataSent_;
}

void Board::ReleaseHeld() {
    if ((controlSent_ & kLeftHeld) == 0) return;
    if (const int held = HeldRegister(); held >= 0)
        RawOut(ControlPort, RegSelect[static_cast<std::size_t>(held)]);
}

void Board::FastSetReg(int reg, std::uint8_t data) {
    ThrowIfStopPending();
    const auto index = static_cast<std::size_t>(reg);
    if (holds_[index] == data) return;
    if (HeldRegister() == reg) {
        RawOut(DataPort, data);
        return;
    }
    // Another register: whoever left one held, it must not see this byte.
    if (const int held = HeldRegister(); held >= 0)
        RawOut(ControlPort, RegSelect[static_cast<std::size_t>(held)]);
    if (dataSent_ != data) RawOut(DataPort, data);
    RawOut(ControlPort, RegStrobe[index]);
    controlSent_ |= kLeftHeld;
}

// The two-wire EEPROMs' standard mode (100 kHz): SCL high 4.0 us and low 4.7 us;
// a start or stop set up 4.7 us after SCL rises, a start held 4.0 us before SCL
// falls, the bus free 4.7 us between a stop and a start; data set up 250 ns before
// SCL rises. Counting port accesses cannot hold these on every port and model (a
// latch takes one access or three), so each change waits on the port's clock for
// the time since the last edge it depends on; the wait ends before the latch's
// first access, so the chip sees the change later still.
void Board::TwoWireSetReg(int reg, std::uint8_t data) {
    const auto index = static_cast<std::size_t>(reg);
    if (holds_[index] == data) return;
    constexpr std::int64_t kHighNs = 4'000, kLowNs = 4'700, kSetUpNs = 4'700, kDataNs = 250;
    auto scl = [](int r3) { return (r3 & 0x80) != 0; };
    // Let go (register 3 bit 6), SDA is held high by the pull-up.
    auto sda = [](int r3, int r4) { return (r3 & 0x40) != 0 || (r4 & 0x80) != 0; };
    const int r3 = reg == 3 ? data : holds_[3];
    const int r4 = reg == 4 ? data : holds_[4];
    // Until both registers were latched the lines' levels are not known: the first
    // change waits for every time at once.
    const bool known = holds_[3] >= 0 && holds_[4] >= 0;
    const bool clockWas = known && scl(holds_[3]);
    const bool clockNow = known && scl(r3);
    const bool dataWas = known && sda(holds_[3], holds_[4]);
    const bool dataNow = known && sda(r3, r4);
    std::int64_t readyNs = 0;
    if (!known) {
        readyNs = std::max({clockEdgeNs_, conditionNs_, dataEdgeNs_}) + kSetUpNs;
    } else if (!clockWas && clockNow) {
        readyNs = std::max(clockEdgeNs_ + kLowNs, dataEdgeNs_ + kDataNs);
    } else if (clockWas && !clockNow) {
        readyNs = std::max(clockEdgeNs_, conditionNs_) + kHighNs;
    } else if (clockWas && dataWas != dataNow) {
        readyNs = std::max(clockEdgeNs_, conditionNs_) + kSetUpNs;
    }
    WaitUntilNs(readyNs);
    FastSetReg(reg, data);
    const std::int64_t now = NowNs();
    if (!known || clockWas != clockNow) clockEdgeNs_ = now;
    if (!known || (clockNow && dataWas != dataNow)) conditionNs_ = now;
    if (!known || dataWas != dataNow) dataEdgeNs_ = now;
}

void Board::WaitUntilNs(std::int64_t ns) {
    for (std::int64_t now = NowNs(); now < ns;) {
        BusyWait((ns - now + kDelayStepNanoseconds - 1) / kDelayStepNanoseconds);
        const std::int64_t later = NowNs();
        if (later <= now) return; // a clock that does not move: nothing to wait on
        now = later;
    }
}

void Board::FastReadDataByte() {
    ThrowIfStopPending();
    // A read-back select code releases the held register; the half the control
    // port already shows is read first, without writing its code again.
    auto half = [this](int code) {
        if (controlSent_ != code) RawOut(ControlPort, code);
        return io_->PortIn(static_cast<std::uint16_t>(StatusPort));
    };
    std::uint8_t low = 0, high = 0;
    if (controlSent_ == ReadSelectHigh) {
        high = half(ReadSelectHigh);
        low = half(ReadSelectLow);
    } else {
        low = half(ReadSelectLow);
        high = half(ReadSelectHigh);
    }
    if (BoardModel == 4) {
        StatusLowRaw = low;
        StatusHighRaw = high;
        NibbleLow = static_cast<std::uint8_t>(low / 16);
        NibbleHigh = static_cast<std::uint8_t>(high & 0xF0);
        RawPair = static_cast<std::uint8_t>(NibbleHigh | NibbleLow);
        DataIn = Model4DecodeTable[RawPair];
    } else if (BoardModel == 5 || BoardModel == 6) {
        NibbleLow = LowNibbleTable[low];
        DataIn = static_cast<std::uint8_t>(HighNibbleTable[high] | NibbleLow);
    }
}

} // namespace quorbit
