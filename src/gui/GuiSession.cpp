#include "gui/GuiSession.h"

#include <CLI/CLI.hpp>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "app/Shell.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"
#include "gui/AppIcon.h"
#include "gui/QtDesktop.h"
#include "link/FastPortAccess.h"
#include "session/DeviceFileChoice.h"
#include "session/Program.h"
#include "session/SimSocket.h"

namespace quorbit::gui {
namespace {

void ShowStartFailure(const std::string& text) {
    std::cerr << text << "\n";
    QMessageBox::critical(nullptr, QString::fromLatin1(kAppTitle), QString::fromStdString(text));
}

} // namespace

OpenedBackend OpenWindowBackend(const BackendOptions& options, std::string& note) {
    if (options.choice != "auto") return OpenBackend(options);
    BackendOptions chosen = options;
    std::error_code ec;
    const bool portFound = std::filesystem::exists(options.ppdev378, ec);
    if (portFound && DescribesSimulatedChip(options.sim))
        throw PortError("--sim-chip, --sim-image, --sim-fault and --sim-save describe the "
                        "simulated board, but a parallel port was found (" +
                        options.ppdev378 + "): add --backend sim to use the simulator");
    if (portFound) {
        chosen.choice = "ppdev";
        try {
            return OpenBackend(chosen);
        } catch (const PortError& e) {
            note = "The parallel port " + options.ppdev378 + " could not be opened (" + e.what() +
                   "): running on the simulated board.";
        }
    } else {
        note = "No parallel port (" + options.ppdev378 +
               ") on this machine: running on the "
               "simulated board.";
    }
    chosen.choice = "sim";
    return OpenBackend(chosen);
}

GuiSession::GuiSession(const GlobalOptions& options)
    : options_(options), sound_(QString::fromStdString(ExecutableFolder())),
      settings_(QString::fromLatin1(kAppTitle), QString::fromLatin1(kAppTitle)) {
    // Before the device list is built: the window opens with the built-in rows
    // alone when the file is refused, and says why once it is shown.
    const std::string deviceFileProblem = LoadDeviceFile(options);
    std::string note;
    backend_ = OpenWindowBackend(options.backend, note);
    for (const auto& warning : backend_.warnings)
        note += (note.empty() ? "" : "\n") + warning;
    for (const auto& seeded : options.notes)
        note += (note.empty() ? "" : "\n") + seeded;
    if (const std::string folder = ConfigFolderNote(options); !folder.empty())
        note += (note.empty() ? "" : "\n") + folder;

    Services services = BackendServices(backend_, options);
    services.clock = &clock_;
    services.sound = &sound_;
    services.dialogs = &dialogs_;
    services.settings = &settings_;
    app_ = MakeProgram(services);

    window_ = std::make_unique<MainWindow>(*app_);
    production_ = std::make_unique<ProductionPanel>(*app_, FreshChips());
    window_->desktop().SetProduction(production_.get());
    dialogs_.SetOwner(window_.get());
    dialogs_.SetSettings(&settings_);
    window_->SetPortNote(QString::fromStdString(note));
    window_->Load();
    if (!deviceFileProblem.empty())
        dialogs_.MsgBox("The device file was refused, none of its devices added:\r\n" +
                            deviceFileProblem,
                        "Device File", MsgIcon::Exclamation, MsgButtons::Ok, 0);
    if (app_->PortFileFastPort) SetFastPortAccess(*app_, true);
    ApplyBoardOptions(*app_, options_, false);
    ChooseSimulatedChip();
    window_->UpdatePortPanel();
    window_->Sync();
}

void GuiSession::ChooseSimulatedChip() {
    // The chip put into the simulated socket is the device the operator works on.
    const std::string& chip = options_.backend.sim.chip;
    if (chip.empty() || !backend_.simBoard) return;
    const auto row = FindCatalogRow(chip);
    if (!row || !CatalogTable().at(static_cast<std::size_t>(*row)).selectable) return;
    SelectDevice(*app_, *row);
}

std::function<void(int, int)> GuiSession::FreshChips() const {
    if (!backend_.simBoard) return nullptr; // on a real board the operator changes chips
    SimSetup setup = options_.backend.sim;
    setup.chip.clear(); // each chip is of the device the operator chose
    setup.saveFile.clear();
    return [board = backend_.simBoard, setup](int row, int) {
        InsertFreshChip(*board, setup, row, true);
    };
}

GuiSession::~GuiSession() = default;

std::string GuiSession::Finish() {
    return SaveSimulatedChip(backend_, options_.backend.sim);
}

namespace {

void AddWindowOptions(CLI::App& cli, GlobalOptions& options) {
    AddVersionAndLicence(cli, "quorbit");
    options.backend.choice = "auto";
    AddBackendOptions(cli, options);
    AddBoardOptions(cli, options);
    cli.get_option("--backend")
        ->description("Port backend: auto (the parallel port when there is one, else the "
                      "simulated board), sim, ppdev[:/dev/parportN], direct or exec:COMMAND");
}

/// --help and --version are answered before the window system is asked for, so
/// that they work without a display. Qt's own options are not known yet, so only
/// these flags are looked for. Empty when neither was given.
std::optional<int> AnswerWithoutWindow(CLI::App& cli, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break; // what follows is not an option
        if (arg != "-h" && arg != "--help" && arg != "--version") continue;
        const char* only[] = {argv[0], argv[i]};
        try {
            cli.parse(2, only);
        } catch (const CLI::ParseError& e) {
            return cli.exit(e, std::cout, std::cerr);
        }
    }
    return std::nullopt;
}

} // namespace

int RunWindow(int argc, char** argv) {
    CLI::App cli{"quorbit: the QUORBIT-4/5/6 device programmer window"};
    GlobalOptions options;
    AddWindowOptions(cli, options);
    if (const auto answered = AnswerWithoutWindow(cli, argc, argv)) return *answered;

    QApplication qapp(argc, argv); // takes the window system's own arguments out
    QApplication::setOrganizationName(QString::fromLatin1(kAppTitle));
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QApplication::setApplicationVersion(QStringLiteral(QUORBIT_VERSION));
    QApplication::setWindowIcon(AppIcon());

    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments())
        args.push_back(arg.toStdString());
    std::vector<const char*> argvLeft;
    for (const std::string& arg : args)
        argvLeft.push_back(arg.c_str());
    try {
        cli.parse(static_cast<int>(argvLeft.size()), argvLeft.data());
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        const int code = cli.exit(e, out, err);
        std::cout << out.str();
        if (code == 0) return 0;
        ShowStartFailure(err.str());
        return 2;
    }
    if (const std::string problem = FinishOptions(options, true); !problem.empty()) {
        ShowStartFailure(problem);
        return 2;
    }

    std::unique_ptr<GuiSession> session;
    try {
        session = std::make_unique<GuiSession>(options);
    } catch (const std::exception& e) {
        ShowStartFailure(e.what());
        return 2;
    }
    session->window().show();
    const int status = QApplication::exec();
    if (const std::string problem = session->Finish(); !problem.empty()) {
        ShowStartFailure(problem);
        return 1;
    }
    return status;
}

} // namespace quorbit::gui
