#pragma once
// quorbit-cli batch: one image into one chip after another, each with its own
// serial number, a line and a record per chip, and a summary at the end.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "buffers/SerialField.h"

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
    std::string port; // the board's, when several boards run at once
};

struct BatchSummary {
    std::vector<BatchChip> chips;
    int good = 0, failed = 0, skipped = 0;
    bool stopped = false;
    std::optional<std::uint64_t> nextSerial;
};

CLI::App* AddBatchCommand(CLI::App& cli, CommandOptions& options, BatchOptions& batch);

/// The serial numbers of a batch: the field, the next number, and where it is kept.
struct BatchSerials {
    std::optional<SerialField> field;
    std::uint64_t next = 1;
    std::uint64_t step = 1;
    std::string file;
};

/// One board's part of a batch that runs on several boards at once: the board
/// found and the image loaded once, then one chip after another as told. Used on
/// the board's own thread only.
class BatchBoard {
  public:
    BatchBoard(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
               Session& session, std::ostream& err);
    ~BatchBoard();
    BatchBoard(const BatchBoard&) = delete;
    BatchBoard& operator=(const BatchBoard&) = delete;

    /// Board, device, image and serial field checked; the exit status of a failure,
    /// 0 to go on.
    int Prepare();
    /// The serial numbers as this board's checks found them (after Prepare).
    [[nodiscard]] const BatchSerials& Serials() const { return *serials_; }
    /// Puts chip `number` (of the whole run) through the job with `serial`.
    BatchChip Program(int number, std::optional<std::uint64_t> serial);
    /// Keeps the simulated chip under --sim-save's name for it; an error text or "".
    [[nodiscard]] std::string SaveChip(int number, const std::string& pattern) const;
    [[nodiscard]] const std::string& Device() const;

  private:
    CLI::App& cli_;
    const CommandOptions& options_;
    const BatchOptions& batch_;
    Session& session_;
    std::ostream& err_;
    std::unique_ptr<BatchSerials> serials_;
    struct Run;
    std::unique_ptr<Run> run_;
};

/// What the boards of a batch on several boards share, under one lock: the
/// record (a line per chip, one writer) and the serial numbers (never given to
/// two chips).
class SharedBatch {
  public:
    explicit SharedBatch(const BatchOptions& batch);
    ~SharedBatch();
    SharedBatch(const SharedBatch&) = delete;
    SharedBatch& operator=(const SharedBatch&) = delete;

    /// Opens the record (with the board's port in a last column) and takes the
    /// serial numbers a board found; an error text, or "".
    std::string Open(const BatchSerials& serials);
    /// The next free serial number (a failed chip's first), or none without
    /// --serial; false when the next one no longer fits in the field.
    bool TakeSerial(std::optional<std::uint64_t>& serial);
    /// A number handed out and not used after all (a chip skipped or not started).
    void GiveBack(std::optional<std::uint64_t> serial);
    /// Records a chip's end, and uses up or gives back its number; an error text
    /// that ends the batch (the record or the serial file), or "".
    std::string ChipDone(const BatchChip& chip, const std::string& device);
    /// The number the next chip would take, when there is a field.
    [[nodiscard]] std::optional<std::uint64_t> NextSerial();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

/// "batch: 3 good, 1 failed, 0 skipped, next serial 000005; stopped by the operator, board reset"
std::string BatchSummaryLine(const BatchSummary& summary);
/// The entry of a chip the operator skipped ("s").
BatchChip SkippedChip(int number);
/// The operator's answer to the next prompt: a line from standard input, or none at
/// the end of the input or on a stop.
std::optional<std::string> ReadBatchAnswer();
/// Runs a parsed batch; the chip lines and the summary go to `out`, the prompts
/// (on a terminal) to `err`. Returns the exit status: 0 when every chip was good.
int RunBatchCommand(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                    Session& session, std::ostream& out, std::ostream& err, BatchSummary& summary);

} // namespace quorbit::cli
