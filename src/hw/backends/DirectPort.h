#pragma once
// The printer port by raw x86 port I/O (in/out instructions), granted to the
// process by ioperm. Needs root or CAP_SYS_RAWIO; only on x86 Linux.
#include <cstdint>
#include <string>

#include "hw/PortIo.h"
#include "hw/backends/RealTime.h"

namespace quorbit {

class DirectPort : public PortIo {
  public:
    /// Asks for the three registers of each LPT base (378h, 278h, 3BCh); throws
    /// PortError saying what is needed when that is refused.
    explicit DirectPort(std::int64_t stepNs = kDelayStepNanoseconds);
    ~DirectPort() override;

    /// Writes go to the data and control registers only: base+1 is the read-only
    /// status register, and a port outside the three bases was never granted.
    void PortOut(std::uint16_t port, std::uint8_t value) override;
    /// FFh, like an empty port, for an address outside the three bases.
    std::uint8_t PortIn(std::uint16_t port) override;
    void Sleep(int milliseconds) override;
    void BusySteps(std::int64_t steps) override;
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override;
    [[nodiscard]] std::int64_t OverranPulses() const override { return waits_.OverranPulses(); }
    [[nodiscard]] std::int64_t NowNs() const override { return waits_.NowNs(); }
    [[nodiscard]] bool RealTiming() const override { return true; }
    [[nodiscard]] std::string Describe() const override;

  private:
    RealTimeWaits waits_;
};

} // namespace quorbit
