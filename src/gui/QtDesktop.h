#pragma once
// The About box, the help window and other programs, for the core's menus.
#include <QPointer>

#include "app/Desktop.h"
#include "gui/HelpViewer.h"

class QWidget;

namespace quorbit {
class App;
class ProductionPanel;
} // namespace quorbit

namespace quorbit::gui {

class QtDesktop : public Desktop {
  public:
    QtDesktop(App& app, QWidget* owner);
    ~QtDesktop() override;
    void ShowAbout() override;
    /// Without a panel (SetProduction) there is nothing to show.
    void ShowProduction() override;
    void SetProduction(ProductionPanel* panel) { production_ = panel; }
    std::string ShowHelp(const std::string& helpFile, HelpCommand command) override;
    bool StartProgram(const std::string& programPath) override;

    /// Closes the windows opened from here, last opened first.
    void CloseWindows();
    [[nodiscard]] HelpViewer* helpViewer() const { return help_; }

  private:
    App& app_;
    QWidget* owner_;
    QPointer<HelpViewer> help_;
    ProductionPanel* production_ = nullptr;
};

} // namespace quorbit::gui
