#include "gui/HelpViewer.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace quorbit::gui {

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("QUORBIT Help"));
    setModal(false);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);

    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    find_ = new QLineEdit(this);
    find_->setPlaceholderText(QStringLiteral("Search for..."));
    find_->setClearButtonEnabled(true);
    auto* next = new QPushButton(QStringLiteral("&Find Next"), this);
    findResult_ = new QLabel(this);
    for (QPushButton* b : {contents, back, next})
        b->setAutoDefault(false);

    connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(next, &QPushButton::clicked, this, &HelpViewer::FindNext);
    connect(find_, &QLineEdit::returnPressed, this, &HelpViewer::FindNext);
    back->setEnabled(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(contents);
    bar->addWidget(back);
    bar->addSpacing(12);
    bar->addWidget(find_, 1);
    bar->addWidget(next);
    bar->addWidget(findResult_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(bar);
    all->addWidget(browser_, 1);
    resize(640, 560);
}

QString HelpViewer::Open(const QString& helpFile, HelpCommand command) {
    const QFileInfo info(helpFile);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("The help file %1 cannot be read.").arg(helpFile);
    if (file_ != info.absoluteFilePath()) {
        file_ = info.absoluteFilePath();
        browser_->setSource(QUrl::fromLocalFile(file_));
    }
    if (command == HelpCommand::Contents) browser_->home();
    show();
    raise();
    activateWindow();
    if (command == HelpCommand::Search) {
        find_->setFocus();
        find_->selectAll();
    }
    return {};
}

bool HelpViewer::FindNext() {
    const QString text = find_->text();
    findResult_->clear();
    if (text.isEmpty()) return false;
    if (browser_->find(text)) return true;
    // Wrap around: start again from the top of the page.
    QTextCursor top = browser_->textCursor();
    top.movePosition(QTextCursor::Start);
    browser_->setTextCursor(top);
    if (browser_->find(text)) return true;
    findResult_->setText(QStringLiteral("Not found"));
    return false;
}

} // namespace quorbit::gui
