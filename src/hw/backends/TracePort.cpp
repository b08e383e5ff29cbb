#include "hw/backends/TracePort.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "app/SafeFile.h"

#include "hw/backends/AccessLine.h"

namespace quorbit {

namespace {

/// The trace is a stream written as the accesses happen, so that it still shows
/// where a link broke when the program is stopped: it is opened in place (never
/// waiting on a pipe nobody reads), not written through a temporary file.
std::FILE* OpenTrace(const std::string& path) {
    std::string reason;
    // "-" is standard error: standard output may carry an image.
    const int fd = path == kStandardInputName ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0)
                                              : OpenOutputStream(path, reason);
    if (fd < 0 && reason.empty()) reason = std::strerror(errno);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "w");
    if (fd >= 0 && !file) {
        reason = std::strerror(errno);
        ::close(fd);
    }
    if (!file) throw PortError("Cannot open the trace file " + path + ": " + reason);
    return file;
}

} // namespace

TracePort::TracePort(std::unique_ptr<PortIo> inner, const std::string& path)
    : inner_(std::move(inner)), path_(path), file_(OpenTrace(path)) {}

TracePort::~TracePort() {
    std::fclose(file_);
}

void TracePort::PortOut(std::uint16_t port, std::uint8_t value) {
    try {
        inner_->PortOut(port, value);
    } catch (const PortError&) {
        KeepAfterFailure();
        throw;
    }
    AppendWriteLine(line_, port, value);
    Record();
}

std::uint8_t TracePort::PortIn(std::uint16_t port) {
    std::uint8_t value = 0;
    try {
        value = inner_->PortIn(port);
    } catch (const PortError&) {
        AppendReadLine(line_, port); // asked, never answered
        KeepAfterFailure();
        throw;
    }
    AppendReadLine(line_, port, value);
    Record();
    return value;
}

void TracePort::Sleep(int milliseconds) {
    try {
        inner_->Sleep(milliseconds);
    } catch (const PortError&) {
        KeepAfterFailure();
        throw;
    }
    if (milliseconds <= 0) return; // no wait, nothing to record
    AppendSleepLine(line_, milliseconds);
    Record();
    // A wait is a natural point to get the record onto the disk.
    if (!lost_ && std::fflush(file_) != 0) TraceLost();
}

void TracePort::BusySteps(std::int64_t steps) {
    inner_->BusySteps(steps);
    RecordDelay(steps);
}

void TracePort::PulseSteps(std::int64_t steps, std::int64_t stepNs) {
    inner_->PulseSteps(steps, stepNs);
    RecordDelay(steps, stepNs);
}

void TracePort::RecordDelay(std::int64_t steps, std::int64_t stepNs) {
    if (steps <= 0) return;
    AppendDelayLine(line_, steps, stepNs);
    Record();
}

std::string TracePort::Describe() const {
    return inner_->Describe() + ", traced to " +
           (path_ == kStandardInputName ? std::string("standard error") : path_);
}

void TracePort::Record() {
    if (lost_) { // told once; the accesses, the closing reset above all, still go through
        line_.clear();
        return;
    }
    const bool written = std::fputs(line_.c_str(), file_) >= 0;
    line_.clear();
    if (!written) TraceLost();
}

void TracePort::TraceLost() {
    lost_ = true;
    throw PortError("Cannot write the trace file " + path_ + ": " + std::strerror(errno));
}

void TracePort::KeepAfterFailure() {
    // The link's own error is the one to report; the trace is only kept as far
    // as it can be. On disk at once, since it tells where the link broke.
    std::fputs(line_.c_str(), file_);
    line_.clear();
    std::fflush(file_);
}

} // namespace quorbit
