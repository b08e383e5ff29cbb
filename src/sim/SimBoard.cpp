#include "sim/SimBoard.h"

#include <sstream>

namespace quorbit::sim {

// How the simulated board behaves, and why it answers the detection patterns.
//
// Registers: the five board registers are transparent latches. A register
// follows the LPT data register for as long as the control register holds that
// register's code with the strobe asserted, and keeps its value afterwards.
// Control bits 1-3 carry the code, bit 0 the strobe: model 4 codes registers
// 0..4 as 101b, 001b, 100b, 000b, 111b with the strobe asserted when bit 0 is
// set; models 5 and 6 code them 010b, 110b, 011b, 111b, 000b with the strobe
// asserted when bit 0 is clear.
//
// Data bus: while register 3 bit 6 is clear, register 4 drives the data pins and
// the read-back sees that byte. Otherwise the chip drives them when it answers
// (CE and OE active for a memory), else pull-ups make them read FFh. A serial
// EEPROM's open-drain data pin pulls D7 low even while register 4 drives it: the
// line is a wired AND of both (see SimSerialEeprom.cpp).
//
// Read-back: control bit 2 picks the half. Model 4 shows the low half with bit 2
// clear, the high half with it set; status bit 6 carries data bit 0 (4 of the
// high half), bit 7 the inverted bit 1 (BUSY), bit 5 bit 2 and bit 4 bit 3.
// Models 5 and 6 show the low half with bit 2 set and carry the nibble on
// status bits 3-6.
//
// Detection: these rules alone make each model answer its own signature. Model
// 4's pattern latches 00h then FFh into register 4 with the data pins driven
// (register 3 = BFh), so status bits 4-6 read low then high; for models 5 and 6
// every control byte of that pattern has bit 0 set, nothing latches and both
// reads agree. Model 5's pattern leaves register 4 transparent while the data
// register changes, so register 4 holds 00h then FFh with the pins driven
// (register 3 = 9Fh); on model 4 no byte of that pattern is a strobe. Model 6
// differs from model 5 by one identification strap: while register 3 bit 5 is
// set and the data pins are released, data bit 4 reads low. The model-6 test
// sets register 3 to 60h (strap on) and then 40h (strap off) and so reads EFh
// and FFh; no device ever sets that bit in normal use.

namespace {

constexpr int kModel4Codes[8] = {3, 1, -1, -1, 2, 0, -1, 4};  // bits 1-3 -> register
constexpr int kModel56Codes[8] = {4, -1, 0, 2, -1, -1, 1, 3}; // bits 1-3 -> register

// Programming supply. Model 4 has a single 12.5 V regulator. Models 5 and 6 pick
// the level with register-0 bits 1..0: 00 12.5 V, 10 21 V, 11 25 V (bit 0 only
// raises the 21 V range; 01 stays at 12.5 V).
int VppDecivolts(int model, std::uint8_t reg0) {
    if (model != 5 && model != 6) return 125;
    if ((reg0 & 0x02) == 0) return 125;
    return (reg0 & 0x01) != 0 ? 250 : 210;
}

} // namespace

SimBoard::SimBoard(int model, std::uint16_t basePort) : model_(model), base_(basePort) {
    // The board powers up idle: OE and CE inactive, data pins released.
    regs_.r = {0x40, 0x00, 0x00, 0xC4, 0x00};
    regs_.vppDecivolts = VppDecivolts(model_, regs_.r[0]);
}

int SimBoard::EnabledRegister() const {
    const int code = (control_ >> 1) & 7;
    if (model_ == 4) return (control_ & 1) ? kModel4Codes[code] : -1;
    if (model_ == 5 || model_ == 6) return (control_ & 1) ? -1 : kModel56Codes[code];
    return -1;
}

void SimBoard::Latch() {
    const int reg = EnabledRegister();
    if (reg < 0) return;
    const auto index = static_cast<std::size_t>(reg);
    if (regs_.r[index] == data_) return;
    regs_.r[index] = data_;
    regs_.vppDecivolts = VppDecivolts(model_, regs_.r[0]);
    if (chip_) chip_->Latched(regs_, reg, nowNs_);
}

void SimBoard::PortOut(std::uint16_t port, std::uint8_t value) {
    ++accesses_;
    nowNs_ += accessNs_;
    if (model_ == 0) return;
    if (port == base_) {
        data_ = value;
        Latch();
    } else if (port == base_ + 2) {
        control_ = value;
        Latch();
    }
}

std::uint8_t SimBoard::DataBus() {
    const bool boardDrives = regs_.BoardDrivesData();
    std::uint8_t bus = boardDrives ? regs_.r[4] : 0xFF;
    // An open-drain chip pulls a line low against the board's driver too (wired AND).
    if (chip_ && (!boardDrives || chip_->OpenDrain())) {
        if (auto driven = chip_->Output(regs_)) bus &= MaybeFlipped(*driven);
    }
    if (model_ == 6 && (regs_.r[3] & 0x20)) bus &= 0xEF; // identification strap
    return bus;
}

void SimBoard::FlipReadsNowAndThen(std::uint32_t seed, std::uint32_t oneIn) {
    flipOneIn_ = seed == 0 ? 0 : oneIn;
    flipRandom_.seed(seed);
}

std::uint8_t SimBoard::MaybeFlipped(std::uint8_t driven) {
    if (flipOneIn_ == 0 || flipRandom_() % flipOneIn_ != 0) return driven;
    ++flippedReads_;
    return static_cast<std::uint8_t>(driven ^ (1U << (flipRandom_() % 8)));
}

std::uint8_t SimBoard::Status() {
    const std::uint8_t bus = DataBus();
    if (model_ == 4) {
        const bool high = (control_ & 4) != 0;
        const int n = high ? bus >> 4 : bus & 0x0F;
        const int s = ((n & 1) << 6) | ((((n >> 1) & 1) ^ 1) << 7) | (((n >> 2) & 1) << 5) |
                      (((n >> 3) & 1) << 4);
        return static_cast<std::uint8_t>(s | 0x0F);
    }
    const bool low = (control_ & 4) != 0;
    const int n = low ? bus & 0x0F : bus >> 4;
    return static_cast<std::uint8_t>((n << 3) | 0x87);
}

std::uint8_t SimBoard::PortIn(std::uint16_t port) {
    ++accesses_;
    nowNs_ += accessNs_;
    if (model_ == 0 || port != base_ + 1) return 0xFF;
    return Status();
}

void SimBoard::Sleep(int milliseconds) {
    if (milliseconds > 0) nowNs_ += static_cast<std::int64_t>(milliseconds) * 1'000'000;
}

void SimBoard::BusySteps(std::int64_t steps) {
    if (steps > 0) nowNs_ += steps * stepNs_;
}

void SimBoard::PulseSteps(std::int64_t steps, std::int64_t stepNs) {
    if (steps > 0) nowNs_ += steps * (stepNs > 0 ? stepNs : stepNs_);
}

std::string SimBoard::Describe() const {
    std::ostringstream out;
    if (model_ == 0) {
        out << "simulated port with no board attached";
    } else {
        out << "simulated QUORBIT-" << model_ << " board at " << std::hex << std::uppercase << base_
            << "h";
        out << (chip_ ? ", socket holds " + chip_->Name() : ", socket empty");
    }
    return out.str();
}

RomChip::RomChip(std::string name, std::vector<std::uint8_t> contents)
    : name_(std::move(name)), mem_(std::move(contents)) {}

std::optional<std::uint8_t> RomChip::Output(const Registers& regs) {
    if (!regs.CeActive() || !regs.OeActive() || mem_.empty()) return std::nullopt;
    const std::size_t address = (static_cast<std::size_t>(regs.r[3] & 0x0F) << 16) |
                                (static_cast<std::size_t>(regs.r[1]) << 8) | regs.r[2];
    return mem_[address % mem_.size()];
}

} // namespace quorbit::sim
