#include "cli/Progress.h"

#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "app/App.h"
#include "app/ProgressEstimate.h"
#include "cli/Json.h"

namespace quorbit::cli {

ProgressLine::ProgressLine(const App& app, std::ostream& err, const char* label)
    : app_(app), err_(err), label_(label) {}

void ProgressLine::Repaint() {
    const ReportState& report = app_.report;
    if (!report.WaitPhase.empty()) {
        // A wait on the chip (an erase): what it waits for and how long so far.
        const std::string text = report.WaitPhase + " for " + DurationText(report.WaitSeconds);
        if (text == shownWait_) return;
        shownWait_ = text;
        shownPercent_ = 0;
        err_ << "\r\033[K" << label_ << ": " << text << std::flush;
        return;
    }
    if (!shownWait_.empty()) { // the wait is over: its line goes
        shownWait_.clear();
        Clear();
    }
    const Control& bar = app_.ui.progressBar;
    if (bar.max <= 0 || bar.value <= 0) return;
    const int percent = static_cast<int>(100LL * bar.value / bar.max);
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    err_ << "\r" << label_ << ": " << percent << "%" << std::flush;
}

void ProgressLine::Clear() {
    if (shownPercent_ < 0) return;
    err_ << "\r\033[K" << std::flush;
    shownPercent_ = -1;
}

JsonProgress::JsonProgress(const App& app, std::ostream& err, std::string op)
    : app_(app), err_(err), op_(std::move(op)), start_(std::chrono::steady_clock::now()) {}

long long JsonProgress::ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

long long JsonProgress::Done() const {
    const Control& bar = app_.ui.progressBar;
    if (bar.max <= 0 || bar.value <= 0) return 0;
    const long long total = app_.dev.ImageLength;
    return std::min(total, total * bar.value / bar.max);
}

void JsonProgress::Emit(long long done, const char* result) {
    const long long elapsed = ElapsedMs();
    Json line = {
        {"op", op_}, {"done", done}, {"total", app_.dev.ImageLength}, {"elapsed_ms", elapsed}};
    const ReportState& report = app_.report;
    if (!result && !report.WaitPhase.empty()) {
        line["wait"] = report.WaitPhase;
        line["wait_ms"] = static_cast<long long>(report.WaitSeconds * 1000.0);
    }
    if (result) line["result"] = result;
    err_ << DumpJson(line) << "\n" << std::flush;
    lastEmitMs_ = elapsed;
    lastDone_ = done;
}

void JsonProgress::Repaint() {
    if (const std::string& phase = app_.report.WaitPhase; !phase.empty()) {
        // A wait on the chip (an erase) moves no count: a line a second, and one
        // as it begins, say what it waits for, so that a script sees it is alive.
        if (phase == shownWait_ && ElapsedMs() - lastEmitMs_ < 1000) return;
        shownWait_ = phase;
        Emit(Done(), nullptr);
        return;
    }
    shownWait_.clear();
    const long long done = Done();
    if (done == lastDone_ || ElapsedMs() - lastEmitMs_ < 100) return; // ten a second at most
    Emit(done, nullptr);
}

void JsonProgress::Finish(bool ok) {
    Emit(ok ? app_.dev.ImageLength : Done(), ok ? "ok" : "failed");
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

} // namespace quorbit::cli
