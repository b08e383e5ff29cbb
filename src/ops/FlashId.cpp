#include "ops/FlashId.h"

#include "app/App.h"

namespace quorbit {
namespace {

constexpr int kUnlockAddress1 = 0x5555;
constexpr int kUnlockAddress2 = 0x2AAA;
constexpr int kProductIdEntry = 0x90;
constexpr int kProductIdExit = 0xF0;

// One write cycle of the AT29C256: address on registers 1 and 2, data on register
// 4, then a low pulse of WE (register 1 bit 7) while CE is low. The chip latches
// the address on WE's falling edge and the data on its rising edge.
void WriteCycle(Board& b, int address, int data) {
    b.Reg1Shadow = (address >> 8) | b.DeviceReg1Bits;
    b.Reg2Shadow = address & 0xFF;
    b.Reg4Shadow = data;
    b.SetReg1();
    b.SetReg2();
    b.SetReg4();
    b.CEON();
    b.Reg1Shadow &= 0x7F;
    b.SetReg1();
    b.Reg1Shadow |= 0x80;
    b.SetReg1();
    b.CEOFF();
}

// The JEDEC three-cycle command: AAh at 5555h, 55h at 2AAAh, the command at 5555h.
void Command(Board& b, int command) {
    b.OEOFF();
    b.Reg3Shadow = 0x82; // CE off, board drives the data pins
    b.SetReg3();
    WriteCycle(b, kUnlockAddress1, 0xAA);
    WriteCycle(b, kUnlockAddress2, 0x55);
    WriteCycle(b, kUnlockAddress1, command);
}

} // namespace

void FlashIDCycle(App& app) {
    Board& b = app.board;
    Command(b, kProductIdEntry);
    b.SleepMs(20); // the chip needs up to 10 ms to enter identification mode
    b.CEOEON();
    b.REG4OFF();
    b.SETADR_FLASH();
    b.GetNibbles(); // maker code
    b.IncADR();
    b.SETADR_FLASH();
    b.GetNibbles(); // device code
    b.OEOFF();
    Command(b, kProductIdExit);
    b.SleepMs(20); // and as long to return to reading the array
}

} // namespace quorbit
