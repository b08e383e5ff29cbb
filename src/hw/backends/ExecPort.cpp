#include "hw/backends/ExecPort.h"

#include "hw/backends/AccessLine.h"

namespace quorbit {
namespace {

/// Writes pile up to this size before they go out even without a read.
constexpr std::size_t kSendThreshold = 32 * 1024;

std::string DurationText(std::chrono::milliseconds limit) {
    if (limit.count() % 1000 == 0) return std::to_string(limit.count() / 1000) + " s";
    return std::to_string(limit.count()) + " ms";
}

/// The child's answer as the operator should see it: printable, not too long.
std::string Quoted(const std::string& text) {
    constexpr std::size_t kShown = 40;
    std::string shown;
    for (char c : text.substr(0, kShown)) {
        const auto u = static_cast<unsigned char>(c);
        shown += (u >= 0x20 && u < 0x7F) ? c : '?';
    }
    if (text.size() > kShown) shown += "...";
    return "'" + shown + "'";
}

std::string WithoutNewline(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

} // namespace

ExecPort::ExecPort(const std::string& command, ExecLimits limits)
    : command_(command), limits_(limits), child_(command) {}

ExecPort::~ExecPort() {
    if (!writesLost_ && !unsent_.empty()) child_.Write(unsent_, limits_.answer);
    child_.Finish(limits_.exitGrace);
}

void ExecPort::PortOut(std::uint16_t port, std::uint8_t value) {
    ThrowIfWritesLost();
    AppendWriteLine(unsent_, port, value);
    // Once the answers cannot be trusted, the writes that remain are the reset
    // that leaves the board safe: each goes out at once, while the child lives.
    if (unsent_.size() >= kSendThreshold || !broken_.empty()) Flush();
}

std::uint8_t ExecPort::PortIn(std::uint16_t port) {
    ThrowIfBroken();
    const std::size_t start = unsent_.size();
    AppendReadLine(unsent_, port);
    const std::string request = WithoutNewline(unsent_.substr(start));
    // An answer must follow its request: a line already waiting would be taken
    // as the answer to this read and every later one would be off by one.
    if (const std::string early = child_.UnaskedOutput(); !early.empty())
        Fail("printed " + Quoted(early.substr(0, early.find('\n'))) +
             " without being asked, before '" + request + "'");
    Flush();
    return ReadAnswer(request);
}

void ExecPort::Sleep(int milliseconds) {
    ThrowIfWritesLost();
    if (milliseconds <= 0) return;
    // Sent at once, so that a child driving real hardware waits in step.
    AppendSleepLine(unsent_, milliseconds);
    Flush();
}

void ExecPort::BusySteps(std::int64_t steps) {
    Delay(steps, 0);
}

void ExecPort::PulseSteps(std::int64_t steps, std::int64_t stepNs) {
    Delay(steps, stepNs);
}

void ExecPort::Delay(std::int64_t steps, std::int64_t stepNs) {
    if (steps <= 0) return;
    ThrowIfWritesLost();
    countedSteps_ += steps;
    // Collected with the writes: they go out together before the next read.
    if (limits_.sendDelays) AppendDelayLine(unsent_, steps, stepNs);
}

std::string ExecPort::Describe() const {
    return "external program '" + command_ + "'";
}

void ExecPort::Flush() {
    if (unsent_.empty()) return;
    const auto result = child_.Write(unsent_, limits_.answer);
    unsent_.clear();
    if (result == ChildProcess::Io::TimedOut) {
        if (const std::string gone = EndedMeanwhile(); !gone.empty()) FailForGood(gone);
        FailForGood("did not read its input within " + DurationText(limits_.answer));
    }
    if (result == ChildProcess::Io::Closed) FailForGood(HowChildEnded());
}

std::uint8_t ExecPort::ReadAnswer(const std::string& request) {
    std::string answer;
    const auto result = child_.ReadLine(answer, limits_.answer);
    if (result == ChildProcess::Io::TimedOut) {
        if (const std::string gone = EndedMeanwhile(); !gone.empty())
            FailForGood(gone + " before answering '" + request + "'");
        Fail("did not answer '" + request + "' within " + DurationText(limits_.answer));
    }
    if (result == ChildProcess::Io::Closed)
        FailForGood(HowChildEnded() + " before answering '" + request + "'");
    const auto value = ParseHexByte(answer);
    if (!value) Fail("answered " + Quoted(answer) + " to '" + request + "', not a hex byte");
    return *value;
}

std::string ExecPort::HowChildEnded() {
    // The pipe closes as the child exits; give it a moment to be reaped so that
    // the message can tell its exit status.
    const std::string end = child_.EndDescription(std::chrono::milliseconds(250));
    return end.empty() ? "closed its standard output" : end;
}

std::string ExecPort::EndedMeanwhile() {
    // A process the child started may hold the pipes open after the child has
    // gone: the silence is then the child's end, not a slow answer.
    const std::string end = child_.EndDescription(std::chrono::milliseconds(0));
    return end.empty() ? end : end + " (a process it started still holds its pipes)";
}

void ExecPort::ThrowIfBroken() const {
    if (!broken_.empty()) throw PortError(broken_);
}

void ExecPort::ThrowIfWritesLost() const {
    if (writesLost_) throw PortError(broken_);
}

void ExecPort::Fail(const std::string& what) {
    if (broken_.empty()) broken_ = "exec backend: child '" + command_ + "' " + what;
    throw PortError(broken_);
}

void ExecPort::FailForGood(const std::string& what) {
    writesLost_ = true;
    unsent_.clear();
    Fail(what);
}

} // namespace quorbit
