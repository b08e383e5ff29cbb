#include "sim/TwoWireProbe.h"

#include <cstdio>

namespace quorbit::sim {

void TwoWireProbe::Sample(bool clockHigh, bool dataHigh) {
    if (clockHigh != clock_) {
        clock_ = clockHigh;
        // Receivers take the data bit on the rising clock edge.
        if (clockHigh && bits_ >= 0) {
            if (bits_ < 8) {
                shift_ = (shift_ << 1) | (data_ ? 1U : 0U);
                ++bits_;
            } else {
                events_.push_back({'B', static_cast<std::uint8_t>(shift_ & 0xFF), !data_});
                bits_ = 0;
                shift_ = 0;
            }
        }
    }
    if (dataHigh != data_) {
        data_ = dataHigh;
        // A data change while the clock is high is a start (falling) or a stop (rising).
        if (clock_) {
            events_.push_back({dataHigh ? 'P' : 'S', 0, false});
            bits_ = dataHigh ? -1 : 0;
            shift_ = 0;
        }
    }
}

std::string TwoWireProbe::Text() const {
    std::string text;
    for (const Event& e : events_) {
        if (!text.empty()) text += ' ';
        if (e.kind != 'B') {
            text += e.kind;
            continue;
        }
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X", e.value);
        text += byte;
        text += e.acked ? 'a' : 'n';
    }
    return text;
}

void EmptySocketProbe::Latched(const Registers& regs, int reg, std::int64_t nowNs) {
    (void)reg, (void)nowNs;
    probe_.Sample(BusClockHigh(regs), BoardDataHigh(regs));
}

} // namespace quorbit::sim
