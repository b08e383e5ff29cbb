// The Help and Tools menus, File > Close, and the About box's System Info button.
#include "app/MinorCommands.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

#include "app/App.h"
#include "app/Desktop.h"

namespace quorbit {
namespace {

void ShowMessage(App& app, const std::string& text, MsgIcon icon = MsgIcon::None) {
    app.svc.dialogs->MsgBox(text, kAppTitle, icon, MsgButtons::Ok, 0);
}

void OpenHelp(App& app, HelpCommand command) {
    const auto helpFile = std::filesystem::path(app.svc.appFolder) / kHelpFileName;
    std::error_code ec;
    if (!app.svc.desktop || !std::filesystem::is_regular_file(helpFile, ec)) {
        ShowMessage(app,
                    "Unable to display Help Contents. There is no Help associated with this "
                    "project.",
                    MsgIcon::Information);
        return;
    }
    const std::string error = app.svc.desktop->ShowHelp(helpFile.string(), command);
    if (!error.empty()) ShowMessage(app, error);
}

bool IsExecutableFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string VersionLabel(const std::string& version) {
    int major = 0, minor = 0, revision = 0;
    char dot1 = 0, dot2 = 0;
    std::istringstream in(version);
    in >> major >> dot1 >> minor >> dot2 >> revision;
    return "Version " + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(revision);
}

AboutTexts AboutBoxTexts() {
    return {kAppTitle, VersionLabel(QUORBIT_VERSION),
            "Programming software for Eprom, Flash and Eeprom memories, for the QUORBIT-4, "
            "QUORBIT-5 and QUORBIT-6 hardware boards.",
            "This is a beta version: please report any problem or suggestion to "
            "support@quorbit.example.",
            "Warning: This software should run perfectly under "
            "Win98/Win98SE/WinME/Win2000/WinXP/WinNT, but in case of problems under Win2000/XP "
            "it may require download and use of the USERPORT utility."};
}

void mnuHelpAbout_Click(App& app) {
    if (app.svc.desktop) app.svc.desktop->ShowAbout();
}

void mnuHelpContents_Click(App& app) {
    OpenHelp(app, HelpCommand::Contents);
}

void mnuHelpSearchForHelpOn_Click(App& app) {
    OpenHelp(app, HelpCommand::Search);
}

void menuProduction_Click(App& app) {
    if (app.svc.desktop) app.svc.desktop->ShowProduction();
}

void mnuToolsOptions_Click(App& app) {
    ShowMessage(app, "This menu option is not available.");
}

void mnuFileClose_Click(App& app) {
    ShowMessage(app, "Add 'mnuFileClose_Click' code.");
}

const std::vector<std::string>& SysInfoCandidates() {
    static const std::vector<std::string> names = {
        "gnome-system-monitor", "kinfocenter",         "hardinfo2", "hardinfo",
        "xfce4-taskmanager",    "mate-system-monitor", "lxtask",    "ksysguard"};
    return names;
}

std::string FindProgramInPath(const std::vector<std::string>& candidates,
                              const std::string& pathList) {
    for (const std::string& name : candidates) {
        std::istringstream folders(pathList);
        std::string folder;
        while (std::getline(folders, folder, ':')) {
            if (folder.empty()) continue; // an empty entry would mean the working folder
            const auto candidate = std::filesystem::path(folder) / name;
            if (IsExecutableFile(candidate)) return candidate.string();
        }
    }
    return {};
}

void cmdSysInfo_Click(App& app) {
    const char* path = std::getenv("PATH");
    const std::string program = FindProgramInPath(SysInfoCandidates(), path ? path : "");
    if (!program.empty() && app.svc.desktop && app.svc.desktop->StartProgram(program)) return;
    ShowMessage(app, "System Information Is Unavailable At This Time");
}

void WireMinorCommands(App& app) {
    auto& ui = app.ui;
    ui.mnuHelpAbout.onClick = app.Handler(mnuHelpAbout_Click);
    ui.mnuHelpContents.onClick = app.Handler(mnuHelpContents_Click);
    ui.mnuHelpSearchForHelpOn.onClick = app.Handler(mnuHelpSearchForHelpOn_Click);
    ui.mnuToolsOptions.onClick = app.Handler(mnuToolsOptions_Click);
    ui.menuProduction.onClick = app.Handler(menuProduction_Click);
    ui.mnuFileClose.onClick = app.Handler(mnuFileClose_Click);
}

} // namespace quorbit
