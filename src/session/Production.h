#pragma once
// A production run: one image into one chip after another, each with its own
// serial number, a result and a record line per chip, and a summary at the end.
// The command line's batch and the window's Production dialog both run it; each
// front end only says when the next chip is in the socket and shows the results.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "buffers/SerialField.h"
#include "state/Coverage.h"

namespace quorbit {

class App;

struct BatchOptions {
    int count = 0;      // end after this many good chips (0: no end)
    std::string serial; // the serial field, ADDRESS:LENGTH[:FORMAT]
    std::uint64_t serialStart = 1;
    std::uint64_t serialStep = 1;
    bool serialBurnFailed = false; // a failed chip's number is not given again
    std::string serialFile;        // keeps the next number between runs
    std::string record;            // CSV file, a line appended per chip
    std::string simFaultChips;     // the simulator: the chips its fault goes into
};

/// How the options are named in the messages: the command line's flags, or the
/// window's fields.
struct BatchOptionNames {
    std::string serial = "--serial";
    std::string serialFile = "--serial-file";
};

/// What became of one chip of the run.
struct BatchChip {
    int chip = 0;
    std::string time; // ISO 8601, as the chip was put in
    std::optional<std::uint64_t> serial;
    std::string result; // "OK", "FAILED", "SKIPPED", "STOPPED", "CANCELLED"
    std::string imageCrc32, chipCrc32;
    std::optional<std::int64_t> failureAddress;
    double seconds = 0;
    std::string line; // what the operator was shown for it
    std::string port; // the board's, when several boards run at once
};

struct BatchSummary {
    std::vector<BatchChip> chips;
    int good = 0, failed = 0, skipped = 0;
    bool stopped = false;
    std::optional<std::uint64_t> nextSerial;
};

/// The serial numbers of a run: the field, the next number, and where it is kept.
struct BatchSerials {
    std::optional<SerialField> field;
    std::uint64_t next = 1;
    std::uint64_t step = 1;
    std::string file;
};

/// The record file: one CSV line per chip, each on the disk before the next chip.
class ChipRecord {
  public:
    ChipRecord() = default;
    ~ChipRecord();
    ChipRecord(const ChipRecord&) = delete;
    ChipRecord& operator=(const ChipRecord&) = delete;

    /// Opens (creating) the file for appending, with a header when new; an error
    /// text, or "". With `ports` the lines name their board, and a record begun
    /// without that column is refused rather than mixed. An empty path: no record.
    std::string Open(const std::string& path, bool ports = false);
    /// Appends the chip's line and syncs it; an error text, or "".
    std::string Add(const BatchChip& chip, const std::string& device);

  private:
    std::string Append(const std::string& text);

    int fd_ = -1;
    std::string path_;
    bool ports_ = false;
};

/// The record's line for a chip, without its end of line (and without the port).
std::string RecordLine(const BatchChip& chip, const std::string& device);
/// The serial file's next number, when the file exists; an error text, or "".
std::string ReadSerialFile(const std::string& path, std::uint64_t& next,
                           const BatchOptionNames& names = {});
/// Checks the serial options against the chosen chip and reads the serial file;
/// an error text, or "".
std::string PrepareSerials(const App& app, const BatchOptions& batch, BatchSerials& serials,
                           const BatchOptionNames& names = {});
/// The code buffer as the base image with a chip's serial number in its field.
void PutSerial(App& app, const std::vector<std::uint8_t>& base, const Coverage& baseHeld,
               const SerialField& field, std::uint64_t number);
/// "2026-12-10T04:20:00Z"
std::string IsoTimeNow();
/// "batch: 3 good, 1 failed, 0 skipped, next serial 000005; stopped by the operator, board reset"
std::string BatchSummaryLine(const BatchSummary& summary);
/// The entry of a chip the operator skipped.
BatchChip SkippedChip(int number);

/// One board's run: the base image and serials taken once, then one chip after
/// another. Used on one thread at a time.
class ProductionRun {
  public:
    /// `insertChip(number)` puts chip `number` of the run into the socket (the
    /// simulator's fresh chip; nothing on a real board); `press` programs the
    /// chip as the Program button does (blank check and verify as chosen).
    ProductionRun(App& app, BatchOptions options, std::function<void(int number)> insertChip,
                  std::function<void()> press);

    /// Takes the code buffer as the base image, checks the serial field and opens
    /// the record; an error text, or "" to go on.
    std::string Prepare(const BatchOptionNames& names = {});
    /// Why no further chip can be programmed (the serial numbers ran out), or "".
    [[nodiscard]] std::string Exhausted() const;
    /// Puts the next chip through the job with its serial number and returns it
    /// with its line; the chip is not yet counted or recorded.
    BatchChip ProgramChip();
    /// The same for chip `number` of a run that hands out numbers itself (several
    /// boards at once): with `serial`, or the base image as it is.
    BatchChip ProgramChipAs(int number, std::optional<std::uint64_t> serial);
    /// The operator skipped the next chip.
    BatchChip SkipChip();
    /// Counts and records a chip, and keeps the next serial number; an error text
    /// that ends the run (the record or the serial file), or "".
    std::string ChipDone(const BatchChip& chip);
    /// The run is over: the summary's next serial and stop filled in.
    const BatchSummary& Finish();

    [[nodiscard]] const BatchSummary& Summary() const { return summary_; }
    [[nodiscard]] const BatchSerials& Serials() const { return serials_; }
    /// The number the next chip will have in the run (1 first).
    [[nodiscard]] int NextNumber() const { return next_; }
    /// With a count: as many good chips as asked.
    [[nodiscard]] bool CountReached() const;

  private:
    App& app_;
    BatchOptions options_;
    std::function<void(int)> insertChip_;
    std::function<void()> press_;
    BatchSerials serials_;
    std::vector<std::uint8_t> base_;
    Coverage baseHeld_;
    ChipRecord record_;
    BatchSummary summary_;
    int next_ = 1;
};

} // namespace quorbit
