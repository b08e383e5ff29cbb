#pragma once
// What a chip in the simulated socket sees of a run, recorded at its pins: the
// bus cycles it takes part in, every active period of its control pins and of
// the programming voltage, the voltage levels, the quiet times between, and each
// moment a pin changed when the part's datasheet forbids it.
#include <cstdint>
#include <string>
#include <vector>

namespace quorbit::sim {

enum class CycleKind { Read, Write, Command };

struct BusCycle {
    CycleKind kind = CycleKind::Read;
    std::uint32_t address = 0;
    std::uint8_t data = 0xFF;
    friend bool operator==(const BusCycle&, const BusCycle&) = default;
};

/// Pins whose active periods are recorded; Program is an EPROM's program
/// condition (its pins as its datasheet's program mode asks) as the chip counts it.
enum class PulsePinName { Ce, Oe, We, Vpp, Program };

struct PinPulse {
    PulsePinName pin = PulsePinName::Ce;
    std::uint32_t address = 0; // where the pins pointed when the pulse began
    std::int64_t widthNs = 0;
};

struct ChipView {
    std::vector<BusCycle> cycles;
    std::vector<PinPulse> pulses;
    /// The programming-voltage level (tenths of a volt) each time VPP came on.
    std::vector<int> vppLevels;
    /// Times no pin moved for longer than kQuietNs: the timed waits of the run.
    std::vector<std::int64_t> waitsNs;
    /// A line for each forbidden pin change, with the time it happened.
    std::vector<std::string> violations;

    /// Set: only the violations are kept (long runs that check nothing else).
    bool violationsOnly = false;

    /// Below this a stretch without pin changes is the pace of the latches, not a wait.
    static constexpr std::int64_t kQuietNs = 20'000;

    void Clear() {
        const bool only = violationsOnly;
        *this = ChipView{};
        violationsOnly = only;
    }
    void Violation(std::int64_t nowNs, const std::string& what) {
        violations.push_back("at " + std::to_string(nowNs) + " ns: " + what);
    }
};

} // namespace quorbit::sim
