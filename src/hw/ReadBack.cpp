// The LPT port has only status lines for input, so the board shows the chip's
// data byte in two halves selected by control bit 2; these routines decode them.
#include "hw/Board.h"

namespace quorbit {

std::uint8_t LowNibbleOf(std::uint8_t status) {
    // Data bits 0-3 arrive on ERROR, SELECT, PAPER END and ACK (status bits 3-6).
    return static_cast<std::uint8_t>((status >> 3) & 0x0F);
}

std::uint8_t Model4Decode(std::uint8_t p) {
    // Raw pair: bits 0-3 are status bits 4-7 of the low-half read, bits 4-7 those
    // of the high-half read. BUSY comes through the port inverted.
    auto bit = [p](int n) { return (p >> n) & 1; };
    const int d = bit(2) | ((bit(3) ^ 1) << 1) | (bit(1) << 2) | (bit(0) << 3) | (bit(6) << 4) |
                  ((bit(7) ^ 1) << 5) | (bit(5) << 6) | (bit(4) << 7);
    return static_cast<std::uint8_t>(d);
}

void Board::BuildLookupTables() {
    for (int s = 0; s < 256; ++s) {
        const auto i = static_cast<std::size_t>(s);
        LowNibbleTable[i] = LowNibbleOf(static_cast<std::uint8_t>(s));
        HighNibbleTable[i] = static_cast<std::uint8_t>(LowNibbleTable[i] << 4);
    }
    for (std::size_t i = 0; i < 256; ++i) {
        PageMap[i] = static_cast<int>(i);
        BankMap[i] = static_cast<int>(i);
    }
    for (int p = 0; p < 256; ++p)
        Model4DecodeTable[static_cast<std::size_t>(p)] = Model4Decode(static_cast<std::uint8_t>(p));
}

void Board::ReadDataByte() {
    if (BoardModel == 4) {
        Out(ControlPort, ReadSelectLow);
        const std::uint8_t s1 = In(StatusPort);
        StatusLowRaw = s1;
        NibbleLow = static_cast<std::uint8_t>(s1 / 16);
        Out(ControlPort, ReadSelectHigh);
        const std::uint8_t s2 = In(StatusPort);
        StatusHighRaw = s2;
        NibbleHigh = static_cast<std::uint8_t>(s2 & 0xF0);
        RawPair = static_cast<std::uint8_t>(NibbleHigh | NibbleLow);
        DataIn = Model4DecodeTable[RawPair];
    } else if (BoardModel == 5 || BoardModel == 6) {
        Out(ControlPort, ReadSelectLow);
        NibbleLow = LowNibbleTable[In(StatusPort)];
        Out(ControlPort, ReadSelectHigh);
        DataIn = static_cast<std::uint8_t>(HighNibbleTable[In(StatusPort)] | NibbleLow);
    }
}

void Board::ReadHighNibble() {
    if (BoardModel == 4) {
        Out(ControlPort, ReadSelectHigh);
        const std::uint8_t s = In(StatusPort);
        StatusHighRaw = static_cast<std::uint8_t>(s & 0xF0);
        DataIn = Model4DecodeTable[StatusHighRaw];
    } else if (BoardModel == 5 || BoardModel == 6) {
        Out(ControlPort, ReadSelectHigh);
        DataIn = HighNibbleTable[In(StatusPort)];
    }
}

} // namespace quorbit
