#include "session/Production.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <limits>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "app/App.h"
#include "app/TextFile.h"
#include "buffers/Checksums.h"
#include "catalog/Catalog.h"
#include "hw/StopRequest.h"

namespace quorbit {

namespace {

constexpr const char* kRecordHeader =
    "time,chip,serial,device,result,image_crc32,chip_crc32,failure_address,seconds\n";
// With several boards each line names its board too.
constexpr const char* kBoardsRecordHeader =
    "time,chip,serial,device,result,image_crc32,chip_crc32,failure_address,seconds,port\n";

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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

/// The bytes of the chip a serial field may lie in, in image addresses (the
/// chip's own size: a loaded file changes the device size the log shows).
std::uint64_t ImageReach(const App& app) {
    const bool half =
        app.ui.byteChoiceButtons[1].selected() || app.ui.byteChoiceButtons[2].selected();
    const CatalogRow& row = CatalogTable()[static_cast<std::size_t>(app.dev.DeviceRow)];
    return std::uint64_t{static_cast<std::uint64_t>(row.sizeKB)} * 1024 * (half ? 2 : 1);
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

/// The chip's result and line, from what the Program command left.
void JudgeChip(const App& app, BatchChip& chip) {
    const bool good = !app.handlerFailed && app.ops.Outcome == OpOutcome::Success;
    if (good && app.ops.ChipRead) chip.chipCrc32 = app.ops.ChipRead->digest.Crc32Text();
    std::string line = "chip " + std::to_string(chip.chip) + ": ";
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
    chip.line = line + ", " + Seconds(chip.seconds, 1) + " s";
}

} // namespace

ChipRecord::~ChipRecord() {
    if (fd_ >= 0) ::close(fd_);
}

std::string ChipRecord::Open(const std::string& path, bool ports) {
    if (path.empty()) return {};
    // With ports its first line is read back: the header must have the column.
    fd_ = ::open(path.c_str(), (ports ? O_RDWR : O_WRONLY) | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
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

std::string RecordLine(const BatchChip& chip, const std::string& device) {
    return chip.time + "," + std::to_string(chip.chip) + "," +
           (chip.serial ? SerialText(*chip.serial) : "") + "," + CsvField(device) + "," +
           chip.result + "," + chip.imageCrc32 + "," + chip.chipCrc32 + "," +
           (chip.failureAddress ? Hex(*chip.failureAddress) + "h" : "") + "," +
           Seconds(chip.seconds, 3);
}

std::string ChipRecord::Add(const BatchChip& chip, const std::string& device) {
    if (fd_ < 0) return {};
    return Append(RecordLine(chip, device) + (ports_ ? "," + chip.port : std::string()) + "\n");
}

std::string ChipRecord::Append(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd_, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return "Could not write the record " + path_ + ": " + std::strerror(errno);
        done += static_cast<std::size_t>(wrote);
    }
    // On the disk before the next chip: a power cut loses at most the chip in hand.
    if (::fsync(fd_) != 0)
        return "Could not write the record " + path_ + ": " + std::strerror(errno);
    return {};
}

std::string ReadSerialFile(const std::string& path, std::uint64_t& next,
                           const BatchOptionNames& names) {
    std::ifstream in(path);
    if (!in) return {}; // a new file: the run starts at the first number
    std::string text;
    std::getline(in, text);
    text = Trimmed(text);
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || ec != std::errc() || at != end)
        return names.serialFile + " " + path + " does not hold a serial number (it reads \"" +
               text + "\"): give another file, or mend it";
    next = value;
    return {};
}

std::string PrepareSerials(const App& app, const BatchOptions& batch, BatchSerials& serials,
                           const BatchOptionNames& names) {
    serials.next = batch.serialStart;
    serials.step = batch.serialStep;
    serials.file = batch.serialFile;
    if (batch.serial.empty()) {
        if (!batch.serialFile.empty()) return names.serialFile + " needs " + names.serial;
        return {};
    }
    std::string error;
    serials.field = ParseSerialField(batch.serial, error);
    if (!serials.field) return names.serial + " " + error;
    const SerialField& f = *serials.field;
    if (std::uint64_t{f.address} + static_cast<std::uint64_t>(f.length) > ImageReach(app))
        return names.serial + " " + batch.serial + ": the field " + Hex(f.address) + "h-" +
               Hex(f.address + static_cast<std::uint32_t>(f.length) - 1) + "h lies outside the " +
               app.dev.DeviceName + " (" + std::to_string(ImageReach(app)) + " bytes)";
    if (!serials.file.empty())
        if (std::string bad = ReadSerialFile(serials.file, serials.next, names); !bad.empty())
            return bad;
    const std::uint64_t largest = LargestSerial(f);
    // With a count the last good chip's number is known: it must fit too.
    std::uint64_t last = serials.next;
    if (batch.count > 1) {
        const std::uint64_t more = static_cast<std::uint64_t>(batch.count - 1);
        last = serials.step != 0 &&
                       more > (std::numeric_limits<std::uint64_t>::max() - last) / serials.step
                   ? std::numeric_limits<std::uint64_t>::max()
                   : last + more * serials.step;
    }
    if (serials.next > largest || last > largest)
        return names.serial + " " + batch.serial + ": the number " +
               std::to_string(last > largest && serials.next <= largest ? last : serials.next) +
               " does not fit in " + std::to_string(f.length) + " bytes as " +
               SerialFormatName(f.format) + " (the largest is " + std::to_string(largest) + ")";
    return {};
}

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

std::string IsoTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

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

ProductionRun::ProductionRun(App& app, BatchOptions options,
                             std::function<void(int number)> insertChip,
                             std::function<void()> press)
    : app_(app), options_(std::move(options)), insertChip_(std::move(insertChip)),
      press_(std::move(press)) {}

std::string ProductionRun::Prepare(const BatchOptionNames& names) {
    if (std::string bad = PrepareSerials(app_, options_, serials_, names); !bad.empty()) return bad;
    base_ = app_.buf.CodeBuffer;
    baseHeld_ = app_.buf.CodeCoverage;
    return record_.Open(options_.record);
}

std::string ProductionRun::Exhausted() const {
    if (serials_.field && serials_.next > LargestSerial(*serials_.field))
        return "The serial number " + std::to_string(serials_.next) + " does not fit in the field";
    return {};
}

bool ProductionRun::CountReached() const {
    return options_.count > 0 && summary_.good >= options_.count;
}

BatchChip ProductionRun::ProgramChip() {
    const int number = next_++;
    return ProgramChipAs(number, serials_.field ? std::optional(serials_.next) : std::nullopt);
}

BatchChip ProductionRun::ProgramChipAs(int number, std::optional<std::uint64_t> serial) {
    BatchChip chip;
    chip.chip = number;
    chip.time = IsoTimeNow();
    const auto started = std::chrono::steady_clock::now();
    if (insertChip_) insertChip_(chip.chip);
    if (serials_.field && serial) {
        chip.serial = serial;
        PutSerial(app_, base_, baseHeld_, *serials_.field, *serial);
    } else {
        app_.buf.CodeBuffer = base_;
        app_.buf.CodeCoverage = baseHeld_;
    }
    chip.imageCrc32 = DigestOfCoverage(app_.buf.CodeBuffer, app_.buf.CodeCoverage).Crc32Text();
    app_.ops.Mismatches.Clear();
    press_();
    chip.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    JudgeChip(app_, chip);
    return chip;
}

BatchChip ProductionRun::SkipChip() {
    return SkippedChip(next_++);
}

std::string ProductionRun::ChipDone(const BatchChip& chip) {
    std::string error = record_.Add(chip, app_.dev.DeviceName);
    const bool used = chip.result == "OK" || (chip.result == "FAILED" && options_.serialBurnFailed);
    if (chip.serial && used) serials_.next += serials_.step;
    if (chip.result == "OK") {
        ++summary_.good;
        // Kept after each good chip: a run continued tomorrow repeats no number.
        if (serials_.field && !serials_.file.empty())
            if (const std::string bad =
                    WriteFileAtomically(serials_.file, std::to_string(serials_.next) + "\n");
                !bad.empty())
                error += (error.empty() ? "" : "\n") +
                         ("Could not keep the next serial number in " + serials_.file + ": " + bad);
    } else if (chip.result == "FAILED") {
        ++summary_.failed;
    } else if (chip.result == "SKIPPED") {
        ++summary_.skipped;
    } else if (chip.result == "STOPPED") {
        summary_.stopped = true;
    }
    summary_.chips.push_back(chip);
    return error;
}

const BatchSummary& ProductionRun::Finish() {
    if (StopRequested()) summary_.stopped = true;
    if (serials_.field) summary_.nextSerial = serials_.next;
    return summary_;
}

} // namespace quorbit
