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

namespace quorbit {

class TracePort : public PortIo {
  public:
    /// Creates (truncates) the file; throws PortError naming path and reason.
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
    [[nodiscard]] std::string Describe() const override;

    [[nodiscard]] PortIo& Inner() const { return *inner_; }

  private:
    void Record();
    void RecordDelay(std::int64_t steps, std::int64_t stepNs = 0);
    /// After a failed access: writes what is pending and flushes, quietly.
    void KeepAfterFailure();
    /// A record could not be written: says so once, then records nothing more.
    [[noreturn]] void TraceLost();

    std::unique_ptr<PortIo> inner_;
    std::string path_;
    std::FILE* file_ = nullptr;
    std::string line_;
    bool lost_ = false;
};

} // namespace quorbit
