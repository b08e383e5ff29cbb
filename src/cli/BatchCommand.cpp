#include "cli/BatchCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>
#include <set>
#include <sstream>

#include <poll.h>
#include <unistd.h>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "cli/Commands.h"
#include "cli/JsonResult.h"
#include "cli/Session.h"
#include "hw/StopRequest.h"

namespace quorbit::cli {

namespace {

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

} // namespace

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
    command->add_option("--sim-fault-chips,--sim-fault-chip", batch.simFaultChips,
                        "Simulator: the chips (1,2,...) --sim-fault goes into (default: all)");
    return command;
}

namespace {

/// What a batch does once, before its first chip: the board found, the device
/// chosen and the image loaded. Returns the exit status of a failure, 0 to go on.
int PrepareBatch(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                 Session& session, std::ostream& err, std::set<int>& faulty) {
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
    if (!app.ui.programButton.enabled) {
        err << "The batch command is not available for " << app.dev.DeviceName << "\n";
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

/// The run of one board: each chip a fresh simulated one (the fault only in the
/// chips named), programmed as the Program button does.
std::unique_ptr<ProductionRun> MakeRun(Session& session, const CommandOptions& options,
                                       BatchOptions batch, std::set<int> faulty,
                                       std::ostream& err) {
    App& app = session.app();
    const int row = app.dev.DeviceRow;
    auto insert = [&session, row, faulty = std::move(faulty)](int number) {
        session.InsertNextSimChip(row, faulty.empty() || faulty.count(number) != 0);
    };
    auto press = [&app, &err, &options] {
        PressChipButton(app, app.ui.programButton, "Programming", err, options.progress);
    };
    return std::make_unique<ProductionRun>(app, std::move(batch), std::move(insert),
                                           std::move(press));
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
    std::set<int> faulty;
    if (const int status = PrepareBatch(cli, options, batch, session, err, faulty); status != 0)
        return status;
    const std::unique_ptr<ProductionRun> run =
        MakeRun(session, options, batch, std::move(faulty), err);
    if (const std::string bad = run->Prepare(); !bad.empty()) {
        err << bad << "\n";
        return 2;
    }
    const std::string& saveFile = session.SimSaveFile();
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    int status = 0;
    while (!run->CountReached()) {
        if (const std::string used = run->Exhausted(); !used.empty()) {
            err << used << ": the batch ends\n";
            status = 1;
            break;
        }
        const int number = run->NextNumber();
        if (terminal) err << "Insert chip " << number << " and press Enter (q to finish)\n";
        const std::optional<std::string> answer = ReadAnswer();
        if (!answer) break; // the end of the input, or a stop
        const std::string word = Trimmed(*answer);
        if (word == "q" || word == "Q") break;
        const bool skip = word == "s" || word == "S";
        const BatchChip chip = skip ? run->SkipChip() : run->ProgramChip();
        out << chip.line << "\n" << std::flush;
        if (!skip && saveFile.find(kChipNumberMark) != std::string::npos)
            if (const std::string bad = session.SaveSimChip(ChipSaveName(saveFile, number));
                !bad.empty())
                err << bad << "\n";
        // A record or serial file that cannot be kept ends the batch: the next
        // chips would go unrecorded, or take a number again tomorrow.
        if (const std::string bad = run->ChipDone(chip); !bad.empty()) {
            err << bad << "; the batch ends\n";
            status = 2;
        }
        if (chip.result == "STOPPED") break;
        if (chip.result == "CANCELLED") {
            err << "The safety question was not answered OK: give --yes for a batch\n";
            status = 1;
            break;
        }
        if (status != 0) break;
    }
    summary = run->Finish();
    out << BatchSummaryLine(summary) << "\n" << std::flush;
    if (status != 0) return status;
    return summary.failed == 0 && !summary.stopped && summary.good > 0 ? 0 : 1;
}

struct BatchBoard::Run {
    std::unique_ptr<ProductionRun> run;
};

BatchBoard::BatchBoard(CLI::App& cli, const CommandOptions& options, const BatchOptions& batch,
                       Session& session, std::ostream& err)
    : cli_(cli), options_(options), batch_(batch), session_(session), err_(err),
      serials_(std::make_unique<BatchSerials>()) {}

BatchBoard::~BatchBoard() = default;

int BatchBoard::Prepare() {
    std::set<int> faulty;
    if (const int status = PrepareBatch(cli_, options_, batch_, session_, err_, faulty);
        status != 0)
        return status;
    BatchOptions own = batch_;
    own.record.clear(); // the boards share one record, kept by SharedBatch
    run_ = std::make_unique<Run>(Run{MakeRun(session_, options_, own, std::move(faulty), err_)});
    if (const std::string bad = run_->run->Prepare(); !bad.empty()) {
        err_ << bad << "\n";
        return 2;
    }
    *serials_ = run_->run->Serials();
    return 0;
}

BatchChip BatchBoard::Program(int number, std::optional<std::uint64_t> serial) {
    return run_->run->ProgramChipAs(number, serial);
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
    BatchSerials serials;
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
    BatchSerials& s = parts_->serials;
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
    const BatchSerials& s = parts_->serials;
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
