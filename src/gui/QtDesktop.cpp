#include "gui/QtDesktop.h"

#include <QProcess>
#include <QWidget>

#include "gui/AboutBox.h"
#include "gui/HelpViewer.h"
#include "gui/ProductionDialog.h"

namespace quorbit::gui {

QtDesktop::QtDesktop(App& app, QWidget* owner) : app_(app), owner_(owner) {}

QtDesktop::~QtDesktop() {
    delete help_;
}

void QtDesktop::ShowAbout() {
    AboutBox box(app_, owner_);
    box.exec();
}

void QtDesktop::ShowProduction() {
    if (!production_) return;
    ProductionDialog dialog(app_, *production_, owner_);
    dialog.exec();
}

std::string QtDesktop::ShowHelp(const std::string& helpFile, HelpCommand command) {
    if (!help_) help_ = new HelpViewer(owner_);
    return help_->Open(QString::fromStdString(helpFile), command).toStdString();
}

bool QtDesktop::StartProgram(const std::string& programPath) {
    return QProcess::startDetached(QString::fromStdString(programPath), {});
}

void QtDesktop::CloseWindows() {
    if (help_) help_->close();
}

} // namespace quorbit::gui
