#pragma once
// The help window: the program's HTML help document with a find field.
#include <QDialog>

#include "app/Desktop.h"

class QLabel;
class QLineEdit;
class QTextBrowser;

namespace quorbit::gui {

class HelpViewer : public QDialog {
    Q_OBJECT
  public:
    explicit HelpViewer(QWidget* parent);
    /// Loads the document (when another one is shown) and opens it at its
    /// contents or at the find field. Returns why it cannot, or "".
    QString Open(const QString& helpFile, HelpCommand command);
    /// Finds the next occurrence of the find field's text, from the top again
    /// after the last one; false when the document does not contain it.
    bool FindNext();

    QTextBrowser* browser() const { return browser_; }
    QLineEdit* findField() const { return find_; }

  private:
    QTextBrowser* browser_;
    QLineEdit* find_;
    QLabel* findResult_;
    QString file_;
};

} // namespace quorbit::gui
