#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>

#include "app/App.h"
#include "app/Shell.h"
#include "buffers/BinaryFiles.h"
#include "buffers/ImageFormats.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"
#include "cli/DeviceName.h"
#include "cli/ImageOptions.h"
#include "cli/Progress.h"
#include "cli/Session.h"
#include "cli/SetupCommand.h"
#include "hw/StopRequest.h"

namespace quorbit::cli {
namespace {

enum class Verb { None, Read, Blank, Verify, Program, Id, Erase };

/// A verb and the window button it presses.
struct VerbInfo {
    Verb verb;
    const char* name;
    const char* progressLabel;
    Control Controls::*button;
    /// Loads the image file into the code buffer before pressing the button.
    bool loadsImage;
};

const VerbInfo kVerbs[] = {
    {Verb::Read, "read", "Reading", &Controls::readButton, false},
    {Verb::Blank, "blank", "Blank check", &Controls::blankButton, false},
    {Verb::Verify, "verify", "Verifying", &Controls::verifyButton, true},
    {Verb::Program, "program", "Programming", &Controls::programButton, true},
    {Verb::Id, "id", "Reading ID", &Controls::menuFlashShowCodeID, false},
    {Verb::Erase, "erase", "Erasing", &Controls::eraseChipButton, false},
};

const VerbInfo& InfoOf(Verb verb) {
    for (const VerbInfo& info : kVerbs)
        if (info.verb == verb) return info;
    return kVerbs[0];
}

void AddChipOptions(CLI::App* command, CommandOptions& options) {
    command->add_option("-d,--device", options.device,
                        "Device: catalog row or name (required unless --setup names one)");
    command
        ->add_option("--bytes", options.bytes,
                     "Image bytes: both, hi (odd bytes) or low (even bytes)")
        ->check(CLI::IsMember({"both", "hi", "low"}))
        ->capture_default_str();
    command->add_option("--speed", options.speed, "Programming speed slider, 1 (slow) to 20")
        ->check(CLI::Range(1, 20))
        ->capture_default_str();
}

void AddForceOption(CLI::App* command, CommandOptions& options) {
    command->add_flag("--force", options.force,
                      "Go on when the flash chip's ID names another catalog device");
}

Verb ParsedVerb(CLI::App& cli) {
    for (const VerbInfo& info : kVerbs)
        if (cli.got_subcommand(info.name)) return info.verb;
    return Verb::None;
}

/// Sets the window's options the command line gives, like the operator would;
/// the others keep what start-up or the setup left (the defaults are start-up's).
void ApplyOptions(App& app, const CommandOptions& options, const CLI::App* command) {
    if (OptionGiven(command, "--bytes")) {
        const std::size_t hiLow = options.bytes == "hi" ? 1 : options.bytes == "low" ? 2 : 0;
        SetOption(app.ui.HiLowGroup(), hiLow, true);
    }
    if (OptionGiven(command, "--speed")) SetPosition(app.ui.speedSlider, options.speed);
    if (OptionGiven(command, "--blank-first"))
        SetCheck(app.ui.blankCheckFirstCheck, options.blankFirst ? 1 : 0);
    // A program run verifies unless told not to, as chip-programmer users expect.
    if (command->get_name() == "program" || command->get_name() == "batch")
        SetCheck(app.ui.verifyAfterCheck,
                 OptionGiven(command, "--verify-after") && !options.verifyAfter ? 0 : 1);
    // No one to ask here: another chip than the one named is refused unless forced.
    app.ops.OnOtherDevice = options.force ? OtherDeviceAnswer::GoAhead : OtherDeviceAnswer::Refuse;
}

/// Chooses --voltage as the operator would click its option; false when the
/// device's voltage class does not offer it.
bool ApplyVoltage(App& app, const std::string& voltage, std::ostream& err) {
    if (voltage.empty()) return true; // the device's suggested voltage stays
    const std::size_t index = voltage == "12.5" ? 1 : voltage == "21" ? 2 : 3;
    if (!app.ui.voltageButtons[index].enabled) {
        err << "A programming voltage of " << voltage << " V is not allowed for "
            << app.dev.DeviceName << "\n";
        return false;
    }
    SetOption(app.ui.VoltageGroup(), index, true);
    return true;
}

void AddFormatOption(CLI::App* command, CommandOptions& options) {
    command
        ->add_option("--format", options.format,
                     "Image file format: auto (by name and content), raw, ihex or srec")
        ->check(CLI::IsMember({"auto", "raw", "ihex", "srec"}, CLI::ignore_case))
        ->capture_default_str();
}

/// Presses the command's button with a progress line on a terminal, or the JSON
/// progress stream when asked for.
void Press(App& app, Control& button, const char* label, std::ostream& err, const std::string& mode,
           JsonProgress* json) {
    std::unique_ptr<ProgressLine> progress;
    const auto echo = app.onLogLine;
    if (json) {
        app.svc.refresher = json;
    } else if (mode == "auto" && StderrIsTerminal()) {
        progress = std::make_unique<ProgressLine>(app, err, label);
        app.svc.refresher = progress.get();
        app.onLogLine = [&progress, echo](const std::string& line) {
            progress->Clear();
            if (echo) echo(line);
        };
    }
    app.ops.Outcome = OpOutcome::None;
    app.handlerFailed = false;
    Fire(button.onClick);
    if (json) app.svc.refresher = nullptr;
    if (progress) {
        progress->Clear();
        app.svc.refresher = nullptr;
        app.onLogLine = echo;
    }
}

} // namespace

void AddProgressOption(CLI::App& cli, CommandOptions& options) {
    cli.add_option("--progress", options.progress,
                   "Progress on standard error: auto (a line on a terminal), json (one object "
                   "per line, for scripts) or none")
        ->check(CLI::IsMember({"auto", "json", "none"}))
        ->capture_default_str();
}

void AddProgramOptions(CLI::App* program, CommandOptions& options) {
    program->add_option("file", options.file,
                        "Image file, - for standard input (default: the --setup's code file)");
    AddChipOptions(program, options);
    AddFormatOption(program, options);
    AddOffsetOption(program, options.offset);
    program->add_option("--voltage", options.voltage, "Programming voltage (default: the device's)")
        ->check(CLI::IsMember({"12.5", "21", "25"}));
    program->add_flag("--blank-first,!--no-blank-first", options.blankFirst,
                      "Check blank before programming");
    options.verifyAfter = true;
    program->add_flag("--verify-after,!--no-verify-after,!--no-verify", options.verifyAfter,
                      "Verify the chip after programming (the default; --no-verify skips it)");
    AddForceOption(program, options);
    program->add_option("--ports", options.ports,
                        "Several boards at once, one on each base: 378,278,D100. Each line is "
                        "named by its board; exit 0 only when every board succeeded. In a batch "
                        "one input line starts the next chip on every board, chips are numbered "
                        "over the run, serial numbers are never given twice and the record "
                        "gains a port column. --trace and --sim-save need {port} in the name");
    program->add_option("--sim-fault-ports", options.simFaultPorts,
                        "Simulator with --ports: the boards (378,278,...) --sim-fault goes "
                        "into (default: all)");
}

void AddDeviceCommands(CLI::App& cli, CommandOptions& options) {
    auto* read = cli.add_subcommand("read", "Read the whole chip into a file");
    read->add_option("-o,--output", options.file,
                     "File for the chip's contents (- for standard output)")
        ->required();
    AddChipOptions(read, options);
    AddFormatOption(read, options);
    auto* blank = cli.add_subcommand("blank", "Check that every byte of the chip is erased (FFh)");
    AddChipOptions(blank, options);
    auto* verify = cli.add_subcommand("verify", "Compare the chip with an image file");
    verify->add_option("file", options.file,
                       "Image file, - for standard input (default: the --setup's code file)");
    AddChipOptions(verify, options);
    AddFormatOption(verify, options);
    AddOffsetOption(verify, options.offset);
    AddProgramOptions(cli.add_subcommand("program", "Program the chip with an image file"),
                      options);
    auto* id = cli.add_subcommand("id", "Read and name a flash chip's maker and device code");
    AddChipOptions(id, options);
    auto* erase =
        cli.add_subcommand("erase", "Erase a flash or EEPROM chip (asks; --yes answers OK)");
    AddChipOptions(erase, options);
    AddForceOption(erase, options);
}

int RunDeviceCommand(CLI::App& cli, const CommandOptions& options, Session& session,
                     std::ostream& out, std::ostream& err) {
    (void)out; // the session echoes the log lines
    const Verb verb = ParsedVerb(cli);
    if (verb == Verb::None) {
        err << "No command given\n";
        return 2;
    }
    const VerbInfo& info = InfoOf(verb);
    const CLI::App* command = cli.get_subcommand(info.name);
    App& app = session.app();
    if (const int status = PrepareChipCommand(cli, command, options, session, err); status != 0)
        return status;
    std::unique_ptr<JsonProgress> json;
    if (options.progress == "json") json = std::make_unique<JsonProgress>(app, err, info.name);
    if (info.loadsImage) {
        if (const int status = LoadCommandImage(command, options, session, err); status != 0) {
            if (json) json->Finish(false);
            return status;
        }
    } else if (app.handlerFailed) {
        if (json) json->Finish(false);
        return session.FailedStepStatus();
    }

    Control& button = app.ui.*info.button;
    if (!button.enabled) {
        err << "The " << info.name << " command is not available for " << app.dev.DeviceName
            << "\n";
        app.ops.Outcome = OpOutcome::Refused;
        // Erasing or identifying a chip that cannot be is "not supported", not bad usage.
        return verb == Verb::Id || verb == Verb::Erase ? 1 : 2;
    }
    Press(app, button, info.progressLabel, err, options.progress, json.get());
    int status = app.handlerFailed || app.ops.Outcome != OpOutcome::Success ? 1 : 0;
    if (app.ops.Outcome == OpOutcome::BadImage) status = 2; // the image, not the chip
    if (status == 0 && verb == Verb::Read) {
        // A stop that came as the read finished is taken up by the output: not written.
        if (StopPending()) {
            ReportOperationStopped(app);
            status = 1;
        } else if (!WriteCodeFile(app, options.file)) {
            status = 2;
        }
    }
    if (json) json->Finish(status == 0);
    return status;
}

int PrepareChipCommand(CLI::App& cli, const CLI::App* command, const CommandOptions& options,
                       Session& session, std::ostream& err) {
    std::string error;
    std::optional<int> row;
    if (OptionGiven(command, "--device") && !(row = ResolveDevice(options.device, error))) {
        err << error << "\n";
        return 2;
    }

    App& app = session.app();
    ParseOffset(options.offset, app.buf.CodeFileOffset); // checked by the parser
    app.buf.CodeFileFormat = ParseFormatChoice(options.format).value_or(FormatChoice::Auto);
    // A step stopped by a broken link or the operator has said so once; the
    // steps after it would only report the same again, or worse, go on.
    session.SelectBoard();
    if (app.handlerFailed) return session.FailedStepStatus();
    if (const int status = ApplySetupOption(cli, options.setup, session, err); status != 0)
        return status;
    const bool selected = !row || SelectDevice(app, *row);
    if (app.handlerFailed) return session.FailedStepStatus();
    if (!selected) {
        err << "Device " << options.device << " could not be selected\n";
        return 2;
    }
    if (app.dev.DeviceRow < 0) {
        err << "No device: give -d/--device, or a --setup that names one\n";
        return 2;
    }
    ApplyOptions(app, options, command);
    if (!ApplyVoltage(app, options.voltage, err)) return 2;
    return 0;
}

int LoadCommandImage(const CLI::App* command, const CommandOptions& options, Session& session,
                     std::ostream& err) {
    App& app = session.app();
    bool loaded = !app.handlerFailed;
    if (loaded && !options.file.empty()) loaded = OpenCodeFile(app, options.file);
    if (loaded && app.buf.CodeBufferLoaded != 1) {
        err << command->get_name()
            << " needs an image file: give FILE, or a --setup with a code file\n";
        loaded = false;
    }
    if (!loaded) return app.handlerFailed ? session.FailedStepStatus() : 2;
    return 0;
}

void PressChipButton(App& app, Control& button, const char* label, std::ostream& err,
                     const std::string& progressMode) {
    Press(app, button, label, err, progressMode, nullptr);
}

} // namespace quorbit::cli
