// The log, lamps, sounds, progress bar and error alert every operation reports through.
#include <gtest/gtest.h>

#include <cerrno>

#include "Fakes.h"
#include "hw/SafeFile.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

struct Reporting : ::testing::Test {
    Rig rig{6};
    App& app = *rig.app;
    void SetUp() override { Form_Load(app); }
};

TEST_F(Reporting, LogLinesAreTimeStampedAndAppended) {
    LogMessage(app, "first");
    LogMessage(app, "second");
    EXPECT_EQ(app.ui.SystemLog.caption, "\r\n09:05:07>  first\r\n09:05:07>  second");
}

TEST_F(Reporting, SavingTheLogWritesHeaderChecksumAndText) {
    SystemLog_DblClick(app); // an empty log
    const std::string empty = ReadBytes(rig.dir / "work" / "QUORBIT.LOG");
    EXPECT_EQ(empty, std::string("QUORBIT SYSTEM LOG FILE - ") + kMakerLine +
                         "\r\nThe following contents are the log from the Quorbit Program\r\n"
                         "12-08-2026 09:05:07 StatCode: 0  Model: 6 \r\n" +
                         std::string(60, '-') + "\r\n\r\n");
    // The save itself was logged; saving again covers that line.
    const std::string log = app.ui.SystemLog.caption;
    EXPECT_EQ(log, "\r\n09:05:07>  System Log was Saved to QUORBIT.LOG file");
    SystemLog_DblClick(app);
    const std::string second = ReadBytes(rig.dir / "work" / "QUORBIT.LOG");
    EXPECT_NE(second.find("StatCode: " + std::to_string(TextChecksum(log)) + "  Model:"),
              std::string::npos);
    EXPECT_NE(second.find(log + "\r\n"), std::string::npos);
}

TEST_F(Reporting, UnwritableLogFileIsReportedNotFatal) {
    {
        const InjectedWriteFailure diskFull(ENOSPC);
        SystemLog_DblClick(app);
    }
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_NE(rig.dialogs.boxes[0].text.find("QUORBIT.LOG"), std::string::npos);
    EXPECT_EQ(rig.LogLines().back().find("Could not save the System Log"), 0u);
}

TEST_F(Reporting, EventSoundsAreCaseSensitive) {
    rig.sound.played.clear();
    for (const char* e : {"OK", "ok", "DONE", "SLIDE", "Slide", "ERROR", "INIT", "whatever"})
        PlayEventSound(app, e);
    std::vector<std::string> files;
    for (const auto& p : rig.sound.played)
        files.push_back(std::filesystem::path(p).filename().string());
    EXPECT_EQ(files, (std::vector<std::string>{"ok.wav", "error.wav", "done.wav", "slide.wav",
                                               "error.wav", "error.wav", "init.wav", "error.wav"}));
}

TEST_F(Reporting, ProgressBarMovesEveryStepUnits) {
    app.report.ProgressStep = 3;
    app.report.ProgressCount = 0;
    SetProgressValue(app, 0);
    std::vector<int> values;
    for (int i = 0; i < 7; ++i) {
        GoProgressiveBar1(app);
        values.push_back(app.ui.progressBar.value);
    }
    EXPECT_EQ(values, (std::vector<int>{0, 0, 1, 1, 1, 2, 2}));
}

TEST_F(Reporting, ErrorAlertLocksAndRestoresTheOperationButtons) {
    auto& ui = app.ui;
    ui.programButton.enabled = true;
    ui.verifyButton.enabled = false;
    ui.readButton.enabled = true;
    ui.displayButton.enabled = false;
    ProgramLampOn(app);
    DataFlowLampOn(app);
    EnterErrorState(app);
    EXPECT_EQ(ui.errorLamp.foreColor, colour::Red);
    EXPECT_EQ(ui.programLamp.foreColor, colour::ButtonFace);
    EXPECT_EQ(ui.dataFlowLamp.foreColor, colour::ButtonFace);
    EXPECT_FALSE(ui.programButton.enabled || ui.verifyButton.enabled || ui.readButton.enabled ||
                 ui.displayButton.enabled);

    rig.ClearLog();
    SetProgressValue(app, 40);
    Fire(ui.errorLamp.onClick);
    EXPECT_EQ(ui.errorLamp.foreColor, colour::ButtonFace);
    EXPECT_TRUE(ui.programButton.enabled);
    EXPECT_FALSE(ui.verifyButton.enabled);
    EXPECT_TRUE(ui.readButton.enabled);
    EXPECT_FALSE(ui.displayButton.enabled);
    EXPECT_EQ(ui.progressBar.value, 0);
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"Error Alert was Turned Off"});

    // A second click on a lamp that is no longer red does nothing.
    Fire(ui.errorLamp.onClick);
    EXPECT_EQ(rig.LogLines().size(), 1u);
}

TEST_F(Reporting, CriticalMessageThenClearsTheAlert) {
    EnterErrorState(app);
    ShowCriticalError(app);
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].text, "Program or Compare Error");
    EXPECT_EQ(rig.dialogs.boxes[0].title, "Critical Message");
    EXPECT_EQ(rig.dialogs.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(rig.dialogs.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(app.ui.errorLamp.foreColor, colour::ButtonFace);
}

TEST_F(Reporting, AFailingHandlerIsReportedAndTheProgramGoesOn) {
    app.board.Reg0Shadow = 300; // a fault: the latch refuses it
    bool after = false;
    app.RunGuarded([&](App& a) {
        a.board.SetReg0();
        after = true;
    });
    EXPECT_FALSE(after);
    EXPECT_TRUE(app.handlerFailed);
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_NE(rig.LogLines().back().find("Operation stopped"), std::string::npos);
}

} // namespace
} // namespace quorbit::test
