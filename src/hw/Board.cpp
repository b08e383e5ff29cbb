#include "hw/Board.h"

#include <stdexcept>
#include <string>

#include "hw/StopRequest.h"

namespace quorbit {
namespace {

// Control-register codes that address board registers 0..4. Bits 1-3 pick the
// register, bit 0 is the strobe: set to strobe on model 4, cleared on 5 and 6.
constexpr std::array<int, 5> kModel4Select = {0x0A, 0x02, 0x08, 0x00, 0x0E};
constexpr std::array<int, 5> kModel4Strobe = {0x0B, 0x03, 0x09, 0x01, 0x0F};
constexpr std::array<int, 5> kModel56Select = {0x05, 0x0D, 0x07, 0x0F, 0x01};
constexpr std::array<int, 5> kModel56Strobe = {0x04, 0x0C, 0x06, 0x0E, 0x00};

std::uint8_t ToByte(int value, const char* what) {
    if (value < 0 || value > 255)
        throw std::overflow_error(std::string("Overflow: ") + what + " = " + std::to_string(value) +
                                  " does not fit in a byte");
    return static_cast<std::uint8_t>(value);
}

} // namespace

void Board::InitRegisterTables() {
    Model4Select = kModel4Select;
    Model4Strobe = kModel4Strobe;
    Model56Select = kModel56Select;
    Model56Strobe = kModel56Strobe;
}

void Board::PortSetup() {
    StatusPort = DataPort + 1;
    ControlPort = DataPort + 2;
    if (BoardModel == 4) {
        RegSelect = Model4Select;
        RegStrobe = Model4Strobe;
        ReadSelectLow = 0;
        ReadSelectHigh = 4;
    } else if (BoardModel == 5 || BoardModel == 6) {
        RegSelect = Model56Select;
        RegStrobe = Model56Strobe;
        ReadSelectLow = 5;
        ReadSelectHigh = 1;
    }
    ForgetRegisters();
}

int& Board::Shadow(int reg) {
    switch (reg) {
    case 0:
        return Reg0Shadow;
    case 1:
        return Reg1Shadow;
    case 2:
        return Reg2Shadow;
    case 3:
        return Reg3Shadow;
    case 4:
        return Reg4Shadow;
    default:
        throw std::out_of_range("board register " + std::to_string(reg));
    }
}

// Every routine reaches the board through these accesses and waits, byte by byte
// and poll by poll: the one place where an operator's stop request is taken up.
void Board::Out(int port, int value) {
    ThrowIfStopPending();
    // DataPort 0 means no port chosen: addresses 0..2 belong to other PC hardware.
    if (DataPort == 0) return;
    // A raw data write meant for a register of the caller's choice must not reach
    // the one the fast latch left transparent.
    if (FastPort && port == DataPort) ReleaseHeld();
    RawOut(port, value);
}

std::uint8_t Board::In(int port) {
    ThrowIfStopPending();
    if (DataPort == 0) return 0xFF;
    return io_->PortIn(static_cast<std::uint16_t>(port));
}

void Board::SetReg(int reg) {
    const std::uint8_t data = ToByte(Shadow(reg), "register shadow");
    // The two-wire bus is held to its times on the board's clock; a board whose
    // clock the port cannot read (an exec child) keeps the normal latch, whose
    // pace holds them.
    if (FastPort && DataPort != 0 && !TwoWireBus) return FastSetReg(reg, data);
    if (FastPort && DataPort != 0 && io_->ClockIsTheBoards()) return TwoWireSetReg(reg, data);
    const auto index = static_cast<std::size_t>(reg);
    Out(DataPort, data);
    PaceWrite();
    Out(ControlPort, RegSelect[index]);
    PaceWrite();
    // The board takes the data byte while the strobe is asserted.
    Out(ControlPort, RegStrobe[index]);
    PaceWrite();
    Out(ControlPort, RegSelect[index]);
}

// Register 3: bit 7 is CE (0 active), bit 6 releases the data pins for reading.
// Register 0: bit 6 is OE (0 active), bit 7 the 24-pin VPP switch, bit 3 the LED.
void Board::EnableChip() {
    Reg3Shadow &= 0x7F;
    SetReg3();
}
void Board::DisableChip() {
    Reg3Shadow |= 0x80;
    SetReg3();
}
void Board::EnableOutput() {
    // Clearing bit 7 too: OE/VPP is one pin on 24-pin parts.
    Reg0Shadow &= 0x3F;
    SetReg0();
}
void Board::DisableOutput() {
    Reg0Shadow |= 0x40;
    SetReg0();
}
void Board::EnableChipAndOutput() {
    Reg3Shadow &= 0x7F;
    Reg0Shadow &= 0x3F;
    SetReg3();
    SetReg0();
}
void Board::DisableChipAndOutput() {
    Reg3Shadow |= 0x80;
    Reg0Shadow |= 0x40;
    SetReg3();
    SetReg0();
}
void Board::DriveDataPins() {
    Reg3Shadow &= 0xBF;
    SetReg3();
}
void Board::ReleaseDataPins() {
    Reg3Shadow |= 0x40;
    SetReg3();
}
void Board::ApplyVpp24() {
    Reg0Shadow |= 0xC0;
    SetReg0();
}
void Board::RemoveVpp24() {
    Reg0Shadow &= 0x3F;
    SetReg0();
}
void Board::BoardIndicatorOn() {
    Reg0Shadow |= 0x08;
    SetReg0();
}
void Board::BoardIndicatorOff() {
    Reg0Shadow &= 0xF7;
    SetReg0();
}
void Board::FlipBoardIndicator() {
    Reg0Shadow ^= 0x08;
    SetReg0();
}

void Board::SplitAddress() {
    AdrBank = Address / BankSize;
    AdrPage = (Address - AdrBank * BankSize) / PageSize;
    AdrLow = Address - AdrBank * BankSize - AdrPage * PageSize;
}

void Board::NextAddress() {
    ++Address;
    if (++AdrLow > 255) {
        AdrLow = 0;
        if (++AdrPage > 255) {
            AdrPage = 0;
            ++AdrBank;
        }
    }
}

void Board::LatchAddress() {
    Reg1Shadow = PageMap.at(static_cast<std::size_t>(AdrPage)) | DeviceReg1Bits;
    SetReg1();
    Reg2Shadow = AdrLow;
    SetReg2();
    Reg3Shadow =
        BankMap.at(static_cast<std::size_t>(AdrBank)) | (Reg3Shadow & 0xF0) | DeviceReg3Bits;
    SetReg3();
}

void Board::LatchX28Address() {
    // X28C256: A8-A13 in bits 0-5, bit 6 held high (WE inactive), A14 moved to bit 7.
    int v = AdrPage + (AdrPage != 0 ? 64 : 0);
    v |= DeviceReg1Bits;
    if (v != Reg1Shadow) {
        Reg1Shadow = v;
        SetReg1();
    }
    if (Reg2Shadow != AdrLow) {
        Reg2Shadow = AdrLow;
        SetReg2();
    }
    v = (Reg3Shadow & 0xF0) | DeviceReg3Bits | AdrBank;
    if (v != Reg3Shadow) {
        Reg3Shadow = v;
        SetReg3();
    }
}

void Board::ResetLines() {
    ForgetRegisterContents();
    Reg0Shadow = 0x40; // OE inactive, VPP and indicator off
    SetReg0();
    Address = 0;
    SplitAddress();
    Reg1Shadow = DeviceReg1Bits | AdrPage;
    SetReg1();
    Reg2Shadow = AdrLow;
    SetReg2();
    // CE inactive, data pins released, bit 2 set (flash WE inactive).
    Reg3Shadow = DeviceReg3Bits | 0xC4;
    SetReg3();
}

void Board::SetFastPort(bool on) {
    // The normal latch writes the data port first: nothing may be left held for it.
    ReleaseHeldRegister();
    FastPort = on;
}

void Board::ReleaseHeldRegister() {
    if (FastPort && DataPort != 0) ReleaseHeld();
}

// The waits pace the board; with no port chosen there is nothing to pace, and the
// backend is not touched at all.
void Board::BusyWait(std::int64_t steps) {
    ThrowIfStopPending();
    if (steps > 0 && DataPort != 0) io_->BusySteps(steps);
}
void Board::WaitStatusSettle() {
    BusyWait(static_cast<std::int64_t>(ShortDelayFactor) * 100);
}
void Board::PaceWrite() {
    if (LoadingPage) return;
    BusyWait(static_cast<std::int64_t>(PortDelayCount) * 10);
}

PageLoadWindow::PageLoadWindow(Board& board) : board_(board), was_(board.LoadingPage) {
    board_.LoadingPage = true;
}

PageLoadWindow::~PageLoadWindow() {
    board_.LoadingPage = was_;
}
// WaitProgramPulse and SleepProgramPulse are the EPROMs' programming pulses. In
// the normal latch, the latch that began the pulse and the one that ends it add
// four port accesses and three pauses to it; the fast latch begins and ends it
// with one data write each, so it gives the other three accesses (status reads,
// which the chip does not see) and the three pauses back here: the pulse keeps
// the width the normal mode gives it, as the cells' programming time asks.
// WaitPulseExtension only lengthens a pulse WaitProgramPulse has begun, so it has
// nothing to give back.
void Board::WaitProgramPulse() {
    PulseWait(MediumDelayCount);
    GiveBackSavedLatches();
}
void Board::WaitPulseExtension() {
    PulseWait(LongDelayCount);
}
void Board::SleepProgramPulse(int milliseconds) {
    SleepMs(milliseconds);
    GiveBackSavedLatches();
}
void Board::GiveBackSavedLatches() {
    if (!FastPort || DataPort == 0) return;
    for (int access = 0; access < 3; ++access) {
        In(StatusPort);
        PaceWrite();
    }
}
void Board::PulseWait(std::int64_t steps) {
    ThrowIfStopPending();
    if (steps > 0 && DataPort != 0) io_->PulseSteps(steps, PulseStepNs);
}
void Board::WaitVerifySettle() {
    BusyWait(20);
}
void Board::WaitBusTurnaround() {
    BusyWait(10);
}
void Board::WaitCommandStep() {
    BusyWait(300);
}
void Board::WaitBetweenPolls() {
    BusyWait(2000); // 50 us at the default step: under 1 % of a 10 ms write cycle
}
void Board::SleepMs(int milliseconds) {
    ThrowIfStopPending();
    if (DataPort != 0) io_->Sleep(milliseconds);
}

} // namespace quorbit
