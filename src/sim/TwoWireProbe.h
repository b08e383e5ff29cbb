#pragma once
// The two-wire bus of the 8-pin serial EEPROMs as the board wires it, and a
// logic-analyser view of it. The clock is the chip-enable line (register 3 bit 7:
// high while CE is inactive); the data line is D7, driven from register 4 bit 7
// while register 3 bit 6 is clear and released to its pull-up otherwise.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimChip.h"

namespace quorbit::sim {

[[nodiscard]] inline bool BusClockHigh(const Registers& regs) {
    return (regs.r[3] & 0x80) != 0;
}
/// The level the board puts on the data line: high when it drives a 1 or lets go.
[[nodiscard]] inline bool BoardDataHigh(const Registers& regs) {
    return !regs.BoardDrivesData() || (regs.r[4] & 0x80) != 0;
}

/// Decodes the bus lines into start and stop conditions and 9-bit frames (a byte
/// and the acknowledge bit, whoever drove them). It never drives a line.
class TwoWireProbe {
  public:
    struct Event {
        char kind; // 'S' start, 'P' stop, 'B' byte
        std::uint8_t value;
        bool acked; // the ninth bit was low
        bool operator==(const Event&) const = default;
    };

    /// The line levels after a register latch. When one latch moves both lines the
    /// clock, which the board drives hard, is taken to switch first; a data line let
    /// go rises later through its pull-up.
    void Sample(bool clockHigh, bool dataHigh);
    [[nodiscard]] const std::vector<Event>& Events() const { return events_; }
    void Clear() { events_.clear(); }
    /// "S A0a 00a S A1a 5An P": bytes in hex, a = acknowledged, n = not.
    [[nodiscard]] std::string Text() const;

  private:
    bool clock_ = false;
    bool data_ = true;
    int bits_ = -1; // bits of the current frame; -1 until a start condition
    unsigned shift_ = 0;
    std::vector<Event> events_;
};

/// An empty socket with an analyser clipped to the bus lines: nothing answers.
class EmptySocketProbe : public SimChip {
  public:
    [[nodiscard]] std::string Name() const override { return "empty socket"; }
    std::optional<std::uint8_t> Output(const Registers&) override { return std::nullopt; }
    void Latched(const Registers& regs, int reg, std::int64_t nowNs) override;
    std::vector<std::uint8_t>& Memory() override { return none_; }
    [[nodiscard]] const TwoWireProbe& Probe() const { return probe_; }

  private:
    TwoWireProbe probe_;
    std::vector<std::uint8_t> none_;
};

} // namespace quorbit::sim
