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

/// Default length of one counted delay step on a real port (--step-ns sets it).
/// The counted loops (PortDelay, WaitSettlingTime, MediumDelay, LongDelay) are
/// expressed in steps with fixed ratios; at 25 ns the 2764's pulse is its 1 ms at
/// the default speed, and a page-write chip's byte loads stay inside its window.
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
    /// Counted busy-wait steps (the pacing between latch writes).
    virtual void BusySteps(std::int64_t steps) = 0;
    /// Counted steps that form a programming pulse; a real port also counts the
    /// pulses that overran.
    virtual void PulseSteps(std::int64_t steps) { BusySteps(steps); }
    /// Programming pulses that took more than twice their length (real ports).
    [[nodiscard]] virtual std::int64_t OverranPulses() const { return 0; }
    /// True when the waits are made on the wall clock for real hardware.
    [[nodiscard]] virtual bool RealTiming() const { return false; }
    /// One line for the operator: what the program is talking to.
    [[nodiscard]] virtual std::string Describe() const = 0;
};

} // namespace quorbit
