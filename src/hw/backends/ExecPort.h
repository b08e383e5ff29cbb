#pragma once
// The port reached through another program: each access is a line on the
// child's standard input, each read answered by a line on its standard output.
//
//   O 378 9F   write 9Fh to port 378h
//   I 379      read port 379h; the child answers one line, e.g. "78"
//   S 200      timed wait of 200 ms, for the child to carry out or skip
//
// Ports and bytes are upper-case hex without prefix (bytes two digits). Writes
// and waits are collected and sent in one go before each read and at the end.
//   D 202      a counted delay of 202 steps of the --step-ns length, sent only
//              when asked (--exec-delays): children written for the plain
//              protocol never see it.
//   D 202 431  the same for steps of a length of their own, 431 ns each: a
//              programming pulse, whose steps are not the pacing's.
#include <chrono>
#include <cstdint>
#include <string>

#include "hw/PortIo.h"
#include "hw/backends/ChildProcess.h"

namespace quorbit {

struct ExecLimits {
    /// How long the child may take to answer a read (or to take its input).
    std::chrono::milliseconds answer{5000};
    /// How long the child may take to end after its input is closed.
    std::chrono::milliseconds exitGrace{3000};
    /// Send counted delays as "D <steps>" lines.
    bool sendDelays = false;
};

class ExecPort : public PortIo {
  public:
    /// Starts /bin/sh -c command; throws PortError when it cannot be started.
    explicit ExecPort(const std::string& command, ExecLimits limits = {});
    ~ExecPort() override;

    void PortOut(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void Sleep(int milliseconds) override;
    void BusySteps(std::int64_t steps) override;
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override;
    [[nodiscard]] std::string Describe() const override;

    [[nodiscard]] std::int64_t CountedSteps() const { return countedSteps_; }
    [[nodiscard]] pid_t ChildPid() const { return child_.Pid(); }

  private:
    void Flush();
    std::uint8_t ReadAnswer(const std::string& request);
    /// How the child ended when it is already gone; empty while it runs.
    std::string EndedMeanwhile();
    void Delay(std::int64_t steps, std::int64_t stepNs);
    void ThrowIfBroken() const;
    void ThrowIfWritesLost() const;
    /// The child broke the protocol but lives: no read is trusted any more, the
    /// writes (the reset after the failure) still go to it.
    [[noreturn]] void Fail(const std::string& what);
    /// The child is gone or takes no input: nothing reaches it any more.
    [[noreturn]] void FailForGood(const std::string& what);
    std::string HowChildEnded();

    std::string command_;
    ExecLimits limits_;
    ChildProcess child_;
    std::string unsent_;
    std::string broken_; // the first failure; no read is made after it
    bool writesLost_ = false;
    std::int64_t countedSteps_ = 0;
};

} // namespace quorbit
