#pragma once
// Records every access that passes through to another backend, one line each,
// in the exec protocol's form: "O 378 9F", "I 379 78" (with the byte read),
// "S 200", "D 202" (a counted delay of 202 steps of the --step-ns length: the
// pacing), "D 202 431" (202 steps of 431 ns: a programming pulse, whose steps have
// a length of their own); a read the backend could not carry out is "I 379"
// without a value.
#include <cstdio>
#include <memory>
#include <string>

#include "hw/PortIo.h"
#include "hw/SafeFile.h"

namespace quorbit {

class TracePort : public PortIo {
  public:
    /// Opens the trace (OutputFile: a file on disk is written beside its name and
    /// put in place by Finish, so that a trace that cannot be written whole leaves
    /// the old file; a pipe or device is written as the accesses happen); throws
    /// PortError naming path and reason.
    TracePort(std::unique_ptr<PortIo> inner, const std::string& path);
    ~TracePort() override;

    void PortOut(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void Sleep(int milliseconds) override;
    void BusySteps(std::int64_t steps) override;
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override;
    [[nodiscard]] std::int64_t OverranPulses() const override { return inner_->OverranPulses(); }
    [[nodiscard]] std::int64_t NowNs() const override { return inner_->NowNs(); }
    [[nodiscard]] bool RealTiming() const override { return inner_->RealTiming(); }
    [[nodiscard]] bool ClockIsTheBoards() const override { return inner_->ClockIsTheBoards(); }
    [[nodiscard]] std::string Describe() const override;

    [[nodiscard]] PortIo& Inner() const { return *inner_; }

    /// Ends the trace: the last records written and the file put in place. Later
    /// accesses still reach the board but are not recorded. Returns why the trace
    /// is not whole when that has not been said yet (a failure that ended an
    /// operation was said with it), else "".
    std::string Finish();
    /// Ends the trace with nothing put in place: the file there before stays.
    void Abandon();
    /// Why the trace is not whole: a write failed, or the operator's stop ended a
    /// wait for the trace's reader; "" while it is.
    [[nodiscard]] const std::string& Lost() const { return lost_; }
    /// The trace was cut short by the operator's stop, not by a failing write.
    [[nodiscard]] bool LostToStop() const { return lostToStop_; }

  private:
    void Record();
    void RecordDelay(std::int64_t steps, std::int64_t stepNs = 0);
    /// Writes the records not yet written. A failure is said once by a PortError
    /// (when `quietly` is not set); a stop ends the trace without one, and the
    /// board takes the stop up at its next access.
    void WritePending(bool quietly);
    /// After a failed access: writes what is pending, quietly.
    void KeepAfterFailure();

    std::unique_ptr<PortIo> inner_;
    std::string path_;
    OutputFile file_;
    std::string pending_;
    std::string line_;
    std::string lost_;
    bool lostToStop_ = false;
    bool said_ = false; // lost_ went out as the PortError that ended an operation
    bool finished_ = false;
};

} // namespace quorbit
