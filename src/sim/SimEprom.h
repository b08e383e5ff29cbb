#pragma once
// A UV EPROM that can be programmed: the modes of its datasheet's mode table,
// driven by the pins the board's registers reach.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "sim/ParallelChip.h"

namespace quorbit::sim {

/// Which pin's active-low level is the programming pulse.
enum class PulsePin { ChipEnable, Pgm };

/// What a family's datasheet says about programming it.
struct EpromModel {
    Wiring wiring;
    PulsePin pulse = PulsePin::ChipEnable;
    /// Program verify reads with CE high and OE low while VPP is applied (the
    /// CE-programmed parts with a separate VPP pin: 27C256, 27C040).
    bool verifiesWithCeHigh = false;
    /// The program pulse width the datasheet asks for, and its window.
    std::int64_t pulseNs = 100'000;
    std::int64_t shortestPulseNs = 95'000, longestPulseNs = 105'000;
};

/// One programming pulse the chip saw: the time all program conditions held.
struct ProgramPulse {
    std::uint32_t address = 0;
    std::uint8_t data = 0xFF;
    std::int64_t widthNs = 0;
    int vppDecivolts = 0;
    int number = 0;          // pulses this cell has had, this one included
    std::int64_t cellNs = 0; // the cell's pulse time so far, this one included
    bool took = false;       // the cell has had its programming time
};

EpromModel EpromModelOf(char subtype);

class SimEprom : public ParallelChip {
  public:
    SimEprom(std::string name, std::vector<std::uint8_t> contents, const EpromModel& model);

    std::optional<std::uint8_t> Output(const Registers& regs) override;

    [[nodiscard]] const EpromModel& Model() const { return model_; }
    /// Programming time the cell at `address` needs before it reads back what it
    /// was pulsed with: a share of one datasheet pulse drawn for its address, plus
    /// whole pulses for a weak cell.
    [[nodiscard]] std::int64_t ProgrammingNsNeeded(std::uint32_t address) const;
    /// Programming pulses the cell at `address` has had.
    [[nodiscard]] int PulsesAt(std::uint32_t address) const;
    [[nodiscard]] std::int64_t TotalPulses() const { return totalPulses_; }
    /// Every VPP level a pulse was given at, in tenths of a volt.
    [[nodiscard]] const std::set<int>& VppLevelsUsed() const { return vppLevels_; }
    /// Called after every pulse (tests watch widths and counts through it).
    std::function<void(const ProgramPulse&)> onPulse;

  protected:
    void PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) override;
    /// PGM is the program pulse, not a write strobe: the pulses are the writes.
    [[nodiscard]] bool WriteEnableStrobes() const override { return false; }

  private:
    /// Everything the datasheet's program mode asks for, the pulse pin included.
    [[nodiscard]] bool Programming(const ChipPins& p) const;
    void EndPulse(std::int64_t nowNs);

    EpromModel model_;
    bool inPulse_ = false;
    ChipPins pulsePins_{};
    std::int64_t pulseStartNs_ = 0;
    std::vector<std::uint16_t> pulses_;
    /// Pulse time each cell has had (made at the first pulse).
    std::vector<std::int64_t> programmedNs_;
    std::int64_t totalPulses_ = 0;
    std::set<int> vppLevels_;
};

} // namespace quorbit::sim
