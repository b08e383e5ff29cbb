#include "hw/backends/TracePort.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "hw/backends/AccessLine.h"

namespace quorbit {

namespace {

/// Records are written in pieces of about this size, and at every wait.
constexpr std::size_t kWriteChunk = 64 * 1024;

std::string NameOf(const std::string& path) {
    return path == kStandardInputName ? std::string("standard error") : path;
}

} // namespace

TracePort::TracePort(std::unique_ptr<PortIo> inner, const std::string& path)
    : inner_(std::move(inner)), path_(path) {
    std::string reason;
    if (path == kStandardInputName) { // "-" is standard error: standard output may carry an image
        const int fd = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            reason = std::strerror(errno);
        else
            file_.Adopt(fd);
    } else {
        reason = file_.Open(path);
        // Put in place even when the program is ended at once: it tells where it was.
        if (reason.empty()) file_.PublishOnAbruptEnd();
    }
    if (!reason.empty()) throw PortError("Cannot open the trace file " + path + ": " + reason);
}

TracePort::~TracePort() {
    Finish();
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
    // A wait is a natural point to get the records onto the disk.
    WritePending(false);
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
    return inner_->Describe() + ", traced to " + NameOf(path_);
}

void TracePort::Record() {
    // Once lost or finished, the accesses (the closing reset above all) still go through.
    if (lost_.empty() && !finished_) pending_ += line_;
    line_.clear();
    if (pending_.size() >= kWriteChunk) WritePending(false);
}

void TracePort::WritePending(bool quietly) {
    if (pending_.empty() || !lost_.empty()) return;
    const std::string reason = file_.Write(pending_);
    pending_.clear();
    if (reason.empty()) return;
    lost_ = "Cannot write the trace file " + NameOf(path_) + ": " + reason;
    file_.Abandon();
    lostToStop_ = reason == kStoppedByOperator;
    if (quietly || lostToStop_) return;
    said_ = true;
    throw PortError(lost_);
}

void TracePort::KeepAfterFailure() {
    // The link's own error is the one to report; the trace is only kept as far
    // as it can be. Written at once, since it tells where the link broke.
    pending_ += line_;
    line_.clear();
    WritePending(true);
}

void TracePort::Abandon() {
    finished_ = true;
    pending_.clear();
    file_.Abandon();
}

std::string TracePort::Finish() {
    if (finished_) return {};
    WritePending(true);
    finished_ = true;
    if (lost_.empty()) {
        if (const std::string reason = file_.Commit(); !reason.empty())
            lost_ = "Cannot write the trace file " + NameOf(path_) + ": " + reason;
    }
    return said_ ? std::string() : lost_;
}

} // namespace quorbit
