#pragma once
// The Production dialog: a view of the core's production panel. Each chip goes
// in, Enter (the big Next chip button) programs it, and the verdict is shown
// large enough to read from a metre away.
#include <QDialog>
#include <QTimer>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quorbit {
class App;
class ProductionPanel;
struct ProductionFace;
} // namespace quorbit

namespace quorbit::gui {

class ProductionDialog : public QDialog {
    Q_OBJECT
  public:
    ProductionDialog(App& app, ProductionPanel& panel, QWidget* parent);
    ~ProductionDialog() override;

    /// Shows the panel as it stands (the timer calls it while a chip runs).
    void Refresh();

    QLineEdit* ImageFile = nullptr;
    QLineEdit* SerialField = nullptr;
    QLineEdit* SerialStart = nullptr;
    QLineEdit* SerialStep = nullptr;
    QLineEdit* SerialFile = nullptr;
    QLineEdit* RecordFile = nullptr;
    QPushButton* NextChip = nullptr;
    QPushButton* SkipChip = nullptr;
    QPushButton* FinishRun = nullptr;
    QPushButton* CloseButton = nullptr;
    QLabel* Verdict = nullptr;
    QLabel* ChipLine = nullptr;
    QLabel* Counts = nullptr;
    QPlainTextEdit* RecordTail = nullptr;

  protected:
    void reject() override;

  private:
    QLineEdit* AddField(const char* name, const std::string& text);
    void ShowVerdict(const ProductionFace& face);

    App& app_;
    ProductionPanel& panel_;
    QTimer refresh_;
};

} // namespace quorbit::gui
