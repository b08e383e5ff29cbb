#pragma once
// A chip in the simulated board's socket. It sees the board's five registers (the
// levels on its pins follow from them through the board's wiring for its family)
// and may drive the data pins.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorbit::sim {

struct Registers {
    std::array<std::uint8_t, 5> r{};
    /// The programming supply the board's VPP switches would put on a pin, in
    /// tenths of a volt (the board's voltage selection, not whether it is switched on).
    int vppDecivolts = 125;
    [[nodiscard]] bool CeActive() const { return (r[3] & 0x80) == 0; }
    [[nodiscard]] bool OeActive() const { return (r[0] & 0x40) == 0; }
    /// Register 3 bit 6 clear: register 4 drives the chip's data pins.
    [[nodiscard]] bool BoardDrivesData() const { return (r[3] & 0x40) == 0; }
};

class SimChip {
  public:
    virtual ~SimChip() = default;
    [[nodiscard]] virtual std::string Name() const = 0;
    /// The byte on the data pins when the chip's outputs are on, else nothing. An
    /// open-drain chip gives the lines it pulls low as 0 bits, the rest as 1.
    virtual std::optional<std::uint8_t> Output(const Registers& regs) = 0;
    /// Open-drain outputs (the two-wire bus) can only pull a line low, so they act
    /// on the bus even while register 4 drives it; push-pull outputs cannot.
    [[nodiscard]] virtual bool OpenDrain() const { return false; }
    /// A register changed; nowNs is the board's virtual time.
    virtual void Latched(const Registers& regs, int reg, std::int64_t nowNs) {
        (void)regs, (void)reg, (void)nowNs;
    }
    /// The whole array, for loading an image and saving it at exit.
    virtual std::vector<std::uint8_t>& Memory() = 0;
};

/// A plain read-only memory: A0-A7 from register 2, A8-A15 from register 1,
/// A16 and up from register 3 bits 0-3, outputs on while CE and OE are active.
class RomChip : public SimChip {
  public:
    RomChip(std::string name, std::vector<std::uint8_t> contents);
    [[nodiscard]] std::string Name() const override { return name_; }
    std::optional<std::uint8_t> Output(const Registers& regs) override;
    std::vector<std::uint8_t>& Memory() override { return mem_; }

  private:
    std::string name_;
    std::vector<std::uint8_t> mem_;
};

} // namespace quorbit::sim
