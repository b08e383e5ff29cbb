#pragma once
// quorbit-cli batch: one image into one chip after another, each with its own
// serial number, a line and a record per chip, and a summary at the end.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quorbit::cli {

class Session;
struct CommandOptions;

struct BatchOptions {
    int count = 0;      // --count: end after this many good chips (0: no end)
    std::string serial; // --serial ADDRESS:LENGTH[:FORMAT]
    std::uint64_t serialStart = 1;
    std::uint64_t serialStep = 1;
    bool serialBurnFailed = false; // a failed chip's number is not given again
    std::string serialFile;        // keeps the next number between runs
    std::string record;            // CSV file, a line appended per chip
    std::string simFaultChips;     // the simulator: the chips --sim-fault goes into
};

/// What became of one chip of the batch.
struct BatchChip {
    int chip = 0;
    std::string time; // ISO 8601, as the chip was put in
    std::optional<std::uint64_t> serial;
    std::string result; // "OK", "FAILED", "SKIPPED", "STOPPED"
    std::string imageCrc32, chipCrc32;
    std::optional<std::int64_t> failureAddress;
    double seconds = 0;
    std::string line; // what the terminal showed for it
};

struct BatchSummary {
    std::vector<BatchChip> chips;
    int good = 0, failed = 0, skipped = 0;
    bool stopped = false;
    std::optional<std::uint64_t> nextSerial;
};

CLI::App* AddBatchCommand(CLI::App& cli, CommandOptions& options, BatchOptions& batch);
/// Runs a parsed batch; the chip lines and the summary go to `out`, the prompts
/// (on a terminal) to `err`. Returns the exit status: 0 when every chip was good.
int RunBatchCommand(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                    Session& session, std::ostream& out, std::ostream& err, BatchSummary& summary);

} // namespace quorbit::cli
