#pragma once
// A progress line on a terminal, fed by the core's repaint requests.
#include <chrono>
#include <iosfwd>
#include <string>

#include "app/Services.h"

namespace quorbit {
class App;
}

namespace quorbit::cli {

/// Shows the window's progress bar as "<label>: NN%" on one rewritten line, and a
/// wait on the chip as "<label>: Erasing the chip for 0:12".
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
    std::string shownWait_;
};

/// Progress for scripts: one JSON object per line, at most ten a second, e.g.
/// {"op":"program","done":1234,"total":32768,"elapsed_ms":5120}; Finish adds the
/// last one with "result":"ok" or "failed".
class JsonProgress : public Refresher {
  public:
    JsonProgress(const App& app, std::ostream& err, std::string op);
    void Repaint() override;
    void Finish(bool ok);

  private:
    [[nodiscard]] long long ElapsedMs() const;
    /// Bytes done of the chip, from the progress bar's share.
    [[nodiscard]] long long Done() const;
    void Emit(long long done, const char* result);

    const App& app_;
    std::ostream& err_;
    std::string op_;
    std::chrono::steady_clock::time_point start_;
    long long lastEmitMs_ = -1000;
    long long lastDone_ = -1;
    std::string shownWait_; // the wait phase the last line named
};

/// True when standard error is a terminal (progress lines are for people only).
bool StderrIsTerminal();

} // namespace quorbit::cli
