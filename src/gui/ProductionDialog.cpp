#include "gui/ProductionDialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/App.h"
#include "gui/ControlView.h"
#include "session/ProductionPanel.h"

namespace quorbit::gui {
namespace {

QFont Scaled(QFont font, double factor, bool bold) {
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* Label(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

/// The operator's typing goes into the panel's field as it is typed.
void Follow(QLineEdit* line, Control& field) {
    QObject::connect(line, &QLineEdit::textEdited, line,
                     [&field](const QString& text) { field.caption = text.toStdString(); });
}

} // namespace

ProductionDialog::ProductionDialog(App& app, ProductionPanel& panel, QWidget* parent)
    : QDialog(parent), app_(app), panel_(panel) {
    setObjectName(QStringLiteral("frmProduction"));
    setWindowTitle(QStringLiteral("Production"));
    setModal(true);
    ProductionControls& ui = panel_.ui();
    // The image the window has loaded, unless the operator named another.
    if (ui.ImageFile.caption.empty() && !panel_.Face().running)
        ui.ImageFile.caption = app_.buf.CodeFileName;

    auto* fields = new QFormLayout;
    ImageFile = AddField("ImageFile", ui.ImageFile.caption);
    SerialField = AddField("SerialField", ui.SerialField.caption);
    SerialField->setPlaceholderText(
        QStringLiteral("ADDRESS:LENGTH[:le|be|bcd|ascii|hex], empty: none"));
    SerialStart = AddField("SerialStart", ui.SerialStart.caption);
    SerialStep = AddField("SerialStep", ui.SerialStep.caption);
    SerialFile = AddField("SerialFile", ui.SerialFile.caption);
    SerialFile->setPlaceholderText(QStringLiteral("keeps the next number between runs"));
    RecordFile = AddField("RecordFile", ui.RecordFile.caption);
    RecordFile->setPlaceholderText(QStringLiteral("CSV file, a line per chip"));
    Follow(ImageFile, ui.ImageFile);
    Follow(SerialField, ui.SerialField);
    Follow(SerialStart, ui.SerialStart);
    Follow(SerialStep, ui.SerialStep);
    Follow(SerialFile, ui.SerialFile);
    Follow(RecordFile, ui.RecordFile);
    fields->addRow(QStringLiteral("Image file:"), ImageFile);
    fields->addRow(QStringLiteral("Serial field:"), SerialField);
    fields->addRow(QStringLiteral("First serial:"), SerialStart);
    fields->addRow(QStringLiteral("Serial step:"), SerialStep);
    fields->addRow(QStringLiteral("Serial file:"), SerialFile);
    fields->addRow(QStringLiteral("Record file:"), RecordFile);

    NextChip = Button(QStringLiteral("&Next chip"), "NextChip", this);
    NextChip->setFont(Scaled(NextChip->font(), 2.0, true));
    NextChip->setMinimumHeight(NextChip->sizeHint().height() * 2);
    // Enter programs the next chip, wherever the focus is.
    NextChip->setDefault(true);
    SkipChip = Button(QStringLiteral("&Skip chip"), "SkipChip", this);
    FinishRun = Button(QStringLiteral("&Finish run"), "FinishRun", this);
    CloseButton = Button(QStringLiteral("&Close"), "CloseButton", this);
    connect(NextChip, &QPushButton::clicked, this, [this] {
        Fire(panel_.ui().NextChip.onClick);
        Refresh();
    });
    connect(SkipChip, &QPushButton::clicked, this, [this] {
        Fire(panel_.ui().SkipChip.onClick);
        Refresh();
    });
    connect(FinishRun, &QPushButton::clicked, this, [this] {
        Fire(panel_.ui().FinishRun.onClick);
        Refresh();
    });
    connect(CloseButton, &QPushButton::clicked, this, &ProductionDialog::reject);

    Verdict = Label("Verdict", this);
    Verdict->setFont(Scaled(Verdict->font(), 4.0, true));
    Verdict->setMinimumHeight(QFontMetrics(Verdict->font()).height() * 3 / 2);
    Verdict->setAutoFillBackground(true);
    ChipLine = Label("ChipLine", this);
    ChipLine->setFont(Scaled(ChipLine->font(), 1.2, false));
    Counts = Label("Counts", this);
    Counts->setFont(Scaled(Counts->font(), 1.6, true));
    RecordTail = new QPlainTextEdit(this);
    RecordTail->setObjectName(QStringLiteral("RecordTail"));
    RecordTail->setReadOnly(true);
    RecordTail->setLineWrapMode(QPlainTextEdit::NoWrap);
    RecordTail->setFocusPolicy(Qt::NoFocus);
    RecordTail->setMaximumBlockCount(static_cast<int>(ProductionPanel::kTailLines));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SkipChip);
    buttons->addWidget(FinishRun);
    buttons->addStretch();
    buttons->addWidget(CloseButton);

    auto* all = new QVBoxLayout(this);
    all->addLayout(fields);
    all->addWidget(NextChip);
    all->addWidget(Verdict);
    all->addWidget(ChipLine);
    all->addWidget(Counts);
    all->addWidget(new QLabel(QStringLiteral("Last lines of the record:"), this));
    all->addWidget(RecordTail, 1);
    all->addLayout(buttons);

    refresh_.setInterval(100);
    connect(&refresh_, &QTimer::timeout, this, &ProductionDialog::Refresh);
    refresh_.start();
    NextChip->setFocus();
    resize(640, sizeHint().height());
    Refresh();
}

ProductionDialog::~ProductionDialog() = default;

QLineEdit* ProductionDialog::AddField(const char* name, const std::string& text) {
    auto* line = new QLineEdit(QString::fromStdString(text), this);
    line->setObjectName(QString::fromLatin1(name));
    return line;
}

void ProductionDialog::ShowVerdict(const ProductionFace& face) {
    Verdict->setText(QString::fromStdString(face.verdict.caption));
    QPalette pal = QApplication::palette();
    if (!face.verdict.caption.empty()) {
        pal.setColor(QPalette::Window, ToQColor(face.verdict.backColor, pal));
        pal.setColor(QPalette::WindowText, ToQColor(face.verdict.foreColor, pal));
    }
    Verdict->setPalette(pal);
}

void ProductionDialog::Refresh() {
    const ProductionFace face = panel_.Face();
    for (auto [line, shown] : {std::pair{ImageFile, &face.imageFile},
                               {SerialField, &face.serialField},
                               {SerialStart, &face.serialStart},
                               {SerialStep, &face.serialStep},
                               {SerialFile, &face.serialFile},
                               {RecordFile, &face.recordFile}})
        line->setEnabled(shown->enabled);
    NextChip->setEnabled(face.nextChip.enabled);
    SkipChip->setEnabled(face.skipChip.enabled);
    FinishRun->setEnabled(face.finishRun.enabled);
    CloseButton->setEnabled(!panel_.Busy());
    ShowVerdict(face);
    ChipLine->setText(QString::fromStdString(face.chipLine.caption));
    Counts->setText(QString::fromStdString(face.counts.caption));
    QString tail;
    for (const std::string& line : face.recordTail.items)
        tail += QString::fromStdString(line) + QLatin1Char('\n');
    tail.chop(1);
    if (RecordTail->toPlainText() != tail) RecordTail->setPlainText(tail);
}

void ProductionDialog::reject() {
    // The chip in hand finishes first; a run ends with the dialog.
    if (panel_.Busy()) return;
    panel_.Finish();
    QDialog::reject();
}

} // namespace quorbit::gui
