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

#include "session/Production.h"

namespace CLI {
class App;
}

namespace quorbit::cli {

class Session;
struct CommandOptions;

CLI::App* AddBatchCommand(CLI::App& cli, CommandOptions& options, BatchOptions& batch);

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

/// The operator's answer to the next prompt: a line from standard input, or none at
/// the end of the input or on a stop.
std::optional<std::string> ReadBatchAnswer();
/// Runs a parsed batch; the chip lines and the summary go to `out`, the prompts
/// (on a terminal) to `err`. Returns the exit status: 0 when every chip was good.
int RunBatchCommand(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                    Session& session, std::ostream& out, std::ostream& err, BatchSummary& summary);

} // namespace quorbit::cli
