#pragma once
// Counts what passes through to another backend: port accesses, timed waits and
// counted delay steps, for an estimate of how long an operation takes on a real
// printer port.
#include <cstdint>
#include <memory>
#include <string>

#include "hw/PortIo.h"

namespace quorbit {

struct AccessCounts {
    std::int64_t accesses = 0; // port writes and reads
    std::int64_t sleepMs = 0;  // sum of the timed waits
    std::int64_t steps = 0;    // sum of the counted delay steps of the port's step length
    /// The counted steps of a length of their own (programming pulses), and the
    /// time they add up to.
    std::int64_t pulseSteps = 0;
    std::int64_t pulseNs = 0;

    /// On a real port: `accessNs` per access, the sleeps, `stepNs` per step and
    /// the pulses' own time.
    [[nodiscard]] double EstimatedSeconds(std::int64_t stepNs, std::int64_t accessNs = 1000) const;
};

class CountingPort : public PortIo {
  public:
    explicit CountingPort(std::unique_ptr<PortIo> inner) : inner_(std::move(inner)) {}

    void PortOut(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void Sleep(int milliseconds) override;
    void BusySteps(std::int64_t steps) override;
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override;
    [[nodiscard]] std::int64_t OverranPulses() const override { return inner_->OverranPulses(); }
    [[nodiscard]] std::int64_t NowNs() const override { return inner_->NowNs(); }
    [[nodiscard]] bool RealTiming() const override { return inner_->RealTiming(); }
    [[nodiscard]] bool ClockIsTheBoards() const override { return inner_->ClockIsTheBoards(); }
    [[nodiscard]] std::string Describe() const override { return inner_->Describe(); }

    [[nodiscard]] const AccessCounts& Counts() const { return counts_; }
    [[nodiscard]] PortIo& Inner() const { return *inner_; }

  private:
    std::unique_ptr<PortIo> inner_;
    AccessCounts counts_;
};

/// The estimate as printed: "Port accesses: ...", "Timed waits: ...", "Counted
/// steps: ...", "Pulse steps: ..." (when there were any) and "Estimated time on a
/// real port: ..." lines.
std::string EstimateText(const AccessCounts& counts, std::int64_t stepNs);

} // namespace quorbit
