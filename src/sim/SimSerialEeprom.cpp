// The 24Cxx two-wire serial EEPROMs, from the Atmel AT24C08A/AT24C16A/AT24C32/
// AT24C64/AT24C128/AT24C256 and Microchip 24LC08B/24LC16B/24LC32A datasheets:
//
// - Pins: SCL on the board's chip-enable line (register 3 bit 7), SDA on D7. A0-A2
//   and WP are tied to ground in the socket, so the chip's own address is 000 and
//   writes are never protected.
// - Bus: data may change only while SCL is low; SDA falling while SCL is high is a
//   start condition, rising a stop condition. The chip takes a bit on the rising
//   SCL edge and puts its own bit on SDA after the falling edge. SDA is open drain:
//   the chip can only pull it low.
// - Every byte is 8 bits, most significant first, then a ninth clock in which the
//   receiver pulls SDA low to acknowledge. A chip that is not addressed stays off
//   the bus until the next start condition.
// - Control byte 1010 xyz R/W. 24C08: x = A2 pin, yz = block (A9 A8); 24C16: xyz =
//   block (A10-A8); 24C32 to 24C256: xyz = A2-A0 pins, followed by two word
//   address bytes (the high bits beyond the chip's size do not care). 24C08/16 take
//   one word address byte.
// - Write: the address bytes, then up to a page of data (16 bytes for the 24C08/16,
//   32 for the 24C32/64, 64 for the 24C128/256); the low address bits roll over inside the
//   page, so more bytes overwrite its start. The stop condition starts the internal
//   write cycle (tWR, 5 ms at most); during it the inputs are disabled and the chip
//   acknowledges nothing, which is what acknowledge polling waits on. A start
//   condition before the stop, or a stop before any complete data byte, writes
//   nothing (a dummy write only loads the address counter).
// - Read: control byte with R/W = 1 reads from the address counter; after each byte
//   the counter advances and rolls over from the last byte of the chip to 0. A
//   master acknowledge asks for the next byte; without one the chip lets go of SDA
//   and waits for the stop condition.
//
// The board's register-4 latch and the chip both reach D7. When the latch drives
// the line high while the chip pulls it low the simulator resolves it as low, the
// chip's pull-down winning as on an open-drain bus with a series-resistor driver
// (a wired AND); such moments are counted in Contentions().
#include "sim/SimSerialEeprom.h"

#include <algorithm>
#include <cctype>

namespace quorbit::sim {
namespace {

constexpr std::int64_t kWriteCycleNs = 5'000'000;

} // namespace

std::optional<SerialEepromPart> SerialEepromPartNamed(const std::string& name) {
    const auto at = name.find("24C");
    if (at == std::string::npos) return std::nullopt;
    std::size_t end = at + 3;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end])))
        ++end;
    const std::string number = name.substr(at + 3, end - at - 3);
    if (number == "08") return SerialEepromPart{1024, 16, 1, 2, kWriteCycleNs};
    if (number == "16") return SerialEepromPart{2048, 16, 1, 3, kWriteCycleNs};
    if (number == "32") return SerialEepromPart{4096, 32, 2, 0, kWriteCycleNs};
    if (number == "64") return SerialEepromPart{8192, 32, 2, 0, kWriteCycleNs};
    if (number == "128") return SerialEepromPart{16384, 64, 2, 0, kWriteCycleNs};
    if (number == "256") return SerialEepromPart{32768, 64, 2, 0, kWriteCycleNs};
    return std::nullopt;
}

SerialEeprom::SerialEeprom(std::string name, const SerialEepromPart& part,
                           std::vector<std::uint8_t> contents)
    : name_(std::move(name)), part_(part), mem_(std::move(contents)) {
    mem_.resize(part_.bytes, 0xFF);
}

std::optional<std::uint8_t> SerialEeprom::Output(const Registers& regs) {
    (void)regs;
    if (!pullLow_) return std::nullopt;
    return std::uint8_t{0x7F};
}

void SerialEeprom::Latched(const Registers& regs, int reg, std::int64_t nowNs) {
    (void)reg;
    const bool clockBefore = clock_;
    const bool dataBefore = boardHigh_ && !pullLow_;
    if (state_ == State::WriteCycle && nowNs >= writeDoneNs_) FinishWriteCycle();
    const bool listening = state_ != State::WriteCycle;

    // The clock first, then the data line (as the probe sees it).
    const bool clock = BusClockHigh(regs);
    if (clock != clock_) {
        clock_ = clock;
        if (listening) {
            if (clock)
                ClockRose(boardHigh_ && !pullLow_);
            else
                ClockFell();
        }
    }
    const bool before = boardHigh_ && !pullLow_;
    boardHigh_ = BoardDataHigh(regs);
    const bool after = boardHigh_ && !pullLow_;
    if (listening && clock_ && before != after) {
        if (after)
            StopCondition(nowNs);
        else
            StartCondition();
    }

    const bool contending = regs.BoardDrivesData() && (regs.r[4] & 0x80) != 0 && pullLow_;
    if (contending && !contending_) ++contentions_;
    contending_ = contending;
    probe_.Sample(clock_, boardHigh_ && !pullLow_);
    if (view_) CheckBusTimes(clockBefore, dataBefore, nowNs);
}

// Standard mode (100 kHz), the times every part here meets at any supply: SCL
// high 4.0 us, low 4.7 us; a start set up 4.7 us after SCL rises and held 4.0 us
// before it falls; a stop set up 4.7 us after SCL rises; the bus free 4.7 us
// between a stop and the next start.
void SerialEeprom::CheckBusTimes(bool clockBefore, bool dataBefore, std::int64_t nowNs) {
    const bool data = boardHigh_ && !pullLow_;
    auto shortOf = [&](std::int64_t sinceNs, std::int64_t leastNs, const char* what) {
        if (nowNs - sinceNs >= leastNs) return;
        view_->Violation(nowNs,
                         name_ + ": " + what + " " + std::to_string(nowNs - sinceNs) + " ns");
    };
    if (clockBefore && !clock_) {
        shortOf(clockEdgeNs_, 4'000, "SCL high for");
        shortOf(conditionNs_, 4'000, "start held for");
    }
    if (!clockBefore && clock_) shortOf(clockEdgeNs_, 4'700, "SCL low for");
    if (clockBefore && clock_ && data != dataBefore) {
        shortOf(clockEdgeNs_, 4'700, data ? "stop set up for" : "start set up for");
        if (!data) shortOf(conditionNs_, 4'700, "bus free for");
        conditionNs_ = nowNs;
    }
    if (clockBefore != clock_) clockEdgeNs_ = nowNs;
}

void SerialEeprom::ClockRose(bool data) {
    if (state_ == State::Standby) return;
    if (inAck_) {
        if (!chipAcks_) masterAcked_ = !data;
        return;
    }
    if (state_ != State::Sending) shift_ = (shift_ << 1) | (data ? 1U : 0U);
    ++bits_;
}

void SerialEeprom::ClockFell() {
    if (state_ == State::Standby) return;
    if (inAck_) { // the ninth clock is over
        inAck_ = false;
        pullLow_ = false;
        bits_ = 0;
        shift_ = 0;
        if (state_ != State::Sending) return;
        if (!chipAcks_ && !masterAcked_) { // no acknowledge: the read is over
            state_ = State::Standby;
            return;
        }
        outByte_ = mem_[counter_];
        PutBitOnLine();
        return;
    }
    if (bits_ < 8) {
        if (state_ == State::Sending) PutBitOnLine();
        return;
    }
    inAck_ = true;
    if (state_ == State::Sending) { // let go for the master's acknowledge
        chipAcks_ = false;
        pullLow_ = false;
        counter_ = Wrap(counter_ + 1);
        return;
    }
    chipAcks_ = ByteReceived(static_cast<std::uint8_t>(shift_ & 0xFF));
    pullLow_ = chipAcks_;
}

void SerialEeprom::PutBitOnLine() {
    pullLow_ = ((outByte_ >> (7 - bits_)) & 1) == 0;
}

void SerialEeprom::StartCondition() {
    page_.clear(); // a write not closed by a stop is dropped
    state_ = State::Control;
    bits_ = 0;
    shift_ = 0;
    inAck_ = false;
    pullLow_ = false;
}

void SerialEeprom::StopCondition(std::int64_t nowNs) {
    const bool write = state_ == State::Writing && !page_.empty();
    bits_ = 0;
    inAck_ = false;
    pullLow_ = false;
    if (!write) {
        state_ = State::Standby;
        return;
    }
    state_ = State::WriteCycle;
    writeDoneNs_ =
        stayBusy_ ? std::numeric_limits<std::int64_t>::max() : nowNs + part_.writeCycleNs;
}

bool SerialEeprom::ByteReceived(std::uint8_t byte) {
    switch (state_) {
    case State::Control:
        return ControlByte(byte);
    case State::AddressHigh:
        highAddress_ = byte;
        state_ = State::AddressLow;
        return true;
    case State::AddressLow:
        counter_ = Wrap((highAddress_ << 8) | byte);
        page_.clear();
        state_ = State::Writing;
        return true;
    case State::Writing: {
        page_[counter_] = byte;
        const std::uint32_t mask = part_.pageBytes - 1;
        counter_ = (counter_ & ~mask) | ((counter_ + 1) & mask);
        return true;
    }
    default:
        return false;
    }
}

bool SerialEeprom::ControlByte(std::uint8_t byte) {
    const unsigned select = (byte >> 1) & 7U;
    const unsigned blockMask = (1U << part_.blockBits) - 1;
    // Device code 1010, and the address pins (all grounded) where there are some.
    if ((byte >> 4) != 0xA || (select & ~blockMask) != 0) {
        state_ = State::Standby;
        return false;
    }
    if (byte & 1) {
        state_ = State::Sending;
        return true;
    }
    highAddress_ = select & blockMask;
    state_ = part_.addressBytes == 2 ? State::AddressHigh : State::AddressLow;
    return true;
}

void SerialEeprom::FinishWriteCycle() {
    for (const auto& [address, value] : page_) {
        if (std::find(neverTakes_.begin(), neverTakes_.end(), address) != neverTakes_.end())
            continue;
        mem_[address] = value;
    }
    page_.clear();
    state_ = State::Standby;
}

std::unique_ptr<SerialEeprom> MakeSimSerialEeprom(const std::string& name,
                                                  std::vector<std::uint8_t> contents) {
    const auto part = SerialEepromPartNamed(name);
    if (!part) return nullptr;
    return std::make_unique<SerialEeprom>(name, *part, std::move(contents));
}

} // namespace quorbit::sim
