#include "cli/Session.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "app/Shell.h"
#include "app/TextFile.h"
#include "catalog/Catalog.h"
#include "cli/SimSocket.h"
#include "hw/Detection.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"

namespace quorbit::cli {
namespace {

/// The simulator's chip options describe the chip named by --sim-chip on the
/// simulated board; given otherwise they would be silently ignored.
void CheckSimulatorOptions(const GlobalOptions& options) {
    const SimSetup& sim = options.backend.sim;
    const bool describesChip = !sim.imageFile.empty() || !options.simFault.empty();
    if (options.backend.spec != "sim" && (describesChip || !sim.chip.empty()))
        throw std::invalid_argument(
            "--sim-chip, --sim-image and --sim-fault need the simulated board (--backend sim)");
    if (sim.chip.empty() && describesChip)
        throw std::invalid_argument(
            "--sim-image and --sim-fault describe the chip named by --sim-chip: name it");
}

} // namespace

Session::Session(const GlobalOptions& options, std::ostream& out)
    : options_(options), out_(out), dialogs_(options.assumeYes) {
    CheckSimulatorOptions(options);
    backend_ = OpenBackend(options.backend);
    if (backend_.simBoard && !options.backend.sim.chip.empty())
        backend_.simBoard->Insert(MakeSocketChip(options.backend.sim, options.simFault));
    Services services;
    services.port = backend_.io.get();
    services.clock = &clock_;
    services.sound = &sound_;
    services.dialogs = &dialogs_;
    services.settings = &settings_;
    services.simBoard = backend_.simBoard;
    services.simChipFixed = backend_.simBoard && !options.backend.sim.chip.empty();
    services.appFolder = options.configDir.empty() ? ExecutableFolder() : options.configDir;
    services.userConfigFolder = UserConfigFolder();
    services.workFolder = std::filesystem::current_path().string();
    app_ = std::make_unique<App>(services);
    app_->RunGuarded(Form_Load);
    app_->onLogLine = [this](const std::string& line) { out_ << line << "\n" << std::flush; };
}

Session::~Session() {
    Form_Unload(*app_);
    const std::string& saveFile = options_.backend.sim.saveFile;
    if (backend_.simBoard && backend_.simBoard->Chip() && !saveFile.empty()) {
        const auto& mem = backend_.simBoard->Chip()->Memory();
        const std::string error =
            WriteFileAtomically(saveFile, std::string(mem.begin(), mem.end()));
        if (!error.empty())
            std::cerr << "Could not save the simulated chip to " << saveFile << ": " << error
                      << "\n";
    }
}

bool Session::BoardKnown() const {
    const Board& b = app_->board;
    const bool model = b.BoardModel == 4 || b.BoardModel == 5 || b.BoardModel == 6;
    return model && b.DataPort != 0 && !app_->handlerFailed;
}

void Session::SelectBoard() {
    App& app = *app_;
    app.handlerFailed = false;
    if (!options_.basePort.empty()) {
        std::uint16_t port = 0;
        ParseBasePort(options_.basePort, port);
        const std::size_t index = port == 0x378 ? 0 : port == 0x278 ? 1 : 2;
        SetOption(app.ui.LPTGroup(), index, true);
    }
    if (options_.model == "auto") {
        Fire(app.ui.TestHardware_button.onClick);
    } else if (options_.model == "4") {
        Fire(app.ui.ForceQuorbit4.onClick);
    } else if (options_.model == "5") {
        Fire(app.ui.ForceQuorbit5.onClick);
    } else if (options_.model == "6") {
        Fire(app.ui.ForceQuorbit6.onClick);
    }
}

} // namespace quorbit::cli
