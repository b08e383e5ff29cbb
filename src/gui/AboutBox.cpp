#include "gui/AboutBox.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/App.h"
#include "app/MinorCommands.h"
#include "gui/AppIcon.h"

namespace quorbit::gui {
namespace {

QLabel* TextLabel(const std::string& text, QWidget* parent, const char* name) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

AboutBox::AboutBox(App& app, QWidget* parent) : QDialog(parent), app_(app) {
    const AboutTexts texts = AboutBoxTexts();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + QString::fromStdString(texts.title));
    setModal(true);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(AppIcon().pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = TextLabel(texts.title, this, "lblTitle");
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = TextLabel(texts.version, this, "lblVersion");
    lblDescription = TextLabel(texts.description, this, "lblDescription");
    Label1 = TextLabel(texts.notice, this, "Label1");
    lblDisclaimer = TextLabel(texts.disclaimer, this, "lblDisclaimer");

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { app_.RunGuarded(cmdSysInfo_Click); });

    auto* texts_ = new QVBoxLayout;
    texts_->addWidget(lblTitle);
    texts_->addWidget(lblVersion);
    texts_->addSpacing(6);
    texts_->addWidget(lblDescription);
    texts_->addWidget(Label1);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon);
    top->addLayout(texts_, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addLayout(buttons);

    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(line);
    all->addLayout(bottom);
    setFixedWidth(420);
}

} // namespace quorbit::gui
