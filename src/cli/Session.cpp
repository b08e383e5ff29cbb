#include "cli/Session.h"

#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "app/Shell.h"
#include "hw/SafeFile.h"
#include "hw/StopRequest.h"
#include "hw/backends/CountingPort.h"
#include "hw/backends/TracePort.h"
#include "session/Program.h"
#include "session/SimSocket.h"
#include "session/Startup.h"
#include "sim/BoardFaults.h"
#include "sim/SimBoard.h"

namespace quorbit::cli {

Session::Session(const GlobalOptions& options, std::ostream& out)
    : Session(options, out, std::cerr) {}

Session::Session(const GlobalOptions& options, std::ostream& out, std::ostream& err)
    : options_(options), out_(out), err_(err), dialogs_(options.assumeYes, &err) {
    backend_ = OpenBackend(options.backend);
    for (const auto& warning : backend_.warnings)
        err_ << warning << "\n";
    for (const auto& seeded : options.notes)
        err_ << seeded << "\n";
    if (const std::string note = ConfigFolderNote(options); !note.empty()) err_ << note << "\n";
    Services services;
    try {
        services = BackendServices(backend_, options);
    } catch (const std::invalid_argument&) {
        // Refused before the board was touched: the run writes nothing, no trace either.
        if (backend_.trace) backend_.trace->Abandon();
        throw;
    }
    services.clock = &clock_;
    services.sound = &sound_;
    services.dialogs = &dialogs_;
    services.settings = &settings_;
    app_ = MakeProgram(services);
    app_->RunGuarded(Form_Load);
    // Start-up's own lines are not echoed (the command repeats the scan), but a
    // broken link is: it ends the run, and the log must show why.
    const std::string& log = app_->ui.SystemLog.caption;
    if (app_->handlerFailed) out_ << log.substr(log.rfind('\n') + 1) << "\n" << std::flush;
    app_->onLogLine = [this](const std::string& line) { out_ << line << "\n" << std::flush; };
}

Session::~Session() {
    Close();
}

bool Session::Close() {
    if (closed_) return true;
    closed_ = true;
    // A stop still pending came when nothing was left to stop: the run keeps its
    // outcome, and the closing reset below reaches the board all the same.
    Form_Unload(*app_);
    bool written = true;
    if (backend_.trace) {
        if (const std::string lost = backend_.trace->Finish(); !lost.empty()) err_ << lost << "\n";
        written = backend_.trace->Lost().empty();
    }
    // The folder named by --config-dir is the only one: a port file that could not
    // be written there (said when it failed) is an output of the run that is lost.
    if (!options_.configDir.empty() && !app_->PortFileFailure.empty()) written = false;
    // A batch names one file per chip ({n}) and has saved each chip itself.
    const bool savedPerChip =
        options_.backend.sim.saveFile.find(kChipNumberMark) != std::string::npos;
    const std::string error =
        savedPerChip ? std::string() : SaveSimulatedChip(backend_, options_.backend.sim);
    // The whole run, start-up and the closing reset included, as a real port would take it.
    if (backend_.counter && !options_.countQuietly)
        out_ << EstimateText(backend_.counter->Counts(), options_.backend.stepNs) << std::flush;
    if (!error.empty()) err_ << error << "\n";
    // An output whose writing the operator's stop ended has taken the stop up.
    if ((backend_.trace && backend_.trace->LostToStop()) || error.ends_with(kStoppedByOperator))
        AcknowledgeStop();
    return written && error.empty();
}

int Session::FailedStepStatus() const {
    return TraceFailed() || !app_->linkFailed ? 2 : 1;
}

bool Session::TraceFailed() const {
    return backend_.trace && !backend_.trace->Lost().empty() && !backend_.trace->LostToStop();
}

bool Session::BoardKnown() const {
    const Board& b = app_->board;
    const bool model = b.BoardModel == 4 || b.BoardModel == 5 || b.BoardModel == 6;
    return model && b.DataPort != 0 && !app_->handlerFailed;
}

std::optional<std::int64_t> Session::PortAccesses() const {
    if (!backend_.counter) return std::nullopt;
    return backend_.counter->Counts().accesses;
}

bool Session::InsertNextSimChip(int row, bool faulty) {
    if (!backend_.simBoard) return false;
    InsertFreshChip(*backend_.simBoard, options_.backend.sim, row, faulty);
    return true;
}

std::string Session::SaveSimChip(const std::string& path) const {
    SimSetup setup = options_.backend.sim;
    setup.saveFile = path;
    return SaveSimulatedChip(backend_, setup);
}

void Session::SelectBoard() {
    app_->handlerFailed = false;
    ApplyBoardOptions(*app_, options_, true);
}

} // namespace quorbit::cli
