#pragma once
// The Help and Tools menus, the placeholder File > Close, and the About box's texts
// and System Info button.
#include <string>
#include <vector>

namespace quorbit {

class App;

/// Help document shipped beside the program.
inline constexpr const char* kHelpFileName = "quorbit.html";

struct AboutTexts {
    std::string title, version, description, notice, disclaimer;
};
AboutTexts AboutBoxTexts();
/// "Version " + major.minor.revision of a "1.0.68" style version.
std::string VersionLabel(const std::string& version);

void mnuHelpAbout_Click(App& app);
void mnuHelpContents_Click(App& app);
void mnuHelpSearchForHelpOn_Click(App& app);
void mnuToolsOptions_Click(App& app);
void menuProduction_Click(App& app);
void mnuFileClose_Click(App& app);
/// The About box's System Info button.
void cmdSysInfo_Click(App& app);

/// System information programs of the common desktops, best first.
const std::vector<std::string>& SysInfoCandidates();
/// First candidate found as an executable file in a PATH-style folder list; "" if none.
std::string FindProgramInPath(const std::vector<std::string>& candidates,
                              const std::string& pathList);

void WireMinorCommands(App& app);

} // namespace quorbit
