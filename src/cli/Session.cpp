#include "cli/Session.h"

#include <filesystem>
#include <iostream>

#include "app/Shell.h"

namespace quorbit::cli {

Session::Session(const GlobalOptions& options, std::ostream& out)
    : options_(options), out_(out), dialogs_(options.assumeYes) {
    backend_ = OpenBackend(options.backend);
    for (const auto& warning : backend_.warnings)
        std::cerr << warning << "\n";
    for (const auto& note : options.notes)
        std::cerr << note << "\n";
    Services services = BackendServices(backend_, options);
    services.clock = &clock_;
    services.sound = &sound_;
    services.dialogs = &dialogs_;
    services.settings = &settings_;
    app_ = std::make_unique<App>(services);
    app_->RunGuarded(Form_Load);
    app_->onLogLine = [this](const std::string& line) { out_ << line << "\n" << std::flush; };
}

Session::~Session() {
    Form_Unload(*app_);
    const std::string error = SaveSimulatedChip(backend_, options_.backend.sim);
    if (!error.empty()) std::cerr << error << "\n";
}

bool Session::BoardKnown() const {
    const Board& b = app_->board;
    const bool model = b.BoardModel == 4 || b.BoardModel == 5 || b.BoardModel == 6;
    return model && b.DataPort != 0 && !app_->handlerFailed;
}

void Session::SelectBoard() {
    app_->handlerFailed = false;
    ApplyBoardOptions(*app_, options_, true);
}

} // namespace quorbit::cli
