#pragma once
// What the window offers the core beyond the main window itself: the About box,
// the help viewer and starting other programs.
#include <string>

namespace quorbit {

enum class HelpCommand { Contents, Search };

class Desktop {
  public:
    virtual ~Desktop() = default;
    /// Shows the About box modally, owned by the main window.
    virtual void ShowAbout() = 0;
    /// Opens the help document at its contents or with its search field; returns
    /// an empty string, or why it could not be shown.
    virtual std::string ShowHelp(const std::string& helpFile, HelpCommand command) = 0;
    /// Shows the Production dialog modally: one image into chip after chip.
    virtual void ShowProduction() = 0;
    /// Starts a program in its own window without waiting for it; false on failure.
    virtual bool StartProgram(const std::string& programPath) = 0;
};

} // namespace quorbit
