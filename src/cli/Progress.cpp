#include "cli/Progress.h"

#include <unistd.h>

#include <ostream>

#include "app/App.h"

namespace quorbit::cli {

ProgressLine::ProgressLine(const App& app, std::ostream& err, const char* label)
    : app_(app), err_(err), label_(label) {}

void ProgressLine::Repaint() {
    const Control& bar = app_.ui.ProgressBar1;
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

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

} // namespace quorbit::cli
