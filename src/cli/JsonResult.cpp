#include "cli/JsonResult.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <string_view>

#include "app/App.h"
#include "catalog/Catalog.h"
#include "cli/Json.h"
#include "cli/Session.h"
#include "hw/StopRequest.h"
#include "session/Options.h"

namespace quorbit::cli {
namespace {

Json RangesArray(const std::vector<AddressRange>& ranges) {
    Json list = Json::array();
    for (const AddressRange& r : ranges)
        list.push_back({r.first, r.last});
    return list;
}

Json ImageObject(const ImageSummary& image) {
    return {{"bytes", image.held.Bytes()},
            {"ranges", RangesArray(image.held.Ranges())},
            {"crc32", image.digest.Crc32Text()},
            {"sha1", image.digest.Sha1Text()}};
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

std::string JsonResult::Conflict(bool imageToStdout, const std::string& imageFile) const {
    if (wanted_ && imageToStdout)
        return "--json and read -o " + imageFile + " both write standard output: give read a file";
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

namespace {

Json BatchObject(const BatchSummary& summary) {
    Json chips = Json::array();
    for (const BatchChip& chip : summary.chips) {
        Json& entry = chips.emplace_back(
            Json{{"chip", chip.chip},
                 {"time", chip.time},
                 {"serial", chip.serial ? Json(*chip.serial) : Json()},
                 {"result", chip.result},
                 {"image_crc32", chip.imageCrc32},
                 {"chip_crc32", chip.chipCrc32.empty() ? Json() : Json(chip.chipCrc32)},
                 {"failure_address", chip.failureAddress ? Json(*chip.failureAddress) : Json()},
                 {"seconds", chip.seconds}});
        if (!chip.port.empty()) entry["port"] = chip.port;
    }
    return {{"good", summary.good},
            {"failed", summary.failed},
            {"skipped", summary.skipped},
            {"stopped", summary.stopped},
            {"next_serial", summary.nextSerial ? Json(*summary.nextSerial) : Json()},
            {"chips", chips}};
}

} // namespace

int JsonResult::Finish(std::ostream& out, int status) {
    if (!wanted_) return status;
    out << Object(status) << "\n" << std::flush;
    return status;
}

std::string JsonResult::Object(int status) const {
    // Keys in the order the manual gives them.
    Json j;
    j["verb"] = verb_.empty() ? Json() : Json(verb_);
    j["device"] = device_ ? Json(*device_) : Json();
    // A stop taken up outside an operation (sum drives no board) stopped the run too.
    j["result"] = ResultWord(status, stopped_ || StopTaken(), outcome_);
    j["exit"] = status;
    if (image_) j["image"] = ImageObject(*image_);
    if (chip_)
        j["chip"] = {{"crc32", chip_->digest.Crc32Text()},
                     {"sha1", chip_->digest.Sha1Text()},
                     {"bytes", chip_->over.Bytes()},
                     {"ranges", RangesArray(chip_->over.Ranges())}};
    if (mismatches_)
        j["mismatches"] = {{"count", mismatches_->Bytes()},
                           {"range_count", mismatches_->RangeCount()},
                           {"ranges", RangesArray(mismatches_->Kept())}};
    if (failure_)
        j["failure"] = {
            {"address", failure_->address}, {"wrote", failure_->wrote}, {"read", failure_->read}};
    if (stop_) // what a stop left: the address reached, the chip, the board
        j["stop"] = {{"address", stop_->address}, {"chip", stop_->chip}, {"board", stop_->board}};
    if (board_) j["board"] = {{"model", board_->first}, {"port", board_->second}};
    if (devices_) {
        Json& devices = j["devices"] = Json::array();
        const auto& table = CatalogTable();
        for (int k = 1; k <= CatalogRowCount(); ++k) {
            const CatalogRow& row = table[static_cast<std::size_t>(k)];
            Json entry = {{"row", k},
                          {"name", row.name},
                          {"family", FamilyName(row.family)},
                          {"bytes", std::int64_t{row.sizeKB} * 1024},
                          {"selectable", row.selectable}};
            if (row.likeRow != 0) entry["like"] = row.likeRow; // a device file's row
            devices.push_back(std::move(entry));
        }
    }
    if (verb_ == "sum") {
        Json& images = j["images"] = Json::array();
        for (const ImageFile& f : images_) {
            Json entry = {{"file", f.file}};
            if (f.image) entry.update(ImageObject(*f.image));
            entry["ok"] = f.image.has_value();
            images.push_back(std::move(entry));
        }
    }
    if (batch_) j["batch"] = BatchObject(*batch_);
    if (!boards_.empty()) {
        Json& boards = j["boards"] = Json::array();
        for (const Board& board : boards_) {
            Json entry = {{"port", board.port}};
            entry.update(Json::parse(board.object));
            entry.erase("verb");
            entry.erase("elapsed_ms");
            boards.push_back(std::move(entry));
        }
    }
    j["port_accesses"] = portAccesses_ ? Json(*portAccesses_) : Json();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    j["elapsed_ms"] = elapsed.count();
    j["log"] = log_;
    return DumpJson(j);
}

} // namespace quorbit::cli
