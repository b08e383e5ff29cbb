#include "ops/TwoWire.h"

namespace quorbit {
namespace {

constexpr int kAckSamples = 200;
constexpr int kAckSampleMs = 1;

/// The data line as the board sees it: 0 low, 80h high.
int SampleData(Board& b) {
    b.GetNibbles24CXX();
    return b.DataIn & 0x80;
}

/// Eight bits of DataOut on the data line, each held over one clock pulse.
void ShiftOut(Board& b) {
    b.Reg4Shadow = b.DataOut;
    for (int bit = 0; bit < 8; ++bit) {
        b.SetReg4();
        b.CEOFF();
        b.CEON();
        b.Reg4Shadow = (b.Reg4Shadow * 2) & 0xFF;
    }
}

void SetData(Board& b, int level) {
    b.Reg4Shadow = level;
    b.SetReg4();
}

} // namespace

void I2C_START(Board& b) {
    b.CEON();
    SetData(b, 0x80);
    b.REG4ON();
    b.CEOFF();
    SetData(b, 0);
    b.CEON();
}

void I2C_STOP(Board& b) {
    b.CEON();
    SetData(b, 0);
    b.REG4ON();
    b.CEOFF();
    SetData(b, 0x80);
    b.CEON();
}

int I2C_OUT(Board& b, std::uint8_t byte) {
    b.DataOut = byte;
    b.REG4ON();
    ShiftOut(b);
    return I2C_ACK(b);
}

int I2C_ACK(Board& b) {
    b.REG4OFF();
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
    b.CEOFF();
    b.CEON();
    return unanswered;
}

std::uint8_t I2C_OUT_POLL(Board& b, std::uint8_t byte) {
    b.DataOut = byte;
    b.REG4ON();
    ShiftOut(b);
    b.REG4OFF();
    b.SleepMs(1);
    b.DataIn = static_cast<std::uint8_t>(SampleData(b));
    return b.DataIn;
}

std::uint8_t I2C_IN(Board& b) {
    b.REG4OFF();
    int acc = 0;
    for (int bit = 0; bit < 8; ++bit) {
        b.CEON();
        b.CEOFF();
        acc = acc * 2 + (SampleData(b) >> 7);
    }
    b.CEON();
    b.DataIn = static_cast<std::uint8_t>(acc);
    return b.DataIn;
}

void I2C_MASTER_ACK(Board& b) {
    b.REG4ON(); // drives the low level held in register 4
    b.CEOFF();
    b.CEON();
}

void I2C_MASTER_NACK(Board& b) {
    b.REG4OFF();
    b.CEOFF();
    b.CEON();
}

} // namespace quorbit
