// Every text of the window is readable at its smallest: captions fit their
// controls, log lines wrap, and no status text widens the window.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include "WindowRig.h"
#include "app/Shell.h"
#include "gui/FormLayout.h"
#include "gui/Widgets.h"

namespace quorbit::test {
namespace {

/// Width the control's text needs: indicator and text for option buttons and
/// check boxes, frame and text for labels, the text and a little margin for buttons.
int NeededWidth(QWidget* widget) {
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->fontMetrics().horizontalAdvance(button->text()) + 8;
    if (qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget))
        return widget->sizeHint().width();
    if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap())
        return label->sizeHint().width();
    return 0;
}

void ExpectEveryCaptionFits(const WindowRig& w, const std::string& state) {
    WindowRig::Relayout();
    for (const gui::Placement& place : gui::MainFormLayout()) {
        QWidget* widget = w.window->ControlWidget(place.name);
        if (widget->isHidden()) continue;
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height())
                << place.name << " (" << state << ")";
            continue;
        }
        EXPECT_LE(NeededWidth(widget), widget->width()) << place.name << " (" << state << ")";
    }
}

TEST(WindowFit, EveryCaptionFitsWithAndWithoutABoardAndForEveryDevice) {
    WindowRig none(0);
    none.window->Load();
    none.Show();
    EnterErrorState(none.app()); // the red ERROR and NotReady lamps
    none.window->Sync();
    ExpectEveryCaptionFits(none, "no board, error alert");

    WindowRig w;
    w.window->Load();
    w.Show();
    ExpectEveryCaptionFits(w, "board found");
    auto* list = w.Get<QComboBox>("Device");
    for (int row = 1; row < list->count(); ++row) {
        if (list->itemText(row).startsWith("N/A")) continue;
        emit list->activated(row);
        ProgramLampOn(w.app());
        DataFlowLampOn(w.app());
        ExpectEveryCaptionFits(w, list->itemText(row).trimmed().toStdString());
    }
}

TEST(WindowFit, LongLogLinesWrapInsteadOfScrollingSideways) {
    WindowRig w(0);
    w.window->Load();
    w.window->show();
    QTest::mouseClick(w.Get<QPushButton>("TestHardware_button"), Qt::LeftButton);
    auto* log = w.Get<QPlainTextEdit>("SystemLog");
    ASSERT_TRUE(log->toPlainText().contains("with power and socket empty."));
    EXPECT_EQ(log->horizontalScrollBar()->maximum(), 0);
}

/// A port whose description is as long as an external program's command line.
class LongNamedPort : public RecordingPort {
  public:
    [[nodiscard]] std::string Describe() const override {
        return "external program '" + std::string(200, 'x') + "'";
    }
};

TEST(WindowFit, ALongPortDescriptionIsShortenedNotWideningTheWindow) {
    Rig shortRig(std::make_unique<RecordingPort>());
    gui::MainWindow shortNamed(*shortRig.app);
    shortNamed.Load();
    Rig rig(std::make_unique<LongNamedPort>());
    gui::MainWindow window(*rig.app);
    window.Load();
    window.SetPortNote("Chosen on the command line.");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.minimumSizeHint().width(), shortNamed.minimumSizeHint().width());
    window.resize(window.minimumSizeHint());
    auto* panel = qobject_cast<gui::ElidedLabel*>(window.ControlWidget("PortPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(window.width(), shortNamed.minimumSizeHint().width());
    EXPECT_TRUE(panel->shownText().endsWith(QChar(0x2026))) << panel->shownText().toStdString();
    // Nothing is lost: the whole description and the note are in the tool tip.
    EXPECT_TRUE(panel->toolTip().contains(std::string(200, 'x').c_str()));
    EXPECT_TRUE(panel->toolTip().endsWith("Chosen on the command line."));
}

} // namespace
} // namespace quorbit::test
