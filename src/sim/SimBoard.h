#pragma once
// A QUORBIT board of model 4, 5 or 6 at one base port, living in the program's
// own process, with a socket that holds a simulated chip. Waits advance a
// virtual clock instead of blocking.
#include <cstdint>
#include <memory>
#include <random>

#include "hw/PortIo.h"
#include "sim/SimChip.h"

namespace quorbit::sim {

/// Virtual time of one port access (an ISA printer port takes about a microsecond).
inline constexpr std::int64_t kPortAccessNs = 1000;

class SimBoard : public PortIo {
  public:
    /// model 0 = nothing attached to the port (every read floats high).
    SimBoard(int model, std::uint16_t basePort);

    void PortOut(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void Sleep(int milliseconds) override;
    void BusySteps(std::int64_t steps) override;
    /// A programming pulse: its steps at their own length on the virtual clock.
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override;
    [[nodiscard]] std::string Describe() const override;

    void Insert(std::unique_ptr<SimChip> chip) { chip_ = std::move(chip); }
    std::unique_ptr<SimChip> Remove() { return std::move(chip_); }
    [[nodiscard]] SimChip* Chip() const { return chip_.get(); }

    [[nodiscard]] int Model() const { return model_; }
    [[nodiscard]] std::uint16_t BasePort() const { return base_; }
    [[nodiscard]] const Registers& Regs() const { return regs_; }
    /// The virtual clock: port accesses, sleeps and counted steps at their lengths.
    [[nodiscard]] std::int64_t NowNs() const override { return nowNs_; }
    [[nodiscard]] bool ClockIsTheBoards() const override { return true; }
    /// The real length of one counted step the virtual clock advances by.
    void SetStepNs(std::int64_t nanoseconds) { stepNs_ = nanoseconds; }
    /// How long one port access takes (kPortAccessNs unless set): a slow port
    /// stretches every latch sequence, byte loads included.
    void SetPortAccessNs(std::int64_t nanoseconds) { accessNs_ = nanoseconds; }
    [[nodiscard]] std::int64_t PortAccessNs() const { return accessNs_; }
    [[nodiscard]] std::uint64_t Accesses() const { return accesses_; }
    /// The byte on the data bus as the read-back multiplexer sees it.
    std::uint8_t DataBus();
    /// A marginal read-back path: about one in `oneIn` bytes the chip drives reads
    /// with one bit inverted, repeatably from `seed` (0 turns it off).
    void FlipReadsNowAndThen(std::uint32_t seed, std::uint32_t oneIn);
    [[nodiscard]] std::uint64_t FlippedReads() const { return flippedReads_; }

  private:
    int EnabledRegister() const;
    void Latch();
    std::uint8_t Status();
    std::uint8_t MaybeFlipped(std::uint8_t driven);

    int model_;
    std::uint16_t base_;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;
    Registers regs_{};
    std::unique_ptr<SimChip> chip_;
    std::int64_t nowNs_ = 0;
    std::int64_t stepNs_ = kDelayStepNanoseconds;
    std::int64_t accessNs_ = kPortAccessNs;
    std::uint64_t accesses_ = 0;
    std::uint32_t flipOneIn_ = 0;
    std::mt19937 flipRandom_;
    std::uint64_t flippedReads_ = 0;
};

} // namespace quorbit::sim
