#pragma once
// A progress line on a terminal, fed by the core's repaint requests.
#include <iosfwd>

#include "app/Services.h"

namespace quorbit {
class App;
}

namespace quorbit::cli {

/// Shows the window's progress bar as "<label>: NN%" on one rewritten line.
class ProgressLine : public Refresher {
  public:
    ProgressLine(const App& app, std::ostream& err, const char* label);
    void Repaint() override;
    /// Removes the line (before other output, and at the end).
    void Clear();

  private:
    const App& app_;
    std::ostream& err_;
    const char* label_;
    int shownPercent_ = -1;
};

/// True when standard error is a terminal (progress lines are for people only).
bool StderrIsTerminal();

} // namespace quorbit::cli
