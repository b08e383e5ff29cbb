#pragma once
// One run of the command line: backend opened, core started as the window starts,
// log lines echoed, shut down as the window closes.
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "app/App.h"
#include "app/SystemServices.h"
#include "session/Backend.h"
#include "session/Options.h"

namespace quorbit::cli {

/// In a batch's --sim-save name, the place of each chip's number.
inline constexpr const char* kChipNumberMark = "{n}";

class Session {
  public:
    /// Throws PortError (backend) or std::invalid_argument (bad option values).
    /// The log lines go to `out`, the warnings and failures of files to `err`.
    Session(const GlobalOptions& options, std::ostream& out, std::ostream& err);
    Session(const GlobalOptions& options, std::ostream& out);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    App& app() { return *app_; }
    /// True when start-up met a broken port link (already reported once).
    [[nodiscard]] bool StartFailed() const { return app_->handlerFailed; }
    /// The exit status of a run a failed step ended (handlerFailed): 2 when the
    /// trace could not be written or the program refused an input, 1 when the
    /// port link broke, whether at start-up or midway through the command.
    [[nodiscard]] int FailedStepStatus() const;
    /// The trace could not be written whole (not counting a stop that ended it).
    [[nodiscard]] bool TraceFailed() const;
    /// Shuts the core down as the window closes, ends the trace and saves the
    /// simulated chip (--sim-save); false when the trace or that save could not
    /// be written (reported on standard error unless said before).
    bool Close();
    /// Port choice and model as the options say: a scan for "auto", else the
    /// operator's port choice and a forced model.
    void SelectBoard();
    /// True when the chip commands can reach a board: a model (4, 5 or 6) on a
    /// chosen port, and the last board selection was not stopped by a failure.
    [[nodiscard]] bool BoardKnown() const;
    /// The simulator's socket takes a new chip, as an operator puts the next one
    /// in: of the device row (or --sim-chip's), with --sim-image's contents and,
    /// when `faulty`, --sim-fault's defects. False when the backend is no simulator.
    bool InsertNextSimChip(int row, bool faulty);
    /// Saves the simulated chip's contents (a batch's --sim-save per chip); an
    /// error text, or "".
    [[nodiscard]] std::string SaveSimChip(const std::string& path) const;
    /// --sim-save as given.
    [[nodiscard]] const std::string& SimSaveFile() const { return options_.backend.sim.saveFile; }
    /// Port accesses of the whole run so far, when they are counted.
    [[nodiscard]] std::optional<std::int64_t> PortAccesses() const;

  private:
    GlobalOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    OpenedBackend backend_;
    SystemClock clock_;
    SilentSound sound_;
    ConsoleDialogs dialogs_;
    MemorySettings settings_;
    std::unique_ptr<App> app_;
    bool closed_ = false;
};

} // namespace quorbit::cli
