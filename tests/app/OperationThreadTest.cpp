// A chip operation on a thread of its own (std::thread, no window): the caller's
// thread sees only what the operation publishes, no second operation starts while
// one runs, a stop request ends it the safe way, and handlers that are no
// operation stay on the caller's thread.
// scripts/tsan.sh builds this test alone with ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Fakes.h"
#include "app/Operations.h"
#include "buffers/BinaryFiles.h"
#include "catalog/DeviceSelection.h"
#include "session/Startup.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"

namespace quorbit::test {
namespace {

constexpr int kAm29F040 = 27;
constexpr std::size_t kAm29F040Bytes = 512 * 1024;

/// The core on a simulated board that can halt midway, with an AM29F040 holding a
/// pattern, and the operation thread as its host.
struct OperationThread : ::testing::Test {
    OperationThread()
        : port(new PausingPort(std::make_unique<sim::SimBoard>(6, 0x378))),
          rig(std::unique_ptr<PortIo>(port), port->Board()) {
        app.svc.operations = &runner;
        runner.onFinished = [this] { ++finished; };
        app.RunGuarded(Form_Load);
        SelectDevice(app, kAm29F040);
        auto chip = sim::MakeErasedSimChip(kAm29F040);
        for (std::size_t a = 0; a < kAm29F040Bytes; ++a)
            chip->Memory()[a] = static_cast<std::uint8_t>(a * 7 + (a >> 8));
        port->Board().Insert(std::move(chip));
        rig.ClearLog();
    }
    ~OperationThread() override { runner.Join(); }

    PausingPort* port;
    Rig rig;
    App& app = *rig.app;
    OperationRunner runner{app};
    std::atomic<int> finished{0};
};

TEST_F(OperationThread, TheCallerSeesOnlyConsistentPublishedCopies) {
    Fire(app.ui.readButton.onClick); // returns at once: the read is on its own thread
    EXPECT_EQ(runner.Started(), 1u);
    // Read as the window would, while the operation runs: every copy is whole.
    std::vector<ViewSnapshot> seen;
    while (runner.Running())
        if (seen.empty() || app.published.Serial() != seen.back().serial)
            seen.push_back(app.published.Read());
    runner.Join();
    ASSERT_EQ(finished.load(), 1);
    ASSERT_FALSE(seen.empty());

    const ViewSnapshot last = app.published.Read();
    EXPECT_EQ(last.log, app.ui.SystemLog.caption); // the last copy is the final state
    EXPECT_EQ(last.page.caption, app.ui.BufferDisplay.caption);
    EXPECT_EQ(last.progressBar.value, app.ui.progressBar.value);
    int progress = -1;
    std::uint64_t serial = 0;
    for (const ViewSnapshot& copy : seen) {
        EXPECT_GT(copy.serial, serial);
        serial = copy.serial;
        // The log only grows during a read: each copy is the start of the final log.
        EXPECT_EQ(last.log.compare(0, copy.log.size(), copy.log), 0);
        // The bar of one walk never goes back, and its address is where it counted.
        if (copy.progressBar.value > 0) {
            EXPECT_GE(copy.progressBar.value, progress);
            EXPECT_GE(copy.progressAddress, 0);
            EXPECT_LT(copy.progressAddress, static_cast<std::int32_t>(kAm29F040Bytes));
        }
        progress = copy.progressBar.value;
    }
    EXPECT_EQ(app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(app.buf.CodeBuffer[0x7FF00], port->Board().Chip()->Memory()[0x7FF00]);
}

TEST_F(OperationThread, NoSecondOperationStartsWhileOneRuns) {
    port->PauseAt(20000); // well into the walk through the chip
    Fire(app.ui.readButton.onClick);
    port->WaitUntilPaused();
    EXPECT_TRUE(runner.Running());
    bool ran = false;
    EXPECT_FALSE(runner.Start([&ran] { ran = true; }));
    EXPECT_EQ(runner.Started(), 1u);
    // The window's view of it: the read has begun and its lamp is lit.
    const ViewSnapshot midway = app.published.Read();
    EXPECT_EQ(midway.dataFlowLamp.foreColor, colour::Green);
    EXPECT_EQ(midway.log.find("bytes Read from Device"), std::string::npos);
    EXPECT_GT(midway.progressBar.value, 0);
    port->Release();
    runner.Join();
    EXPECT_FALSE(ran) << "a refused operation ran later: it was queued";
    EXPECT_EQ(finished.load(), 1);
    EXPECT_EQ(app.ops.Outcome, OpOutcome::Success);
}

TEST_F(OperationThread, AStopEndsTheOperationTheSafeWayAndTheNextOneRunsWhole) {
    port->PauseAt(20000);
    Fire(app.ui.readButton.onClick);
    port->WaitUntilPaused();
    ASSERT_TRUE(port->Board().Regs().CeActive()) << "the read drives the chip";
    runner.Stop();
    port->Release();
    runner.Join();
    EXPECT_EQ(app.lastFailure, "Operation stopped by the operator");
    EXPECT_EQ(rig.LogLines().back(), "Board reset, programming voltage off");
    EXPECT_EQ(app.ops.Outcome, OpOutcome::Failed);
    EXPECT_FALSE(port->Board().Regs().CeActive());
    EXPECT_FALSE(port->Board().Regs().OeActive());
    EXPECT_EQ(app.ui.progressBar.value, 0);
    EXPECT_EQ(app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
    EXPECT_EQ(app.published.Read().log, app.ui.SystemLog.caption) << "the view sees the end";

    // The request was for that operation only.
    Fire(app.ui.readButton.onClick);
    runner.Join();
    EXPECT_EQ(app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(rig.LogLines().back(), "You can Save the file using [FILE - Save As] menu");
}

TEST_F(OperationThread, PagingThroughTheBufferStaysOnTheCallersThreadAndTheChipDoesNot) {
    Fire(app.ui.readButton.onClick);
    runner.Join();
    ASSERT_EQ(runner.Started(), 1u);
    // The buffer: shown at once, in place.
    SetPosition(app.ui.pageScrollBar, 5);
    EXPECT_EQ(runner.Started(), 1u);
    EXPECT_EQ(app.ui.BufferDisplay.caption.rfind("000500| ", 0), 0u);

    // The chip: each page is read from the board, on the operation's thread.
    Fire(app.ui.displayButton.onClick);
    runner.Join();
    EXPECT_EQ(runner.Started(), 2u);
    SetPosition(app.ui.pageScrollBar, 0x7FF);
    EXPECT_EQ(runner.Started(), 3u);
    runner.Join();
    EXPECT_EQ(app.ui.BufferDisplay.caption.rfind("07FF00| ", 0), 0u);
    EXPECT_EQ(app.ui.bufferFrame.caption, "Device Memory Hex/Ascii Display");
}

/// The operator takes a while over the safety question.
class SlowAnswer : public ScriptedDialogs {
  public:
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override {
        if (title == "Safety Question") std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return ScriptedDialogs::MsgBox(text, title, icon, buttons, defaultButton);
    }
};

TEST_F(OperationThread, TheTimeABoxWaitsForTheOperatorIsPublishedApart) {
    WriteBytes(rig.dir / "image.bin", std::string(64, '\x5A'));
    ASSERT_TRUE(OpenCodeFile(app, (rig.dir / "image.bin").string()));
    SlowAnswer slow;
    app.svc.dialogs = &slow;
    Fire(app.ui.programButton.onClick);
    runner.Join();
    const ViewSnapshot last = app.published.Read();
    EXPECT_FALSE(last.askingOperator);
    EXPECT_GE(last.secondsAsking, 0.05);
    EXPECT_EQ(app.svc.dialogs, &slow) << "given back as the operation ended";
}

} // namespace
} // namespace quorbit::test
