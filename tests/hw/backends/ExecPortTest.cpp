#include "hw/backends/ExecPort.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Fakes.h"
#include "hw/backends/AccessLine.h"
#include "hw/backends/BackendTestSupport.h"
#include "link/Detection.h"
#include "session/Backend.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

/// Short limits keep the failure tests quick; the protocol is the same.
constexpr ExecLimits kQuick{std::chrono::milliseconds(300), std::chrono::milliseconds(300)};

/// Processes of the process group that are not zombies, from /proc.
int LiveProcessesInGroup(pid_t group) {
    int live = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;
        const auto nameEnd = stat.rfind(')');
        if (nameEnd == std::string::npos) continue;
        std::istringstream fields(stat.substr(nameEnd + 1));
        char state = 0;
        long parent = 0, processGroup = 0;
        fields >> state >> parent >> processGroup;
        if (processGroup == group && state != 'Z') ++live;
    }
    return live;
}

std::string ErrorOf(const std::function<void()>& access) {
    try {
        access();
    } catch (const PortError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(ExecPort, WritesGoOutBeforeEachReadAndAtTheEnd) {
    TempDir dir;
    const auto log = dir / "requests.txt";
    {
        ExecPort port(HelperCommand("recorder.sh", Quoted(log.string())));
        port.PortOut(0x378, 0x9F);
        port.PortOut(0x37A, 0x04);
        port.BusySteps(40); // pacing only: never sent
        EXPECT_EQ(port.PortIn(0x379), 0x5A);
        EXPECT_EQ(ReadBytes(log), "O 378 9F\nO 37A 04\nI 379\n");
        EXPECT_EQ(port.CountedSteps(), 40);

        port.Sleep(200);
        port.PortOut(0x278, 0xFF); // still queued when the port is closed
    }
    EXPECT_EQ(ReadBytes(log), "O 378 9F\nO 37A 04\nI 379\nS 200\nO 278 FF\n");
}

TEST(ExecPort, CountedDelaysAreSentInOrderOnlyWhenAsked) {
    TempDir dir;
    const auto log = dir / "requests.txt";
    ExecLimits limits;
    limits.sendDelays = true;
    {
        ExecPort port(HelperCommand("recorder.sh", Quoted(log.string())), limits);
        port.PortOut(0x378, 0x9F);
        port.BusySteps(120);
        port.PulseSteps(202, 431); // a pulse at its own step length says how long that is
        port.PulseSteps(40, 0);    // one at the --step-ns length does not
        port.BusySteps(0);         // no wait, nothing sent
        EXPECT_EQ(port.PortIn(0x379), 0x5A);
        EXPECT_EQ(port.CountedSteps(), 362);
    }
    EXPECT_EQ(ReadBytes(log), "O 378 9F\nD 120\nD 202 431\nD 40\nI 379\n");

    // --exec-delays reaches the child through the backend options.
    const auto second = dir / "second.txt";
    BackendOptions options =
        Backend("exec:" + HelperCommand("recorder.sh", Quoted(second.string())));
    options.execDelays = true;
    {
        auto opened = OpenBackend(options);
        opened.io->BusySteps(7);
    }
    EXPECT_EQ(ReadBytes(second), "D 7\n");
}

TEST(ExecPort, AcceptsOneOrTwoHexDigitsWithBlanksAround) {
    ExecPort lower(HelperCommand("recorder.sh", "/dev/null ' 7f \r'"), kQuick);
    EXPECT_EQ(lower.PortIn(0x379), 0x7F);
    ExecPort single(HelperCommand("recorder.sh", "/dev/null 0"), kQuick);
    EXPECT_EQ(single.PortIn(0x379), 0x00);

    EXPECT_EQ(ParseHexByte("FF"), 0xFF);
    EXPECT_EQ(ParseHexByte("\t8\r"), 0x08);
    for (const char* bad : {"", " ", "1FF", "G1", "0x1", "-1", "1 2"})
        EXPECT_FALSE(ParseHexByte(bad).has_value()) << "'" << bad << "'";
}

TEST(ExecPort, GarbageAnswerEndsTheOperationWithTheTextSeen) {
    ExecPort port(HelperCommand("recorder.sh", "/dev/null xyz"), kQuick);
    EXPECT_THAT(ErrorOf([&] { port.PortIn(0x379); }),
                HasSubstr("answered 'xyz' to 'I 379', not a hex byte"));
    ExecPort tooWide(HelperCommand("recorder.sh", "/dev/null 1FF"), kQuick);
    EXPECT_THAT(ErrorOf([&] { tooWide.PortIn(0x279); }), HasSubstr("answered '1FF'"));
}

TEST(ExecPort, AnswerThatNeverEndsItsLineIsRefusedNotCollected) {
    // Megabytes without a newline, then silence: the answer is judged on its first
    // bytes instead of being gathered until memory or patience runs out.
    ExecPort port("read -r request; head -c 4000000 /dev/zero | tr '\\0' 7; sleep 5", kQuick);
    EXPECT_THAT(ErrorOf([&] { port.PortIn(0x379); }),
                HasSubstr("answered '7777777777777777777777777777777777777777...' to 'I 379', "
                          "not a hex byte"));
}

TEST(ExecPort, ChildAnsweringAheadOfTheRequestsIsRefused) {
    // Lines nobody asked for would be taken as the answers to later reads.
    ExecPort port("read -r request; yes 5A", kQuick); // starts at the first request
    EXPECT_EQ(port.PortIn(0x379), 0x5A);
    EXPECT_THAT(ErrorOf([&] { port.PortIn(0x379); }),
                HasSubstr("printed '5A' without being asked, before 'I 379'"));
}

TEST(ExecPort, ChildThatDiesGivesItsExitStatusAndTheLinkStaysDown) {
    ExecPort port(HelperCommand("dies_after_one_read.sh"), kQuick);
    EXPECT_EQ(port.PortIn(0x379), 0x12);
    const std::string first = ErrorOf([&] { port.PortIn(0x379); });
    EXPECT_THAT(first, HasSubstr("exec backend: child"));
    EXPECT_THAT(first, HasSubstr("exited with status 3"));
    // Writes after the break fail the same way instead of vanishing.
    EXPECT_EQ(ErrorOf([&] { port.PortOut(0x378, 1); }), first);
}

TEST(ExecPort, AfterAProtocolErrorTheResetStillReachesTheLiveChild) {
    TempDir dir;
    const auto log = dir / "requests.txt";
    for (const char* answer : {"zz", "1FF"}) { // garbage, then a number too wide
        SCOPED_TRACE(answer);
        {
            ExecPort port(HelperCommand("recorder.sh", Quoted(log.string()) + " '" + answer + "'"),
                          kQuick);
            const std::string error = ErrorOf([&] { port.PortIn(0x379); });
            EXPECT_THAT(error, HasSubstr("not a hex byte"));
            // No answer is trusted any more; the writes of the reset go out at once.
            EXPECT_EQ(ErrorOf([&] { port.PortIn(0x379); }), error);
            port.PortOut(0x378, 0x40);
            port.BusySteps(120);
            port.PortOut(0x37A, 0x05);
            for (int i = 0; i < 200 && ReadBytes(log).find("O 37A 05") == std::string::npos; ++i)
                std::this_thread::sleep_for(5ms);
            EXPECT_EQ(ReadBytes(log), "I 379\nO 378 40\nO 37A 05\n");
        }
        std::filesystem::remove(log);
    }
}

TEST(ExecPort, AChildThatClosesItsOutputIsNoticedWithoutWaitingForTheTimeOut) {
    // It takes no input either: the writes fill the pipe. The limit is far longer
    // than the test may take, so only the closed output can end the wait.
    ExecLimits patient{std::chrono::minutes(10), std::chrono::milliseconds(300)};
    ExecPort port("exec 1>&-; exec sleep 600", patient);
    const std::string error = ErrorOf([&] {
        for (int i = 0; i < 100000; ++i)
            port.PortOut(0x378, static_cast<std::uint8_t>(i));
    });
    EXPECT_THAT(error, HasSubstr("closed its standard output"));
    EXPECT_EQ(ErrorOf([&] { port.PortOut(0x378, 0); }), error); // and nothing more goes
}

TEST(ExecPort, MissingProgramIsNamedAsNotFound) {
    ExecPort port("/nonexistent/quorbit-port-helper", kQuick);
    EXPECT_THAT(ErrorOf([&] { port.PortIn(0x379); }),
                HasSubstr("exited with status 127 (command not found)"));
}

TEST(ExecPort, SilentChildTimesOutAndLateAnswersCannotBeMistaken) {
    ExecPort port(HelperCommand("never_answers.sh"), kQuick);
    const std::string error = ErrorOf([&] { port.PortIn(0x379); });
    EXPECT_THAT(error, HasSubstr("did not answer 'I 379' within 300 ms"));
    EXPECT_EQ(ErrorOf([&] { port.PortIn(0x379); }), error);
}

TEST(ExecPort, ChildIgnoringTheEndIsStoppedWithItsProcessGroup) {
    pid_t pid = 0;
    {
        ExecPort port(HelperCommand("ignores_end.sh"), kQuick);
        pid = port.ChildPid();
        ASSERT_GT(pid, 0);
    }
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    // The shell's own children were killed with it. A killed process takes a
    // moment to die, and may stay a zombie until the system reaps it.
    int live = LiveProcessesInGroup(pid);
    for (int i = 0; i < 200 && live > 0; ++i) {
        std::this_thread::sleep_for(10ms);
        live = LiveProcessesInGroup(pid);
    }
    EXPECT_EQ(live, 0) << "a process of the child's group survived";
}

TEST(ExecPort, DetectionAgainstAnEmptyPortReportsEveryPortNotResponding) {
    auto opened = OpenBackend(Backend("exec:" + HelperCommand("absent_board.sh")));
    Rig rig(std::move(opened.io));
    rig.app->RunGuarded(Form_Load);
    rig.ClearLog();
    Fire(rig.app->ui.testPortButton.onClick);

    EXPECT_FALSE(rig.app->handlerFailed) << rig.app->lastFailure;
    EXPECT_EQ(rig.app->board.BoardModel, 0);
    EXPECT_THAT(rig.LogLines(),
                ::testing::ElementsAre("Port 278 Not Responding", "Port 378 Not Responding",
                                       "Port 3BC Not Responding",
                                       "Can't Locate Quorbit Board at Any LPT port.",
                                       ::testing::StartsWith("Quorbit should be")));
}

TEST(ExecPort, BrokenChildDuringDetectionStopsTheOperationClearly) {
    auto opened = OpenBackend(Backend("exec:" + HelperCommand("dies_after_one_read.sh")));
    Rig rig(std::move(opened.io));
    Fire(rig.app->ui.testPortButton.onClick);
    EXPECT_TRUE(rig.app->handlerFailed);
    EXPECT_THAT(rig.app->lastFailure, HasSubstr("exited with status 3"));
    ASSERT_FALSE(rig.dialogs.boxes.empty());
    EXPECT_THAT(rig.dialogs.boxes.back().text, HasSubstr("exited with status 3"));
}

TEST(ExecPort, FactoryRefusesAnEmptyCommand) {
    EXPECT_THROW(OpenBackend(Backend("exec:")), PortError);
}

} // namespace
} // namespace quorbit::test
