#pragma once
// A byte-wide memory in the board's 32-pin socket. Smaller parts sit bottom-aligned
// in it (a 28-pin part's pin n on socket pin n + 2, a 24-pin part's on n + 4), so the
// same board line reaches a different function on each package. A family's
// `Wiring` says which register bits reach its address pins, its supply pin and its
// control pins; the chip sees only what those pins see.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/ChipView.h"
#include "sim/SimChip.h"

namespace quorbit::sim {

/// One board line as a chip pin sees it: a register bit, or nothing.
struct Line {
    int reg = -1; // -1: the pin is not driven by any register bit
    int bit = 0;
    [[nodiscard]] bool Wired() const { return reg >= 0; }
    [[nodiscard]] bool High(const Registers& regs) const {
        return Wired() && ((regs.r[static_cast<std::size_t>(reg)] >> bit) & 1) != 0;
    }
};

struct Wiring {
    /// Register-1 bits that carry A8 and up, and register-3 bits that carry the
    /// address lines above those, each gathered lowest bit first.
    std::uint8_t reg1AddressBits = 0;
    std::uint8_t reg3AddressBits = 0;
    /// The part's VCC pin when the board switches it through a line (24- and 28-pin
    /// parts); unwired means the socket's own VCC pin (32-pin parts).
    Line supply;
    /// The OE pin doubles as VPP (register 0 bit 7 puts the programming voltage on it).
    bool oeIsVpp = false;
    /// A separate active-low write enable or PGM pin.
    Line writeEnable;
    /// The register-0 switch that puts the programming voltage on the part's VPP pin.
    Line vppSwitch;
};

/// Pin levels of the part at one moment.
struct ChipPins {
    std::uint32_t address = 0;
    bool powered = false;
    bool ce = false;      // chip enable active
    bool oe = false;      // output enable active
    bool we = false;      // write enable / PGM active
    bool vpp = false;     // programming voltage present
    int vppDecivolts = 0; // its level while present
    bool boardDrivesData = false;
    std::uint8_t boardData = 0xFF; // register 4, when the board drives the data pins
};

class ParallelChip : public SimChip {
  public:
    ParallelChip(std::string name, std::vector<std::uint8_t> contents, const Wiring& wiring);

    [[nodiscard]] std::string Name() const override { return name_; }
    std::vector<std::uint8_t>& Memory() override { return mem_; }
    /// The addressed byte while the part is powered and both CE and OE are active.
    std::optional<std::uint8_t> Output(const Registers& regs) override;
    void Latched(const Registers& regs, int reg, std::int64_t nowNs) override;

    [[nodiscard]] ChipPins Pins(const Registers& regs) const;
    /// The address the part's address pins see.
    [[nodiscard]] std::uint32_t AddressOf(const Registers& regs) const;
    /// A defective cell: bit `bit` of the byte at `address` always reads `level`.
    void StickBit(std::uint32_t address, int bit, bool level);
    /// A weak cell, slow to charge its floating gate: the byte at `address` needs
    /// `pulses` datasheet pulses' worth of programming time (a UV EPROM: `pulses`
    /// pulses of the datasheet's width) or takes from its `pulses`-th write cycle
    /// on (a page-write part).
    void MakeWeak(std::uint32_t address, int pulses);
    /// What the byte at `address` reads as, defects included: what the chip holds
    /// as far as anything reading it can tell.
    [[nodiscard]] std::uint8_t ReadsAs(std::uint32_t address) const { return Cell(address); }
    /// Records what the part sees from now on into `view` (nullptr: nothing recorded).
    void Watch(ChipView* view) { view_ = view; }
    [[nodiscard]] ChipView* Watching() const { return view_; }

  protected:
    /// The kind of the write cycle that ends now, asked before the part takes it.
    [[nodiscard]] virtual CycleKind KindOfWrite(std::uint32_t address, std::uint8_t data) const {
        (void)address, (void)data;
        return CycleKind::Write;
    }
    /// A part whose write-enable pin is no write strobe (an EPROM's PGM) records
    /// its program pulses as write cycles itself.
    [[nodiscard]] virtual bool WriteEnableStrobes() const { return true; }
    void NoteCycle(CycleKind kind, std::uint32_t address, std::uint8_t data) {
        if (view_ && !view_->violationsOnly) view_->cycles.push_back({kind, address, data});
    }
    void NotePulse(PulsePinName pin, std::uint32_t address, std::int64_t widthNs) {
        if (view_ && !view_->violationsOnly) view_->pulses.push_back({pin, address, widthNs});
    }
    void NoteViolation(std::int64_t nowNs, const std::string& what) {
        if (view_) view_->Violation(nowNs, Name() + ": " + what);
    }
    /// The pins changed (a register was latched). Programming models react here.
    virtual void PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs);
    /// The stored byte as the outputs show it, defects included.
    [[nodiscard]] std::uint8_t Cell(std::uint32_t address) const;
    /// The weak cell's `pulses` for `address` (1 for a sound cell).
    [[nodiscard]] int PulsesToTake(std::uint32_t address) const;

  private:
    struct StuckBit {
        std::uint32_t address;
        std::uint8_t mask;
        bool level;
    };

    std::string name_;
    std::vector<std::uint8_t> mem_;
    Wiring wiring_;
    // Gathered address bits per register value, so a read costs two table look-ups.
    std::array<std::uint32_t, 256> fromReg1_{};
    std::array<std::uint32_t, 256> fromReg3_{};
    std::vector<StuckBit> stuck_;
    std::vector<std::pair<std::uint32_t, int>> weak_;
    ChipPins last_{};

    /// The pins before and after a change, into the view: cycles, pulses, levels,
    /// waits and forbidden changes.
    void Observe(const ChipPins& before, const ChipPins& now, const Registers& regs,
                 std::int64_t nowNs, CycleKind writeKind);
    ChipView* view_ = nullptr;
    std::array<std::int64_t, 4> pulseStartNs_{};
    std::int64_t lastChangeNs_ = 0;
    bool driving_ = false;
};

} // namespace quorbit::sim
