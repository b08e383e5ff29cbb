#include "cli/BatchCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <limits>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/SerialField.h"
#include "catalog/Catalog.h"
#include "cli/Commands.h"
#include "cli/JsonResult.h"
#include "cli/Session.h"
#include "hw/StopRequest.h"

namespace quorbit::cli {

namespace {

using Serials = BatchSerials;

constexpr const char* kRecordHeader =
    "time,chip,serial,device,result,image_crc32,chip_crc32,failure_address,seconds\n";
// With several boards each line names its board too.
constexpr const char* kBoardsRecordHeader =
    "time,chip,serial,device,result,image_crc32,chip_crc32,failure_address,seconds,port\n";

/// The operator's answer to "Insert chip N": a line from standard input, read a
/// byte at a time from the descriptor so that a stop signal is seen while the
/// program waits (the signal restarts a plain read). Empty at the end of the input
/// or on a stop.
std::optional<std::string> ReadAnswer() {
    std::string line;
    for (;;) {
        if (StopRequested()) return std::nullopt;
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&in, 1, 100);
        if (ready < 0 && errno != EINTR) return std::nullopt;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
        if (c == '\n') return line;
        if (c != '\r') line += c;
    }
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string IsoTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string Seconds(double seconds, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << seconds;
    return text.str();
}

std::string Hex2(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

/// The record file: one line per chip, each on the disk before the next chip.
class ChipRecord {
  public:
    /// Opens (creating) the file for appending; an error text, or "". With
    /// `ports` the lines name their board, and a record begun without that column
    /// is refused rather than mixed.
    std::string Open(const std::string& path, bool ports = false) {
        if (path.empty()) return {};
        // With ports its first line is read back: the header must have the column.
        fd_ = ::open(path.c_str(), (ports ? O_RDWR : O_WRONLY) | O_APPEND | O_CREAT | O_CLOEXEC,
                     0644);
        if (fd_ < 0) return "Could not open the record " + path + ": " + std::strerror(errno);
        path_ = path;
        ports_ = ports;
        const char* header = ports ? kBoardsRecordHeader : kRecordHeader;
        if (::lseek(fd_, 0, SEEK_END) == 0) return Append(header);
        if (!ports) return {};
        std::string first(std::strlen(header), '\0');
        const ssize_t got = ::pread(fd_, first.data(), first.size(), 0);
        if (got != static_cast<ssize_t>(first.size()) || first != header)
            return "The record " + path +
                   " has no port column, which several boards need: " + "give another file";
        return {};
    }
    ~ChipRecord() {
        if (fd_ >= 0) ::close(fd_);
    }
    ChipRecord() = default;
    ChipRecord(const ChipRecord&) = delete;
    ChipRecord& operator=(const ChipRecord&) = delete;

    std::string Add(const BatchChip& chip, const std::string& device) {
        if (fd_ < 0) return {};
        const std::string line =
            chip.time + "," + std::to_string(chip.chip) + "," +
            (chip.serial ? SerialText(*chip.serial) : "") + "," + CsvField(device) + "," +
            chip.result + "," + chip.imageCrc32 + "," + chip.chipCrc32 + "," +
            (chip.failureAddress ? Hex(*chip.failureAddress) + "h" : "") + "," +
            Seconds(chip.seconds, 3) + (ports_ ? "," + chip.port : std::string()) + "\n";
        return Append(line);
    }

  private:
    std::string Append(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t wrote = ::write(fd_, text.data() + done, text.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0)
                return "Could not write the record " + path_ + ": " + std::strerror(errno);
            done += static_cast<std::size_t>(wrote);
        }
        // On the disk before the next chip: a power cut loses at most the chip in hand.
        if (::fsync(fd_) != 0)
            return "Could not write the record " + path_ + ": " + std::strerror(errno);
        return {};
    }

    int fd_ = -1;
    std::string path_;
    bool ports_ = false;
};

/// Reads --serial-file's number, when the file exists; an error text, or "".
std::string ReadSerialFile(const std::string& path, std::uint64_t& next) {
    std::ifstream in(path);
    if (!in) return {}; // a new file: the batch starts at --serial-start
    std::string text;
    std::getline(in, text);
    text = Trimmed(text);
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || ec != std::errc() || at != end)
        return "--serial-file " + path + " does not hold a serial number (it reads \"" + text +
               "\"): give another file, or mend it";
    next = value;
    return {};
}

/// The bytes of the chip a serial field may lie in, in image addresses (the
/// chip's own size: a loaded file changes the device size the log shows).
std::uint64_t ImageReach(const App& app) {
    const bool half = app.ui.HiLow_button[1].selected() || app.ui.HiLow_button[2].selected();
    const CatalogRow& row = CatalogTable()[static_cast<std::size_t>(app.dev.DeviceRow)];
    return std::uint64_t{static_cast<std::uint64_t>(row.sizeKB)} * 1024 * (half ? 2 : 1);
}

/// Checks the serial options against the chosen chip; an error text, or "".
std::string PrepareSerials(const App& app, const BatchOptions& batch, Serials& serials) {
    serials.next = batch.serialStart;
    serials.step = batch.serialStep;
    serials.file = batch.serialFile;
    if (batch.serial.empty()) {
        if (!batch.serialFile.empty()) return "--serial-file needs --serial";
        return {};
    }
    std::string error;
    serials.field = ParseSerialField(batch.serial, error);
    if (!serials.field) return error;
    const SerialField& f = *serials.field;
    if (std::uint64_t{f.address} + static_cast<std::uint64_t>(f.length) > ImageReach(app))
        return "--serial " + batch.serial + ": the field " + Hex(f.address) + "h-" +
               Hex(f.address + static_cast<std::uint32_t>(f.length) - 1) + "h lies outside the " +
               app.dev.DeviceName + " (" + std::to_string(ImageReach(app)) + " bytes)";
    if (!serials.file.empty())
        if (std::string bad = ReadSerialFile(serials.file, serials.next); !bad.empty()) return bad;
    const std::uint64_t largest = LargestSerial(f);
    // With --count the last good chip's number is known: it must fit too.
    std::uint64_t last = serials.next;
    if (batch.count > 1) {
        const std::uint64_t more = static_cast<std::uint64_t>(batch.count - 1);
        last = serials.step != 0 &&
                       more > (std::numeric_limits<std::uint64_t>::max() - last) / serials.step
                   ? std::numeric_limits<std::uint64_t>::max()
                   : last + more * serials.step;
    }
    if (serials.next > largest || last > largest)
        return "--serial " + batch.serial + ": the number " +
               std::to_string(last > largest && serials.next <= largest ? last : serials.next) +
               " does not fit in " + std::to_string(f.length) + " bytes as " +
               SerialFormatName(f.format) + " (the largest is " + std::to_string(largest) + ")";
    return {};
}

/// The chips (1, 2, ...) --sim-fault goes into; empty: every chip.
std::optional<std::set<int>> ParseFaultyChips(const std::string& text, std::string& error) {
    std::set<int> chips;
    std::stringstream list(text);
    for (std::string one; std::getline(list, one, ',');) {
        int chip = 0;
        const char* end = one.data() + one.size();
        const auto [at, ec] = std::from_chars(one.data(), end, chip, 10);
        if (one.empty() || ec != std::errc() || at != end || chip < 1) {
            error = "--sim-fault-chips " + text + ": give chip numbers such as 3 or 2,5";
            return std::nullopt;
        }
        chips.insert(chip);
    }
    return chips;
}

/// The code buffer as the base image with a chip's serial number in its field.
void PutSerial(App& app, const std::vector<std::uint8_t>& base, const Coverage& baseHeld,
               const SerialField& field, std::uint64_t number) {
    app.buf.CodeBuffer = WithSerial(base, field, number);
    // A partial image is written where it holds bytes: the field is one of them.
    std::vector<AddressRange> ranges = baseHeld.Ranges();
    ranges.push_back({field.address, field.address + static_cast<std::uint32_t>(field.length) - 1});
    std::sort(ranges.begin(), ranges.end(),
              [](const AddressRange& a, const AddressRange& b) { return a.first < b.first; });
    std::vector<AddressRange> held; // in order and apart, as a coverage keeps them
    for (const AddressRange& r : ranges) {
        if (!held.empty() && r.first <= held.back().last + 1)
            held.back().last = std::max(held.back().last, r.last);
        else
            held.push_back(r);
    }
    app.buf.CodeCoverage = Coverage::OfRanges(std::move(held));
}

/// How a chip that was not good failed: where, and what was written and read.
std::string FailureText(const App& app, BatchChip& chip) {
    if (const auto& at = app.ops.ProgramFailure) {
        chip.failureAddress = at->address;
        return " at " + Hex(at->address) + "h (wrote " + Hex2(at->wrote) + "h, read " +
               Hex2(at->read) + "h)";
    }
    if (const auto& found = app.ops.Mismatches; found.Bytes() > 0 && !found.Kept().empty()) {
        chip.failureAddress = found.Kept().front().first;
        return " at " + Hex(found.Kept().front().first) +
               "h (verify: " + std::to_string(found.Bytes()) +
               (found.Bytes() == 1 ? " byte differs)" : " bytes differ)");
    }
    return "";
}

struct BatchRun {
    App& app;
    Session& session;
    const CommandOptions& options;
    std::ostream& err;
    Serials serials;
    std::set<int> faultyChips; // empty: every chip gets --sim-fault
    std::vector<std::uint8_t> base;
    Coverage baseHeld;
    ChipRecord record;
    int row = 0;
};

/// Puts one chip through the job; the chip's entry, its line said.
BatchChip ProgramOneChip(BatchRun& run, int number) {
    App& app = run.app;
    BatchChip chip;
    chip.chip = number;
    chip.time = IsoTimeNow();
    const auto started = std::chrono::steady_clock::now();
    run.session.InsertNextSimChip(run.row,
                                  run.faultyChips.empty() || run.faultyChips.count(number));
    if (run.serials.field) {
        chip.serial = run.serials.next;
        PutSerial(app, run.base, run.baseHeld, *run.serials.field, run.serials.next);
    }
    chip.imageCrc32 = SummaryOfCodeImage(app).digest.Crc32Text();
    app.ops.Mismatches.Clear();
    PressChipButton(app, app.ui.Program_button, "Programming", run.err, run.options.progress);
    chip.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const bool good = !app.handlerFailed && app.ops.Outcome == OpOutcome::Success;
    if (good && app.ops.ChipRead) chip.chipCrc32 = app.ops.ChipRead->digest.Crc32Text();
    std::string line = "chip " + std::to_string(number) + ": ";
    if (good) {
        chip.result = "OK";
        line += "OK";
        if (chip.serial) line += ", serial " + SerialText(*chip.serial);
        line += ", CRC32 " + (chip.chipCrc32.empty() ? chip.imageCrc32 : chip.chipCrc32);
    } else if (app.ops.Outcome == OpOutcome::Cancelled) {
        chip.result = "CANCELLED"; // the chip was not touched
        line += "cancelled at the safety question";
    } else if (StopTaken()) {
        chip.result = "STOPPED";
        line += "STOPPED";
        if (app.ops.LastStop)
            line += " (" + app.ops.LastStop->chip + "; " + app.ops.LastStop->board + ")";
    } else {
        chip.result = "FAILED";
        line += "FAILED" + FailureText(app, chip);
    }
    line += ", " + Seconds(chip.seconds, 1) + " s";
    chip.line = line;
    return chip;
}

/// The next number after a chip, as good and failed chips use them.
void CountSerial(BatchRun& run, const BatchChip& chip, bool burnFailed) {
    if (!chip.serial) return;
    if (chip.result == "OK" || (chip.result == "FAILED" && burnFailed))
        run.serials.next += run.serials.step;
}

} // namespace

std::string BatchSummaryLine(const BatchSummary& summary) {
    std::string line = "batch: " + std::to_string(summary.good) + " good, " +
                       std::to_string(summary.failed) + " failed, " +
                       std::to_string(summary.skipped) + " skipped";
    if (summary.nextSerial) line += ", next serial " + SerialText(*summary.nextSerial);
    if (summary.stopped) line += "; stopped by the operator, board reset";
    return line;
}

BatchChip SkippedChip(int number) {
    BatchChip skipped;
    skipped.chip = number;
    skipped.time = IsoTimeNow();
    skipped.result = "SKIPPED";
    skipped.line = "chip " + std::to_string(number) + ": skipped";
    return skipped;
}

std::optional<std::string> ReadBatchAnswer() {
    return ReadAnswer();
}

CLI::App* AddBatchCommand(CLI::App& cli, CommandOptions& options, BatchOptions& batch) {
    auto* command = cli.add_subcommand(
        "batch", "Program one chip after another with the same image (Enter for each, q ends)");
    AddProgramOptions(command, options);
    command->add_option("--count", batch.count, "End after this many good chips")
        ->check(CLI::Range(1, 1000000));
    command->add_option("--serial", batch.serial,
                        "Serial number field ADDRESS:LENGTH[:FORMAT] (hex address; le, be, "
                        "bcd, ascii or hex; default le)");
    command->add_option("--serial-start", batch.serialStart, "First serial number (default 1)");
    command
        ->add_option("--serial-step", batch.serialStep, "Step between serial numbers (default 1)")
        ->check(CLI::Range(std::uint64_t{1}, std::numeric_limits<std::uint64_t>::max()));
    command->add_flag("--serial-burn-failed", batch.serialBurnFailed,
                      "A failed chip uses up its number (default: the next chip takes it)");
    command->add_option("--serial-file", batch.serialFile,
                        "File that keeps the next serial number between runs");
    command->add_option("--record", batch.record, "CSV file: one line appended per chip");
    command->add_option("--sim-fault-chips", batch.simFaultChips,
                        "Simulator: the chips (1,2,...) --sim-fault goes into (default: all)");
    return command;
}

namespace {

/// What a batch does once, before its first chip: the board found, the device
/// chosen, the image loaded and the serial field checked against the chip.
/// Returns the exit status of a failure, 0 to go on.
int PrepareBatch(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                 Session& session, std::ostream& err, Serials& serials, std::set<int>& faulty) {
    const CLI::App* command = cli.get_subcommand("batch");
    App& app = session.app();
    if (options.progress == "json") {
        // Its lines describe one command; a batch says each chip in a line of its own.
        err << "--progress json is for one chip command: batch prints a line per chip, and "
               "--json gives them all\n";
        return 2;
    }
    if (const int status = PrepareChipCommand(cli, command, options, session, err); status != 0)
        return status;
    // Loaded and checked once for the whole batch.
    if (const int status = LoadCommandImage(command, options, session, err); status != 0)
        return status;
    if (!app.ui.Program_button.enabled) {
        err << "The batch command is not available for " << app.dev.DeviceName << "\n";
        return 2;
    }
    if (const std::string bad = PrepareSerials(app, batch, serials); !bad.empty()) {
        err << bad << "\n";
        return 2;
    }
    std::string error;
    const auto chips = ParseFaultyChips(batch.simFaultChips, error);
    if (!chips) {
        err << error << "\n";
        return 2;
    }
    faulty = *chips;
    return 0;
}

/// --sim-save's name for chip `number`.
std::string ChipSaveName(const std::string& pattern, int number) {
    std::string path = pattern;
    path.replace(path.find(kChipNumberMark), std::string(kChipNumberMark).size(),
                 std::to_string(number));
    return path;
}

} // namespace

int RunBatchCommand(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                    Session& session, std::ostream& out, std::ostream& err, BatchSummary& summary) {
    App& app = session.app();
    Serials serials;
    std::set<int> faulty;
    if (const int status = PrepareBatch(cli, options, batch, session, err, serials, faulty);
        status != 0)
        return status;
    BatchRun run{app,
                 session,
                 options,
                 err,
                 std::move(serials),
                 std::move(faulty),
                 app.buf.CodeBuffer,
                 app.buf.CodeCoverage,
                 {},
                 app.dev.DeviceRow};
    if (const std::string bad = run.record.Open(batch.record); !bad.empty()) {
        err << bad << "\n";
        return 2;
    }
    const std::string& saveFile = session.SimSaveFile();
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    int status = 0;
    for (int number = 1; batch.count == 0 || summary.good < batch.count; ++number) {
        if (run.serials.field && run.serials.next > LargestSerial(*run.serials.field)) {
            err << "The serial number " << run.serials.next << " does not fit in the field: the "
                << "batch ends\n";
            status = 1;
            break;
        }
        if (terminal) err << "Insert chip " << number << " and press Enter (q to finish)\n";
        const std::optional<std::string> answer = ReadAnswer();
        if (!answer) break; // the end of the input, or a stop
        const std::string word = Trimmed(*answer);
        if (word == "q" || word == "Q") break;
        if (word == "s" || word == "S") {
            const BatchChip skipped = SkippedChip(number);
            out << skipped.line << "\n" << std::flush;
            ++summary.skipped;
            summary.chips.push_back(skipped);
            if (const std::string bad = run.record.Add(skipped, app.dev.DeviceName); !bad.empty()) {
                err << bad << "; the batch ends\n"; // as for a programmed chip
                status = 2;
                break;
            }
            continue;
        }
        BatchChip chip = ProgramOneChip(run, number);
        out << chip.line << "\n" << std::flush;
        if (saveFile.find(kChipNumberMark) != std::string::npos)
            if (const std::string bad = session.SaveSimChip(ChipSaveName(saveFile, number));
                !bad.empty())
                err << bad << "\n";
        if (const std::string bad = run.record.Add(chip, app.dev.DeviceName); !bad.empty()) {
            // A record that cannot be kept ends the batch: the next chips would go unrecorded.
            err << bad << "; the batch ends\n";
            status = 2;
        }
        CountSerial(run, chip, batch.serialBurnFailed);
        if (chip.result == "OK") {
            ++summary.good;
            if (run.serials.field && !run.serials.file.empty())
                if (const std::string bad = WriteFileAtomically(
                        run.serials.file, std::to_string(run.serials.next) + "\n");
                    !bad.empty()) {
                    err << "Could not keep the next serial number in " << run.serials.file << ": "
                        << bad << "; the batch ends\n";
                    status = 2;
                }
        } else if (chip.result == "FAILED") {
            ++summary.failed;
        }
        const bool stopped = chip.result == "STOPPED";
        const bool cancelled = chip.result == "CANCELLED";
        summary.chips.push_back(std::move(chip));
        if (stopped) {
            summary.stopped = true;
            break;
        }
        if (cancelled) {
            err << "The safety question was not answered OK: give --yes for a batch\n";
            status = 1;
            break;
        }
        if (status != 0) break;
    }
    if (StopRequested()) summary.stopped = true;
    if (run.serials.field) summary.nextSerial = run.serials.next;
    out << BatchSummaryLine(summary) << "\n" << std::flush;
    if (status != 0) return status;
    return summary.failed == 0 && !summary.stopped && summary.good > 0 ? 0 : 1;
}

struct BatchBoard::Run {
    BatchRun run;
};

BatchBoard::BatchBoard(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                       Session& session, std::ostream& err)
    : cli_(cli), options_(options), batch_(batch), session_(session), err_(err),
      serials_(std::make_unique<BatchSerials>()) {}

BatchBoard::~BatchBoard() = default;

int BatchBoard::Prepare() {
    std::set<int> faulty;
    if (const int status = PrepareBatch(cli_, options_, batch_, session_, err_, *serials_, faulty);
        status != 0)
        return status;
    App& app = session_.app();
    run_.reset(new Run{BatchRun{app,
                                session_,
                                options_,
                                err_,
                                *serials_,
                                std::move(faulty),
                                app.buf.CodeBuffer,
                                app.buf.CodeCoverage,
                                {},
                                app.dev.DeviceRow}});
    return 0;
}

BatchChip BatchBoard::Program(int number, std::optional<std::uint64_t> serial) {
    BatchRun& run = run_->run;
    // The number the shared count handed out, or none: the base image as it is.
    run.serials.field = serial ? serials_->field : std::nullopt;
    if (serial) run.serials.next = *serial;
    return ProgramOneChip(run, number);
}

std::string BatchBoard::SaveChip(int number, const std::string& pattern) const {
    if (pattern.find(kChipNumberMark) == std::string::npos) return {};
    return session_.SaveSimChip(ChipSaveName(pattern, number));
}

const std::string& BatchBoard::Device() const {
    return session_.app().dev.DeviceName;
}

struct SharedBatch::Parts {
    const BatchOptions& batch;
    std::mutex lock;
    ChipRecord record;
    Serials serials;
    std::set<std::uint64_t> givenBack; // handed out, not used by a good chip
};

// Braces: clang 14 has no aggregate initialisation from parentheses.
SharedBatch::SharedBatch(const BatchOptions& batch) : parts_(new Parts{batch, {}, {}, {}, {}}) {}

SharedBatch::~SharedBatch() = default;

std::string SharedBatch::Open(const BatchSerials& serials) {
    const std::lock_guard hold(parts_->lock);
    parts_->serials = serials;
    return parts_->record.Open(parts_->batch.record, true);
}

bool SharedBatch::TakeSerial(std::optional<std::uint64_t>& serial) {
    const std::lock_guard hold(parts_->lock);
    serial.reset();
    Serials& s = parts_->serials;
    if (!s.field) return true;
    auto& back = parts_->givenBack;
    if (!back.empty()) {
        serial = *back.begin();
        back.erase(back.begin());
        return true;
    }
    if (s.next > LargestSerial(*s.field)) return false;
    serial = s.next;
    // Past the largest number the next take says so; the sum must not wrap.
    s.next = s.next > std::numeric_limits<std::uint64_t>::max() - s.step
                 ? std::numeric_limits<std::uint64_t>::max()
                 : s.next + s.step;
    return true;
}

void SharedBatch::GiveBack(std::optional<std::uint64_t> serial) {
    if (!serial) return;
    const std::lock_guard hold(parts_->lock);
    parts_->givenBack.insert(*serial);
}

std::string SharedBatch::ChipDone(const BatchChip& chip, const std::string& device) {
    const std::lock_guard hold(parts_->lock);
    std::string error = parts_->record.Add(chip, device);
    if (!error.empty()) error += "; the batch ends";
    const Serials& s = parts_->serials;
    const bool used =
        chip.result == "OK" || (chip.result == "FAILED" && parts_->batch.serialBurnFailed);
    if (chip.serial && !used) parts_->givenBack.insert(*chip.serial);
    // The file holds the first number never handed out: a number given back and
    // not taken again before the batch ends is left out, never given twice.
    if (chip.serial && chip.result == "OK" && !s.file.empty())
        if (const std::string bad = WriteFileAtomically(s.file, std::to_string(s.next) + "\n");
            !bad.empty() && error.empty())
            error = "Could not keep the next serial number in " + s.file + ": " + bad +
                    "; the batch ends";
    return error;
}

std::optional<std::uint64_t> SharedBatch::NextSerial() {
    const std::lock_guard hold(parts_->lock);
    if (!parts_->serials.field) return std::nullopt;
    if (!parts_->givenBack.empty()) return *parts_->givenBack.begin();
    return parts_->serials.next;
}

} // namespace quorbit::cli
