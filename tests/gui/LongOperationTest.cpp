// A chip operation runs on its own thread: the window stays live and shows its
// progress, nothing else can be started meanwhile, and Stop, Esc or closing the
// window end it the safe way. The simulated board halts midway (PausingPort), so
// the operation is caught as long as the test needs, without timing.
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "WindowRig.h"
#include "app/TextFile.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"

namespace quorbit::test {
namespace {

constexpr int kAm29F040 = 27;

/// An AM29F040 chosen on a board that halts at a chosen access.
struct HaltingWindow {
    HaltingWindow() : w(std::make_unique<PausingPort>(std::make_unique<sim::SimBoard>(6, 0x378))) {
        w.window->Load();
        w.Show();
        auto* list = w.Get<QComboBox>("Device");
        list->setCurrentIndex(kAm29F040);
        emit list->activated(kAm29F040);
        Reset(w.app());
        idle = w.pausing->Board().Regs(); // as a reset leaves the board
        w.rig.ClearLog();
        w.window->Sync();
    }
    /// Presses Read and waits until the read is halted well into the chip.
    void ReadUntilHalted() {
        w.pausing->PauseAt(30000);
        QTest::mouseClick(w.Get<QPushButton>("Read_button"), Qt::LeftButton);
        w.pausing->WaitUntilPaused();
    }
    /// Registers 0 to 3 (address, chip and output enables, programming voltages) as a
    /// reset leaves them; register 4 holds the last data byte and stays.
    [[nodiscard]] bool BoardAtRest() const {
        const auto& now = w.pausing->Board().Regs().r;
        return std::equal(now.begin(), now.begin() + 4, idle.r.begin());
    }
    [[nodiscard]] long Count(const std::string& line) const {
        const auto lines = w.rig.LogLines();
        return std::count(lines.begin(), lines.end(), line);
    }

    WindowRig w;
    sim::Registers idle;
};

TEST(LongOperation, TheWindowStaysLiveShowsTheProgressAndRefusesEverythingButStop) {
    HaltingWindow h;
    WindowRig& w = h.w;
    h.ReadUntilHalted();
    ASSERT_TRUE(w.window->OperationRunning());

    // The event loop turns while the read is under way.
    bool turned = false;
    QTimer::singleShot(0, w.window.get(), [&turned] { turned = true; });
    while (!turned)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    w.window->Sync(); // shows what the read published
    EXPECT_EQ(w.TextColour("DataFlow_label"), QColor(0, 128, 0));
    EXPECT_GT(w.Get<QProgressBar>("ProgressBar1")->value(), 0);
    const QString progress = w.Get<QLabel>("ProgressText")->text();
    EXPECT_TRUE(progress.contains("% ") && progress.contains(" elapsed")) << progress.toStdString();
    EXPECT_TRUE(progress.contains(" at ")) << "the address the read is at";

    // Every way to start or change an operation is locked; Stop is the way out.
    EXPECT_TRUE(w.Get("Stop_button")->isVisible());
    EXPECT_TRUE(w.Get("Stop_button")->isEnabled());
    for (const char* name : {"Read_button", "Verify_button", "Program_button", "Device",
                             "TestHardware_button", "PortSelected", "VScroll1", "GoToAddress",
                             "Slider1", "LPTSelection(1)", "FileNameCodeText"})
        EXPECT_FALSE(w.Get(name)->isEnabled()) << name;
    for (const char* name : {"menuVerifyCode", "menuProgramCode", "mnuFileOpenCode", "LoadSetup1"})
        EXPECT_FALSE(w.window->ControlAction(name)->isEnabled()) << name;
    // A click that reaches a button all the same is refused, not queued for later.
    emit w.Get<QPushButton>("Read_button")->clicked();
    emit w.Get<QPushButton>("Verify_button")->clicked();

    w.pausing->Release();
    w.Settle();
    QCoreApplication::processEvents(); // anything queued would run now
    EXPECT_EQ(h.Count("524288 bytes Read from Device"), 1);
    EXPECT_EQ(h.Count("Verify Function Started... Wait"), 0);
    EXPECT_FALSE(w.Get("Stop_button")->isVisible());
    EXPECT_TRUE(w.Get("Read_button")->isEnabled());
    EXPECT_TRUE(w.Get("Verify_button")->isEnabled());
    EXPECT_TRUE(w.window->ControlAction("menuVerifyCode")->isEnabled());
}

TEST(LongOperation, StopAndEscEndTheOperationWithTheBoardResetAndNoSuccess) {
    for (const bool escape : {false, true}) {
        HaltingWindow h;
        WindowRig& w = h.w;
        h.ReadUntilHalted();
        ASSERT_FALSE(h.BoardAtRest()) << "the read drives the chip";
        if (escape)
            QTest::keyClick(w.window.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(w.Get<QPushButton>("Stop_button"), Qt::LeftButton);
        EXPECT_FALSE(w.Get("Stop_button")->isEnabled()) << "the request is taken";
        w.pausing->Release();
        w.Settle();

        // What the stop leaves: where it stopped, the chip, the board.
        const auto lines = w.rig.LogLines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 3], "Operation stopped by the operator") << escape;
        EXPECT_EQ(lines[lines.size() - 2], "Stopped at address " +
                                               Hex(w.app().ops.LastStop->address) +
                                               "h: the chip is not changed, it was only read");
        EXPECT_GT(w.app().ops.LastStop->address, 0);
        EXPECT_EQ(lines.back(), "Board reset, programming voltage off");
        EXPECT_EQ(h.Count("524288 bytes Read from Device"), 0) << escape;
        EXPECT_NE(w.app().ops.Outcome, OpOutcome::Success);
        // The board as a reset leaves it: chip and outputs off, no programming voltage.
        EXPECT_TRUE(h.BoardAtRest()) << escape;
        EXPECT_FALSE(w.pausing->Board().Regs().CeActive());
        EXPECT_EQ(w.Get<QProgressBar>("ProgressBar1")->value(), 0);
        EXPECT_EQ(w.TextColour("DataFlow_label"), SystemColour(QPalette::Button));
        EXPECT_FALSE(w.Get("Stop_button")->isVisible());
        EXPECT_TRUE(w.Get("Read_button")->isEnabled());
        EXPECT_TRUE(w.rig.dialogs.boxes.empty()) << "the operator asked for it: no alert";
    }
}

/// Holds the safety question open on the operation's thread until the test lets
/// it be answered.
class HeldQuestion : public ScriptedDialogs {
  public:
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override {
        if (title == "Safety Question") {
            asked = true;
            while (!released)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return ScriptedDialogs::MsgBox(text, title, icon, buttons, defaultButton);
    }
    std::atomic<bool> asked{false}, released{false};
};

TEST(LongOperation, TheClockStopAndTheProgressLineWaitForTheSafetyQuestion) {
    HaltingWindow h;
    WindowRig& w = h.w;
    const auto file = w.rig.dir / "image.bin";
    WriteBytes(file, std::string(256, '\x5A'));
    w.rig.dialogs.fileAnswers.push_back(file.string());
    w.window->ControlAction("mnuFileOpenCode")->trigger();
    HeldQuestion held;
    w.app().svc.dialogs = &held;
    QTest::mouseClick(w.Get<QPushButton>("Program_button"), Qt::LeftButton);
    while (!held.asked)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // The operator takes a while to answer: well over a second, while the window
    // repaints what the operation publishes.
    QElapsedTimer thinking;
    thinking.start();
    while (thinking.elapsed() < 1200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(w.window->OperationRunning());
    EXPECT_FALSE(w.Get("Stop_button")->isVisible());
    EXPECT_EQ(w.Get<QLabel>("ProgressText")->text().trimmed(), "");
    held.released = true;
    w.Settle();
    EXPECT_EQ(h.Count("Programming Device Successfull"), 1);
    EXPECT_EQ(w.Get<QLabel>("ProgressText")->text(), "Last operation: 0:00");
}

/// Answers the next message box with the given button, from inside its loop.
void AnswerNextBox(QMessageBox::StandardButton answer, QString* text) {
    QTimer::singleShot(0, [answer, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        *text = box->text();
        box->button(answer)->click();
    });
}

TEST(LongOperation, ClosingTheWindowAsksThenStopsTheOperationAndCloses) {
    HaltingWindow h;
    WindowRig& w = h.w;
    h.ReadUntilHalted();
    QString asked;
    AnswerNextBox(QMessageBox::No, &asked);
    w.window->close();
    EXPECT_TRUE(asked.contains("operation is running")) << asked.toStdString();
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_TRUE(w.window->OperationRunning()) << "No: the operation goes on";

    AnswerNextBox(QMessageBox::Yes, &asked);
    w.window->close();
    EXPECT_TRUE(w.window->isVisible()) << "the window waits for the operation to end";
    w.pausing->Release();
    while (w.window->isVisible())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(h.Count("Operation stopped by the operator"), 1);
    EXPECT_TRUE(h.BoardAtRest());
    EXPECT_TRUE(w.rig.settings.Get("Settings", "MainLeft").has_value()) << "closed as usual";
}

} // namespace
} // namespace quorbit::test
