#include "cli/JsonResult.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <string_view>

#include "app/App.h"
#include "catalog/Catalog.h"
#include "cli/JsonWriter.h"
#include "cli/Options.h"
#include "cli/Session.h"
#include "hw/StopRequest.h"

namespace quorbit::cli {
namespace {

void WriteRanges(JsonWriter& w, const std::vector<AddressRange>& ranges) {
    w.BeginArray();
    for (const AddressRange& r : ranges)
        w.BeginArray().Number(std::uint64_t{r.first}).Number(std::uint64_t{r.last}).EndArray();
    w.EndArray();
}

void WriteImage(JsonWriter& w, const ImageSummary& image) {
    w.Key("bytes").Number(image.held.Bytes());
    w.Key("ranges");
    WriteRanges(w, image.held.Ranges());
    w.Key("crc32").String(image.digest.Crc32Text());
    w.Key("sha1").String(image.digest.Sha1Text());
}

const char* ResultWord(int status, bool stopped, OpOutcome outcome) {
    if (status == 0) return "ok";
    if (stopped) return "stopped";
    if (outcome == OpOutcome::Cancelled) return "cancelled";
    if (status == 2 || outcome == OpOutcome::Refused || outcome == OpOutcome::BadImage)
        return "refused";
    return "failed";
}

} // namespace

ImageSummary SummaryOfCodeImage(const App& app) {
    return {app.buf.CodeCoverage, DigestOfCoverage(app.buf.CodeBuffer, app.buf.CodeCoverage)};
}

JsonResult::JsonResult(int argc, const char* const* argv)
    : start_(std::chrono::steady_clock::now()) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break; // what follows is a file name
        if (arg == "--json") wanted_ = true;
    }
}

void JsonResult::AddOption(CLI::App& cli) {
    cli.add_flag("--json", wanted_,
                 "When the command ends, print one JSON object with its result on standard "
                 "output (the log lines go to standard error)");
}

void JsonResult::PrepareOptions(GlobalOptions& options) const {
    if (!wanted_ || options.backend.countAccesses) return;
    options.backend.countAccesses = true;
    options.countQuietly = true;
}

std::string JsonResult::Conflict(const CLI::App& cli, const std::string& imageFile) const {
    if (wanted_ && cli.got_subcommand("read") && imageFile == "-")
        return "--json and read -o - both write standard output: give read a file";
    return {};
}

void JsonResult::Parsed(const CLI::App& cli) {
    for (const CLI::App* verb : cli.get_subcommands()) {
        verb_ = verb->get_name();
        for (const CLI::App* sub : verb->get_subcommands())
            verb_ += " " + sub->get_name();
    }
}

void JsonResult::Watch(Session& session) {
    App& app = session.app();
    auto echo = app.onLogLine;
    app.onLogLine = [this, echo](const std::string& line) {
        log_.push_back(line);
        if (echo) echo(line);
    };
}

void JsonResult::Capture(Session& session) {
    const App& app = session.app();
    if (app.dev.DeviceRow >= 0) device_ = app.dev.DeviceName;
    outcome_ = app.ops.Outcome;
    stopped_ = app.handlerFailed;
    const bool loadsImage = verb_ == "verify" || verb_ == "program";
    if (loadsImage && app.buf.CodeBufferLoaded == 1) image_ = SummaryOfCodeImage(app);
    chip_ = app.ops.ChipRead;
    if (app.ops.Mismatches.Bytes() > 0) mismatches_ = app.ops.Mismatches;
    failure_ = app.ops.ProgramFailure;
    stop_ = app.ops.LastStop;
    portAccesses_ = session.PortAccesses();
    if (verb_ == "detect" && session.BoardKnown())
        board_ = std::make_pair(app.board.BoardModel, app.board.DataPort);
}

void JsonResult::ListDevices() {
    devices_ = true;
}

void JsonResult::AddImageFile(const std::string& file, const std::optional<ImageSummary>& image) {
    images_.push_back({file, image});
}

int JsonResult::Finish(std::ostream& out, int status) {
    if (!wanted_) return status;
    JsonWriter w;
    w.BeginObject();
    w.Key("verb");
    verb_.empty() ? w.Null() : w.String(verb_);
    w.Key("device");
    device_ ? w.String(*device_) : w.Null();
    // A stop request that came after the last operation (or during sum, which
    // drives no board) still stopped the run.
    w.Key("result").String(ResultWord(status, stopped_ || StopRequested(), outcome_));
    w.Key("exit").Number(std::int64_t{status});
    if (image_) {
        w.Key("image").BeginObject();
        WriteImage(w, *image_);
        w.EndObject();
    }
    if (chip_) {
        w.Key("chip").BeginObject();
        w.Key("crc32").String(chip_->digest.Crc32Text());
        w.Key("sha1").String(chip_->digest.Sha1Text());
        w.Key("bytes").Number(chip_->over.Bytes());
        w.Key("ranges");
        WriteRanges(w, chip_->over.Ranges());
        w.EndObject();
    }
    if (mismatches_) {
        w.Key("mismatches").BeginObject();
        w.Key("count").Number(mismatches_->Bytes());
        w.Key("range_count").Number(mismatches_->RangeCount());
        w.Key("ranges");
        WriteRanges(w, mismatches_->Kept());
        w.EndObject();
    }
    if (failure_) {
        w.Key("failure").BeginObject();
        w.Key("address").Number(std::int64_t{failure_->address});
        w.Key("wrote").Number(std::uint64_t{failure_->wrote});
        w.Key("read").Number(std::uint64_t{failure_->read});
        w.EndObject();
    }
    if (stop_) { // what a stop left: the address reached, the chip, the board
        w.Key("stop").BeginObject();
        w.Key("address").Number(std::int64_t{stop_->address});
        w.Key("chip").String(stop_->chip);
        w.Key("board").String(stop_->board);
        w.EndObject();
    }
    if (board_) {
        w.Key("board").BeginObject();
        w.Key("model").Number(std::int64_t{board_->first});
        w.Key("port").Number(std::int64_t{board_->second});
        w.EndObject();
    }
    if (devices_) {
        w.Key("devices").BeginArray();
        const auto& table = CatalogTable();
        for (int k = 1; k <= kCatalogRows; ++k) {
            const CatalogRow& row = table[static_cast<std::size_t>(k)];
            w.BeginObject();
            w.Key("row").Number(std::int64_t{k});
            w.Key("name").String(row.name);
            w.Key("family").String(FamilyName(row.family));
            w.Key("bytes").Number(std::int64_t{row.sizeKB} * 1024);
            w.Key("selectable").Bool(row.selectable);
            w.EndObject();
        }
        w.EndArray();
    }
    if (verb_ == "sum") {
        w.Key("images").BeginArray();
        for (const ImageFile& f : images_) {
            w.BeginObject();
            w.Key("file").String(f.file);
            if (f.image) WriteImage(w, *f.image);
            w.Key("ok").Bool(f.image.has_value());
            w.EndObject();
        }
        w.EndArray();
    }
    w.Key("port_accesses");
    portAccesses_ ? w.Number(*portAccesses_) : w.Null();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    w.Key("elapsed_ms").Number(std::int64_t{elapsed.count()});
    w.Key("log").BeginArray();
    for (const std::string& line : log_)
        w.String(line);
    w.EndArray();
    w.EndObject();
    out << w.Text() << "\n" << std::flush;
    return status;
}

} // namespace quorbit::cli
