#pragma once
// The only way the program reaches the printer port: byte writes, byte reads and
// the two kinds of wait the board protocol is paced by.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quorbit {

/// A backend could not carry out a port access (device gone, child process died,
/// garbage on the line). It ends the running operation; the program goes on.
class PortError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Default length of one counted delay step on a real port (--step-ns sets it):
/// the pause after each port write and the short fixed delays. At 25 ns a
/// page-write chip's byte loads stay inside its byte-load window. The programming
/// pulses (WaitProgramPulse, WaitPulseExtension) count their steps at a length of their own,
/// chosen per chip so that the default speed gives the datasheet's pulse.
inline constexpr std::int64_t kDelayStepNanoseconds = 25;

class PortIo {
  public:
    virtual ~PortIo() = default;
    PortIo() = default;
    PortIo(const PortIo&) = delete;
    PortIo& operator=(const PortIo&) = delete;

    /// The byte is on the register when the call returns (or queued in order
    /// before the next read, for backends that batch).
    virtual void PortOut(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t PortIn(std::uint16_t port) = 0;
    /// Timed wait in milliseconds (programming pulses, settling).
    virtual void Sleep(int milliseconds) = 0;
    /// Counted busy-wait steps at the port's step length (the pacing between latch
    /// writes, the short fixed delays).
    virtual void BusySteps(std::int64_t steps) = 0;
    /// Counted steps that form a programming pulse, each `stepNs` long (0: the
    /// port's own step length); a real port also counts the pulses that overran.
    /// A port that keeps no time of its own takes them as plain steps.
    virtual void PulseSteps(std::int64_t steps, std::int64_t stepNs) {
        (void)stepNs;
        BusySteps(steps);
    }
    /// The port's clock in nanoseconds, for waits bounded by a chip's own times:
    /// monotonic wall time on a real port, the virtual clock of the simulator.
    [[nodiscard]] virtual std::int64_t NowNs() const;
    /// Programming pulses that took more than twice their length (real ports).
    [[nodiscard]] virtual std::int64_t OverranPulses() const { return 0; }
    /// True when the waits are made on the wall clock for real hardware.
    [[nodiscard]] virtual bool RealTiming() const { return false; }
    /// True when NowNs is the board's own time (real hardware, an in-process
    /// simulated board); an exec child keeps a clock of its own that NowNs is not.
    [[nodiscard]] virtual bool ClockIsTheBoards() const { return RealTiming(); }
    /// One line for the operator: what the program is talking to.
    [[nodiscard]] virtual std::string Describe() const = 0;
};

} // namespace quorbit
