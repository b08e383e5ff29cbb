#include "hw/backends/TracePort.h"

#include <cerrno>
#include <cstring>

#include "hw/backends/AccessLine.h"

namespace quorbit {

TracePort::TracePort(std::unique_ptr<PortIo> inner, const std::string& path)
    : inner_(std::move(inner)), path_(path), file_(std::fopen(path.c_str(), "we")) {
    if (!file_) throw PortError("Cannot open the trace file " + path + ": " + std::strerror(errno));
}

TracePort::~TracePort() {
    std::fclose(file_);
}

void TracePort::PortOut(std::uint16_t port, std::uint8_t value) {
    inner_->PortOut(port, value);
    AppendWriteLine(line_, port, value);
    Record();
}

std::uint8_t TracePort::PortIn(std::uint16_t port) {
    const std::uint8_t value = inner_->PortIn(port);
    AppendReadLine(line_, port, value);
    Record();
    return value;
}

void TracePort::Sleep(int milliseconds) {
    inner_->Sleep(milliseconds);
    if (milliseconds <= 0) return; // no wait, nothing to record
    AppendSleepLine(line_, milliseconds);
    Record();
    // A wait is a natural point to get the record onto the disk.
    if (std::fflush(file_) != 0)
        throw PortError("Cannot write the trace file " + path_ + ": " + std::strerror(errno));
}

void TracePort::BusySteps(std::int64_t steps) {
    inner_->BusySteps(steps);
}

std::string TracePort::Describe() const {
    return inner_->Describe() + ", traced to " + path_;
}

void TracePort::Record() {
    const bool written = std::fputs(line_.c_str(), file_) >= 0;
    line_.clear();
    if (!written)
        throw PortError("Cannot write the trace file " + path_ + ": " + std::strerror(errno));
}

} // namespace quorbit
