#pragma once
// frmAbout: title, version, what the program is for, and a way to the
// desktop's system information program.
#include <QDialog>

class QLabel;
class QPushButton;

namespace quorbit {
class App;
}

namespace quorbit::gui {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    AboutBox(App& app, QWidget* parent);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

  private:
    App& app_;
};

} // namespace quorbit::gui
