#pragma once
// --json: one JSON object on standard output when the command ends, for scripts
// and wrappers that should not scrape the log. The log lines then go to standard
// error and into the object's "log" list.
#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "buffers/Checksums.h"
#include "cli/BatchCommand.h"
#include "state/Coverage.h"
#include "state/OpsState.h"

namespace CLI {
class App;
}

namespace quorbit {
class App;
struct GlobalOptions;
} // namespace quorbit

namespace quorbit::cli {

class Session;

/// An image's bytes and checksums as the object gives them.
struct ImageSummary {
    Coverage held;
    Digest digest;
};

/// The checksums of the image the code buffer holds (its coverage, in address order).
ImageSummary SummaryOfCodeImage(const App& app);

class JsonResult {
  public:
    /// Looks for --json among the arguments itself, so that a run the parser
    /// refuses still ends in an object.
    JsonResult(int argc, const char* const* argv);

    /// The global --json flag.
    void AddOption(CLI::App& cli);
    [[nodiscard]] bool Wanted() const { return wanted_; }
    /// A help text was printed instead of running a verb: no object.
    void Drop() { wanted_ = false; }
    /// Counts port accesses for "port_accesses" (with no estimate printed unless asked).
    void PrepareOptions(GlobalOptions& options) const;
    /// Why this run cannot give its object on standard output, or "".
    [[nodiscard]] std::string Conflict(bool imageToStdout, const std::string& imageFile) const;

    /// Takes the verb's name from the parsed command line.
    void Parsed(const CLI::App& cli);
    /// Collects the session's log lines from now on.
    void Watch(Session& session);
    /// Takes what the object reports from the session once the verb has run.
    void Capture(Session& session);
    /// "devices": the catalog as a list instead of the table.
    void ListDevices();
    /// "sum": one image file's summary, or the reason it was not read.
    void AddImageFile(const std::string& file, const std::optional<ImageSummary>& image);
    /// "batch": the chips and the summary.
    void Batch(const BatchSummary& summary) { batch_ = summary; }
    /// Log lines of a run without a session (sum's loads).
    void AddLogLine(const std::string& line) { log_.push_back(line); }
    /// Several boards at once: one board's own object (Object, made on the board's
    /// thread), given in the object's "boards" list.
    void AddBoard(const std::string& port, const std::string& object) {
        boards_.push_back({port, object});
    }
    /// The object as text, for the exit status given.
    [[nodiscard]] std::string Object(int status) const;

    /// Prints the object when asked for; returns the exit status unchanged.
    int Finish(std::ostream& out, int status);

  private:
    bool wanted_ = false;
    std::chrono::steady_clock::time_point start_;
    std::string verb_;
    std::optional<std::string> device_;
    OpOutcome outcome_ = OpOutcome::None;
    bool stopped_ = false;
    std::optional<ImageSummary> image_;
    std::optional<ChipReading> chip_;
    std::optional<MismatchRanges> mismatches_;
    std::optional<ProgramFailureAt> failure_;
    std::optional<StopRecord> stop_;
    std::optional<std::int64_t> portAccesses_;
    std::optional<std::pair<int, int>> board_; // detect: model and port base
    bool devices_ = false;
    struct ImageFile {
        std::string file;
        std::optional<ImageSummary> image;
    };
    std::vector<ImageFile> images_;
    std::optional<BatchSummary> batch_;
    std::vector<std::string> log_;
    struct Board {
        std::string port;
        std::string object; // the board's own object, as text
    };
    std::vector<Board> boards_;
};

} // namespace quorbit::cli
