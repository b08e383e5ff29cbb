#include "cli/SetupCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <ostream>

#include "app/App.h"
#include "buffers/BinaryFiles.h"
#include "cli/DeviceName.h"
#include "cli/Session.h"
#include "link/PortBase.h"
#include "setups/Setups.h"

namespace quorbit::cli {
namespace {

/// Voltage option index of a --voltage text: 5, 12.5, 21 or 25, with or without V.
std::optional<std::size_t> VoltageIndex(std::string text) {
    if (!text.empty() && (text.back() == 'V' || text.back() == 'v')) text.pop_back();
    const char* volts[] = {"5", "12.5", "21", "25"};
    for (std::size_t i = 0; i < 4; ++i)
        if (text == volts[i]) return i;
    return std::nullopt;
}

void SelectPort(App& app, const std::string& text) {
    std::uint16_t port = 0;
    ParseBasePort(text, port);
    const std::size_t index = port == 0x378 ? 0 : port == 0x278 ? 1 : 2;
    SetOption(app.ui.LPTGroup(), index, true);
}

/// The voltage the operator asked for, when the device offers it.
bool ChooseVoltage(App& app, const std::string& text, std::ostream& err) {
    const auto index = VoltageIndex(text);
    if (!index) {
        err << "Bad --voltage " << text << ": use 5, 12.5, 21 or 25\n";
        return false;
    }
    if (!app.ui.voltageButtons[*index].enabled) {
        err << "The " << app.ui.voltageButtons[*index].caption << " programming voltage is not "
            << (app.dev.DeviceName.empty() ? "offered before a device is chosen"
                                           : "offered for " + app.dev.DeviceName)
            << "\n";
        return false;
    }
    SetOption(app.ui.VoltageGroup(), *index, true);
    return true;
}

/// Sets the window's controls from the options given, as the operator would.
int ApplySaveOptions(CLI::App& save, const SetupSaveOptions& o, App& app, std::ostream& err) {
    if (OptionGiven(&save, "--device")) {
        std::string error;
        if (!ChooseDevice(app, o.device, error)) {
            err << error << "\n";
            return 2;
        }
    }
    if (OptionGiven(&save, "--voltage") && !ChooseVoltage(app, o.voltage, err)) return 2;
    if (OptionGiven(&save, "--bytes")) {
        const std::size_t hiLow = o.bytes == "hi" ? 1 : o.bytes == "low" ? 2 : 0;
        SetOption(app.ui.HiLowGroup(), hiLow, true);
    }
    if (OptionGiven(&save, "--speed")) SetPosition(app.ui.speedSlider, o.speed);
    if (OptionGiven(&save, "--blank-first"))
        SetCheck(app.ui.blankCheckFirstCheck, o.blankFirst ? 1 : 0);
    if (OptionGiven(&save, "--verify-after"))
        SetCheck(app.ui.verifyAfterCheck, o.verifyAfter ? 1 : 0);
    if (OptionGiven(&save, "--file")) {
        // The window keeps the full path of the file it opened.
        const std::string path = std::filesystem::absolute(o.file).lexically_normal().string();
        if (!OpenCodeFile(app, path)) return 2;
    }
    return 0;
}

} // namespace

bool OptionGiven(const CLI::App* command, const std::string& option) {
    if (!command) return false;
    const CLI::Option* found = command->get_option_no_throw(option);
    return found && found->count() > 0;
}

void AddSetupOption(CLI::App& cli, std::string& slotOrFile) {
    cli.add_option("--setup", slotOrFile,
                   "Apply a saved setup first: slot 1..4 (QBSetup1.INI .. QBSetup4.INI in the "
                   "working folder) or a setup file; options given override it");
}

CLI::App* AddSetupCommands(CLI::App& cli, SetupSaveOptions& o) {
    auto* setup = cli.add_subcommand("setup", "Saved setups");
    setup->require_subcommand(1);
    auto* save = setup->add_subcommand("save", "Write setup slot N from the options given");
    save->add_option("slot", o.slot, "Slot 1..4")->required()->check(CLI::Range(1, 4));
    save->add_option("--name", o.name, "Name of the setup (default: No Name Setup N)");
    save->add_option("-d,--device", o.device, "Device: catalog row or name");
    save->add_option("--voltage", o.voltage, "Programming voltage: 5, 12.5, 21 or 25");
    save->add_option("--bytes", o.bytes, "Image bytes: both, hi (odd bytes) or low (even bytes)")
        ->check(CLI::IsMember({"both", "hi", "low"}));
    save->add_option("--speed", o.speed, "Programming speed slider, 1 (slow) to 20")
        ->check(CLI::Range(1, 20));
    save->add_flag("--blank-first,!--no-blank-first", o.blankFirst,
                   "Check blank before programming");
    save->add_flag("--verify-after,!--no-verify-after,!--no-verify", o.verifyAfter,
                   "Verify after programming");
    save->add_option("-f,--file", o.file, "Image file to program");
    return setup;
}

std::string SetupFileOf(const std::string& slotOrFile, std::string& error) {
    const bool digits =
        !slotOrFile.empty() && slotOrFile.find_first_not_of("0123456789") == std::string::npos;
    if (!digits) return slotOrFile;
    if (slotOrFile.size() == 1 && slotOrFile[0] >= '1' && slotOrFile[0] <= '4')
        return SlotFileName(slotOrFile[0] - '0');
    error = "Bad --setup " + slotOrFile + ": use a slot 1 to 4 or a setup file";
    return {};
}

int ApplySetupOption(CLI::App& cli, const std::string& slotOrFile, Session& session,
                     std::ostream& err) {
    if (slotOrFile.empty()) return 0;
    std::string error;
    const std::string fname = SetupFileOf(slotOrFile, error);
    if (fname.empty()) {
        err << error << "\n";
        return 2;
    }
    App& app = session.app();
    const bool complete = LoadSetupRot(app, fname).complete();
    // A step stopped by a broken link or the operator has said so once.
    if (app.handlerFailed) return session.FailedStepStatus();
    if (!complete) {
        err << "The setup " << fname << " was not applied completely: nothing more was done\n";
        return 2;
    }
    if (const CLI::Option* port = cli.get_option_no_throw("--port"); port && port->count() > 0)
        SelectPort(app, port->as<std::string>());
    return 0;
}

int RunSetupCommand(CLI::App& cli, const std::string& setupChoice, const SetupSaveOptions& options,
                    Session& session, std::ostream& err) {
    App& app = session.app();
    if (const int status = ApplySetupOption(cli, setupChoice, session, err); status != 0)
        return status;
    if (setupChoice.empty() && OptionGiven(&cli, "--port"))
        SelectPort(app, cli.get_option("--port")->as<std::string>());
    CLI::App& save = *cli.get_subcommand("setup")->get_subcommand("save");
    if (const int status = ApplySaveOptions(save, options, app, err); status != 0) return status;
    // A device choice stopped midway leaves controls the operator did not describe.
    if (app.handlerFailed) return session.FailedStepStatus();
    return WriteSetupFile(app, SlotFileName(options.slot), options.name) ? 0 : 1;
}

} // namespace quorbit::cli
