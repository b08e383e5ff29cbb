#include "ops/TwoWire.h"

namespace quorbit {
namespace {

constexpr int kAckSamples = 200;
constexpr int kAckSampleMs = 1;

/// The data line as the board sees it: 0 low, 80h high.
int SampleData(Board& b) {
    b.ReadHighNibble();
    return b.DataIn & 0x80;
}

/// Eight bits of DataOut on the data line, each held over one clock pulse.
void ShiftOut(Board& b) {
    b.Reg4Shadow = b.DataOut;
    for (int bit = 0; bit < 8; ++bit) {
        b.SetReg4();
        b.DisableChip();
        b.EnableChip();
        b.Reg4Shadow = (b.Reg4Shadow * 2) & 0xFF;
    }
}

void SetData(Board& b, int level) {
    b.Reg4Shadow = level;
    b.SetReg4();
}

} // namespace

void TwoWireStart(Board& b) {
    b.EnableChip();
    SetData(b, 0x80);
    b.DriveDataPins();
    b.DisableChip();
    SetData(b, 0);
    b.EnableChip();
}

void TwoWireStop(Board& b) {
    b.EnableChip();
    SetData(b, 0);
    b.DriveDataPins();
    b.DisableChip();
    SetData(b, 0x80);
    b.EnableChip();
}

int TwoWireSend(Board& b, std::uint8_t byte) {
    b.DataOut = byte;
    b.DriveDataPins();
    ShiftOut(b);
    return TwoWireAck(b);
}

int TwoWireAck(Board& b) {
    b.ReleaseDataPins();
    int unanswered = 0;
    for (int attempt = 1; attempt <= kAckSamples; ++attempt) {
        unanswered = attempt;
        if (SampleData(b) == 0) {
            unanswered = 0;
            break;
        }
        b.SleepMs(kAckSampleMs);
    }
    // The acknowledge clock, whether or not the acknowledge came.
    b.DisableChip();
    b.EnableChip();
    return unanswered;
}

std::uint8_t TwoWireSendPolled(Board& b, std::uint8_t byte) {
    b.DataOut = byte;
    b.DriveDataPins();
    ShiftOut(b);
    b.ReleaseDataPins();
    b.SleepMs(1);
    b.DataIn = static_cast<std::uint8_t>(SampleData(b));
    return b.DataIn;
}

std::uint8_t TwoWireReceive(Board& b) {
    b.ReleaseDataPins();
    int acc = 0;
    for (int bit = 0; bit < 8; ++bit) {
        b.EnableChip();
        b.DisableChip();
        acc = acc * 2 + (SampleData(b) >> 7);
    }
    b.EnableChip();
    b.DataIn = static_cast<std::uint8_t>(acc);
    return b.DataIn;
}

void TwoWireMasterAck(Board& b) {
    b.DriveDataPins(); // drives the low level held in register 4
    b.DisableChip();
    b.EnableChip();
}

void TwoWireMasterNack(Board& b) {
    b.ReleaseDataPins();
    b.DisableChip();
    b.EnableChip();
}

} // namespace quorbit
