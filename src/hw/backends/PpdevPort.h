#pragma once
// The printer port through the Linux ppdev driver (/dev/parportN): the process
// claims the port and reads and writes its registers with ioctls, no root needed
// (membership of group lp is).
#include <cstdint>
#include <string>
#include <vector>

#include "hw/PortIo.h"
#include "hw/backends/RealTime.h"

namespace quorbit {

/// Which parport device answers for which LPT base address.
struct PpdevMapping {
    std::uint16_t base;
    std::string device;
};

inline constexpr const char* kParportProcFolder = "/proc/sys/dev/parport";

/// The kernel's parallel ports and their bases, from FOLDER/parportN/base-addr
/// ("888\t1912": the base in decimal first); each on /dev/parportN.
std::vector<PpdevMapping> ParportBases(const std::string& folder);

class PpdevPort : public PortIo {
  public:
    /// Opens and claims every device. A base whose device cannot be had acts as an
    /// empty port (writes dropped, reads FFh); unless the device simply does not
    /// exist, Warnings() says why. Throws PortError when no device can be had.
    explicit PpdevPort(const std::vector<PpdevMapping>& mappings,
                       std::int64_t stepNs = kDelayStepNanoseconds);
    ~PpdevPort() override;

    void PortOut(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void Sleep(int milliseconds) override;
    void BusySteps(std::int64_t steps) override;
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override;
    [[nodiscard]] std::int64_t OverranPulses() const override { return waits_.OverranPulses(); }
    [[nodiscard]] std::int64_t NowNs() const override { return waits_.NowNs(); }
    [[nodiscard]] bool RealTiming() const override { return true; }
    [[nodiscard]] std::string Describe() const override;

    [[nodiscard]] const std::vector<std::string>& Warnings() const { return warnings_; }

  private:
    RealTimeWaits waits_;
    struct Channel {
        std::uint16_t base;
        std::string device;
        int fd;
    };
    /// The open channel serving the port, with the register offset; null if none.
    Channel* Find(std::uint16_t port, int& offset);
    void Control(const Channel& channel, unsigned long request, unsigned char* value,
                 const char* action);

    std::vector<Channel> channels_;
    std::vector<std::string> warnings_;
};

} // namespace quorbit
