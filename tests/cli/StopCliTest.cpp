// quorbit-cli stopped from outside: a signal midway through a long command, or a
// reader of its output that went away. The run must end as a failure ends, with
// the board reset at the end of the trace, --sim-save written and the right
// status, never cut off with the programming voltage on.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Fakes.h"
#include "app/TextFile.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;

/// The last `count` lines of a text, each with its newline.
std::string LastLines(const std::string& text, std::size_t count) {
    std::size_t at = text.size();
    if (at > 0 && text[at - 1] == '\n') --at;
    for (std::size_t n = 0; n < count && at != std::string::npos && at > 0; ++n)
        at = text.rfind('\n', at - 1);
    return at == std::string::npos ? text : text.substr(at + 1);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

/// One quorbit-cli started in a folder, with the dispositions a shell gives it
/// (SIGPIPE and the stop signals at their defaults), standard error to err.txt
/// and standard output to out.txt or to the descriptor given.
class Started {
  public:
    /// `waiting`: a signal already waiting (blocked) as the program starts, so that
    /// it arrives at the very start, while the first files are read.
    Started(const fs::path& folder, const std::vector<std::string>& args, int output = -1,
            int input = -1, int waiting = 0) {
        std::vector<std::string> all = {QUORBIT_CLI_PATH, "--config-dir", folder.string()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(folder.c_str()) != 0) ::_exit(126);
            const int out =
                output >= 0 ? output : ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
            if (input >= 0 && ::dup2(input, 0) < 0) ::_exit(126);
            for (const int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
                std::signal(s, SIG_DFL);
            if (waiting != 0) {
                sigset_t blocked;
                sigemptyset(&blocked);
                sigaddset(&blocked, waiting);
                ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
                ::raise(waiting); // waits, blocked, through the exec
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~Started() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    void Signal(int signal) const { ::kill(pid_, signal); }
    /// True once the process sleeps in a kernel function named with `where` (wchan);
    /// waits at most a minute, a safety net only.
    [[nodiscard]] bool BlockedIn(const std::string& where) const {
        for (int i = 0; i < 12000; ++i) {
            if (ReadBytes("/proc/" + std::to_string(pid_) + "/wchan").find(where) !=
                std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    /// True once no signal `signal` waits to be taken (the handler has run), from
    /// the process's status in /proc; waits at most a minute, a safety net only.
    [[nodiscard]] bool Took(int signal) const {
        const std::uint64_t bit = std::uint64_t{1} << (signal - 1);
        for (int i = 0; i < 12000; ++i) {
            std::istringstream status(ReadBytes("/proc/" + std::to_string(pid_) + "/status"));
            std::uint64_t pending = 0;
            for (std::string line; std::getline(status, line);)
                if (line.rfind("SigPnd:", 0) == 0 || line.rfind("ShdPnd:", 0) == 0)
                    pending |= std::stoull(line.substr(7), nullptr, 16);
            if ((pending & bit) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    /// The raw wait status. A run that hangs is killed after a minute (a safety
    /// net, no time is measured) and shows as ended by SIGKILL.
    int Wait() {
        int status = 0;
        for (int i = 0; i < 12000; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                waited_ = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return status;
    }
    /// Waits (at most a minute, a safety net only) until the file holds the text.
    static bool WaitFor(const fs::path& file, const std::string& text) {
        for (int i = 0; i < 12000; ++i) {
            if (ReadBytes(file).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

  private:
    pid_t pid_ = -1;
    bool waited_ = false;
};

struct CliStop : ::testing::Test {
    TempDir dir;

    std::string Text(const std::string& name) const { return ReadBytes(dir / name); }

    /// The last register writes of a run that finished: its closing board reset
    /// (of the board at `port`, when given).
    std::string FinishedReset(const std::string& chip, const std::string& port = "") const {
        std::vector<std::string> args = {"--sim-chip", chip, "--trace", "finished.txt",
                                         "id",         "-d", chip};
        if (!port.empty()) args.insert(args.end(), {"--port", port, "--sim-port", port});
        Started run(dir.path(), args);
        const int status = run.Wait();
        EXPECT_TRUE(WIFEXITED(status)) << status;
        return LastLines(Text("finished.txt"), kResetLines);
    }

    /// Registers 0 to 3, each a data byte, select, strobe, select with the pacing
    /// delays between them.
    static constexpr std::size_t kResetLines = 28;
};

TEST_F(CliStop, EachStopSignalEndsTheProgrammingWithTheBoardResetAndItsOwnStatus) {
    const auto image = sim::RandomContents(512 * 1024, 5);
    WriteBytes(dir / "image.bin", std::string(image.begin(), image.end()));
    const std::string reset = FinishedReset("AM29F040");
    ASSERT_EQ(Count(reset, "\n"), kResetLines);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        fs::remove(dir / "saved.bin");
        fs::remove(dir / "out.txt");
        Started run(dir.path(), {"--sim-chip", "AM29F040", "--trace", "trace.txt", "--sim-save",
                                 "saved.bin", "program", "-d", "AM29F040", "image.bin", "--yes"});
        ASSERT_TRUE(Started::WaitFor(dir / "out.txt", "Start programming")) << Text("out.txt");
        run.Signal(signal);
        const int status = run.Wait();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        const std::string out = Text("out.txt");
        EXPECT_EQ(Count(out, ">  Operation stopped by the operator\n"), 1u) << out;
        EXPECT_EQ(Count(out, "Successfull"), 0u) << out;
        // The stop's own reset, then the closing one: the voltages are off.
        EXPECT_EQ(LastLines(Text("trace.txt"), 2 * kResetLines), reset + reset);
        const std::string saved = Text("saved.bin");
        EXPECT_EQ(saved.size(), image.size());
        EXPECT_NE(saved, std::string(image.begin(), image.end())); // stopped midway
        // The log says where it stopped, what the chip holds and what the board is left with.
        EXPECT_EQ(Count(out, ">  Stopped at address "), 1u) << out;
        EXPECT_EQ(Count(out, "h perhaps in part, the rest not touched\n"), 1u) << out;
        EXPECT_EQ(Count(out, ">  Board reset, programming voltage off\n"), 1u) << out;
    }
    // --json gives the same record as keys of its object.
    fs::remove(dir / "err.txt");
    Started run(dir.path(), {"--sim-chip", "AM29F040", "--json", "program", "-d", "AM29F040",
                             "image.bin", "--yes"});
    ASSERT_TRUE(Started::WaitFor(dir / "err.txt", "Start programming")) << Text("err.txt");
    run.Signal(SIGTERM);
    run.Wait();
    const std::string object = Text("out.txt");
    const auto stop = object.find("\"stop\":{");
    ASSERT_NE(stop, std::string::npos) << object;
    const std::string keys = object.substr(stop, object.find('}', stop) - stop);
    for (const char* key : {"\"address\":", "h perhaps in part, the rest not touched\"",
                            "\"board\":\"board reset, programming voltage off\""})
        EXPECT_NE(keys.find(key), std::string::npos) << key << " in " << keys;
}

// Three boards programming at once: one signal stops them all, each the safe
// way, with its own stop's reset and the closing one at the end of its trace.
TEST_F(CliStop, OneSignalStopsEveryBoardOfSeveralWithEachBoardReset) {
    const auto image = sim::RandomContents(512 * 1024, 7);
    WriteBytes(dir / "image.bin", std::string(image.begin(), image.end()));
    const std::vector<std::string> ports = {"378", "278", "D100"};
    std::vector<std::string> resets;
    for (const std::string& port : ports)
        resets.push_back(FinishedReset("AM29F040", port));
    fs::remove(dir / "out.txt");
    Started run(dir.path(), {"--sim-chip", "AM29F040", "--trace", "trace-{port}.txt", "--sim-save",
                             "saved-{port}.bin", "--ports", "378,278,D100", "program", "-d",
                             "AM29F040", "image.bin", "--yes"});
    for (int i = 0; i < 12000 && Count(Text("out.txt"), "Start programming") < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(Count(Text("out.txt"), "Start programming"), 3u) << Text("out.txt");
    run.Signal(SIGTERM);
    const int status = run.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    const std::string out = Text("out.txt");
    EXPECT_EQ(Count(out, "Successfull"), 0u) << out;
    for (std::size_t k = 0; k < ports.size(); ++k) {
        SCOPED_TRACE(ports[k]);
        std::size_t stopped = 0, reset = 0;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(ports[k] + ": ", 0) != 0) continue;
            stopped += line.find(">  Operation stopped by the operator") != std::string::npos;
            reset += line.find(">  Board reset, programming voltage off") != std::string::npos;
        }
        EXPECT_EQ(stopped, 1u) << out;
        EXPECT_EQ(reset, 1u) << out;
        EXPECT_EQ(LastLines(Text("trace-" + ports[k] + ".txt"), 2 * kResetLines),
                  resets[k] + resets[k]);
        const std::string saved = Text("saved-" + ports[k] + ".bin");
        EXPECT_EQ(saved.size(), image.size());
        EXPECT_NE(saved, std::string(image.begin(), image.end())); // stopped midway
    }
    EXPECT_NE(out.find("program: 0 of 3 boards OK, failed: 378, 278 and D100\n"), std::string::npos)
        << out;
}

// A batch stopped in its second chip: the chip in hand ends the safe way, the
// record keeps the good chip and the stopped one whole, and the summary is said.
// Stopped again while it waits for the next chip, it ends at once too.
TEST_F(CliStop, AStopInABatchEndsTheChipInHandSafelyAndKeepsTheRecordWhole) {
    const auto image = sim::RandomContents(512 * 1024, 6);
    WriteBytes(dir / "image.bin", std::string(image.begin(), image.end()));
    WriteBytes(dir / "small.bin", std::string(image.begin(), image.begin() + 256));
    const std::string reset = FinishedReset("AM29F040");
    for (const bool waiting : {false, true}) {
        SCOPED_TRACE(waiting ? "waiting for the next chip" : "programming");
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        ASSERT_EQ(::write(input[1], "\n\n", waiting ? 1 : 2), waiting ? 1 : 2);
        fs::remove(dir / "record.csv");
        Started run(dir.path(),
                    {"--trace", "trace.txt", "batch", "-d", "AM29F040",
                     waiting ? "small.bin" : "image.bin", "--yes", "--serial", "7FFF0:4",
                     "--record", "record.csv"},
                    -1, input[0]);
        ::close(input[0]);
        if (waiting)
            ASSERT_TRUE(Started::WaitFor(dir / "out.txt", "chip 1: OK")) << Text("out.txt");
        else
            ASSERT_TRUE(Started::WaitFor(dir / "out.txt", "Start programming"));
        run.Signal(SIGTERM);
        const int status = run.Wait();
        ::close(input[1]);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        const std::string out = Text("out.txt");
        const std::string record = Text("record.csv");
        EXPECT_EQ(LastLines(Text("trace.txt"), kResetLines), reset);
        EXPECT_EQ(Count(out, "Successfull"), waiting ? 1u : 0u) << out;
        EXPECT_EQ(Count(record, "\n"), 2u) << record; // the header and one chip
        if (waiting) {
            EXPECT_EQ(WEXITSTATUS(status), 1);
            EXPECT_EQ(Count(out, "batch: 1 good, 0 failed, 0 skipped, next serial 000002; "
                                 "stopped by the operator"),
                      1u)
                << out;
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
            EXPECT_EQ(Count(out, "chip 1: STOPPED ("), 1u) << out;
            EXPECT_EQ(Count(record, ",1,000001,Flash AMD AM29F040,STOPPED,"), 1u) << record;
            EXPECT_EQ(Count(out, "batch: 0 good, 0 failed, 0 skipped, next serial 000001; "
                                 "stopped by the operator"),
                      1u)
                << out;
        }
    }
}

// A trace into a pipe nobody reads is refused at once; one whose reader has
// stopped reading holds the run only until the stop: one signal ends it, with
// the trace given up and the output not written.
TEST_F(CliStop, OneSignalEndsARunHeldByATraceNobodyReads) {
    ASSERT_EQ(::mkfifo((dir / "trace").c_str(), 0600), 0);
    {
        Started unread(dir.path(), {"--trace", "trace", "detect"});
        const int status = unread.Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
        EXPECT_EQ(Count(Text("err.txt"),
                        "Cannot open the trace file trace: no program is reading from the pipe"),
                  1u);
    }
    const int reader = ::open((dir / "trace").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    Started run(dir.path(), {"--sim-chip", "27C256", "--trace", "trace", "read", "-d", "27C256",
                             "-o", "read.bin"});
    // Waiting for room in the full pipe, the run is well past its start.
    ASSERT_TRUE(run.BlockedIn("poll"));
    run.Signal(SIGTERM);
    const int status = run.Wait();
    ::close(reader);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    EXPECT_FALSE(fs::exists(dir / "read.bin"));
    EXPECT_EQ(Count(Text("out.txt"), ">  Operation stopped by the operator\n"), 1u)
        << Text("out.txt");
    EXPECT_EQ(Count(Text("err.txt"), "Cannot write the trace file trace: stopped by the operator"),
              1u)
        << Text("err.txt");
}

// A stop that cannot finish (the board's link waits for an answer that does not
// come) ends at once on a second signal, with its status; the trace so far is
// put in place.
TEST_F(CliStop, ASecondSignalEndsAStopThatCannotFinish) {
    Started run(dir.path(), {"-b", "exec:sh " QUORBIT_TEST_HELPERS "/never_answers.sh", "--trace",
                             "trace.txt", "detect"});
    // Waiting for the child's answer (for seconds), the run is past its start.
    ASSERT_TRUE(run.BlockedIn("poll"));
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.Took(SIGTERM));
    run.Signal(SIGINT);
    const int status = run.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT); // not the first signal's, after the wait
    EXPECT_TRUE(fs::exists(dir / "trace.txt"));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

// A stop that comes before anything ran (reading the port file and the
// simulator's image) is the operator's stop, not a problem with a file: taken up
// at the first port access, with the closing reset traced and the chip saved.
TEST_F(CliStop, AStopAtTheStartIsAStopNotAFileProblem) {
    // Before a device is chosen the reset has no pacing delays: 16 register writes.
    std::string reset;
    {
        Started detect(dir.path(), {"--trace", "detect.txt", "detect"});
        ASSERT_EQ(detect.Wait(), 0);
        reset = LastLines(Text("detect.txt"), 16);
    }
    const auto image = sim::RandomContents(32768, 12);
    WriteBytes(dir / "image.bin", std::string(image.begin(), image.end()));
    ASSERT_TRUE(fs::exists(dir / "quorbit6.ini")); // read at the start
    Started run(dir.path(),
                {"--sim-chip", "27C256", "--sim-image", "image.bin", "--trace", "trace.txt",
                 "--sim-save", "saved.bin", "--json", "blank", "-d", "27C256"},
                -1, -1, SIGHUP);
    const int status = run.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGHUP);
    const std::string all = Text("out.txt") + Text("err.txt");
    EXPECT_EQ(Count(all, ">  Operation stopped by the operator"), 1u) << all;
    for (const char* fileProblem : {"Could not read", "Cannot read", "IS BLANK"})
        EXPECT_EQ(Count(all, fileProblem), 0u) << all;
    EXPECT_NE(Text("out.txt").find("\"result\":\"stopped\",\"exit\":129"), std::string::npos);
    EXPECT_EQ(LastLines(Text("trace.txt"), 16), reset);
    EXPECT_EQ(Text("saved.bin"), std::string(image.begin(), image.end()));
}

// One run, one outcome: a signal that comes once the command has claimed its
// result (the board's last line answered) leaves the claim, the status and the
// JSON result as they were; one that comes earlier stops the command before it
// claims anything.
TEST_F(CliStop, ASignalAfterTheClaimLeavesTheOutcomeAndOneBeforeItStops) {
    const std::string row = "11"; // 27C256, erased in the child's socket
    const auto board = [&](long reads, int signal) {
        return "exec:exec " QUORBIT_SIM_BOARD_CHILD " 6 " + row + " " + std::to_string(reads) +
               (signal != 0 ? " " + std::to_string(signal) : std::string());
    };
    std::size_t reads = 0;
    {
        Started whole(dir.path(), {"-b", board(1'000'000'000, 0), "--trace", "whole.txt", "blank",
                                   "-d", "27C256"});
        ASSERT_EQ(whole.Wait(), 0) << Text("out.txt") << Text("err.txt");
        reads = Count(Text("whole.txt"), "\nI ");
    }
    ASSERT_GT(reads, 32768u);
    for (const std::size_t before : {reads / 2, reads - 1, reads}) {
        SCOPED_TRACE("the signal after read " + std::to_string(before) + " of " +
                     std::to_string(reads));
        Started run(dir.path(), {"-b", board(static_cast<long>(before), SIGHUP), "--json", "blank",
                                 "-d", "27C256"});
        const int status = run.Wait();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        const std::string log = Text("err.txt"), json = Text("out.txt");
        const bool claimed = log.find(">  Device IS BLANK (ERASED)\n") != std::string::npos;
        const bool stopped =
            log.find(">  Operation stopped by the operator\n") != std::string::npos;
        EXPECT_NE(claimed, stopped) << log;
        EXPECT_EQ(WEXITSTATUS(status), claimed ? 0 : 128 + SIGHUP) << log;
        EXPECT_NE(json.find(claimed ? "\"result\":\"ok\",\"exit\":0"
                                    : "\"result\":\"stopped\",\"exit\":129"),
                  std::string::npos)
            << json;
        if (before == reads) {
            EXPECT_TRUE(claimed) << "nothing was left to stop";
        }
    }
}

TEST_F(CliStop, AStopWhileTheImageIsAwaitedOnStandardInputEndsTheWait) {
    const std::string reset = FinishedReset("27C256");
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0); // the writer stays open and silent
    fs::remove(dir / "out.txt");
    Started run(
        dir.path(),
        {"--sim-chip", "27C256", "--trace", "trace.txt", "program", "-d", "27C256", "-", "--yes"},
        -1, pipe[0]);
    ::close(pipe[0]);
    ASSERT_TRUE(Started::WaitFor(dir / "out.txt", "Device Size is")) << Text("out.txt");
    run.Signal(SIGTERM);
    const int status = run.Wait();
    ::close(pipe[1]);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    const std::string out = Text("out.txt");
    EXPECT_EQ(Count(out, ">  Operation stopped by the operator\n"), 1u) << out;
    EXPECT_EQ(Count(out, "Programming Button Pressed"), 0u) << out;
    EXPECT_EQ(LastLines(Text("trace.txt"), kResetLines), reset);
}

TEST_F(CliStop, AnImageOutputNobodyReadsEndsTheRunWithAFailureAndTheBoardReset) {
    const std::string reset = FinishedReset("27C256");
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    ::close(pipe[0]); // the reader is gone before the image comes
    Started run(dir.path(),
                {"--sim-chip", "27C256", "--sim-image", "random:3", "--trace", "trace.txt",
                 "--sim-save", "saved.bin", "read", "-d", "27C256", "-o", "-"},
                pipe[1]);
    ::close(pipe[1]);
    const int status = run.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_NE(WEXITSTATUS(status), 0);
    const std::string err = Text("err.txt");
    EXPECT_NE(err.find("Could not save the code buffer to -: Broken pipe"), std::string::npos)
        << err;
    EXPECT_EQ(err.find("File Sucessfully Saved"), std::string::npos) << err;
    EXPECT_EQ(LastLines(Text("trace.txt"), kResetLines), reset);
    EXPECT_EQ(Text("saved.bin").size(), 32768u);
}

TEST_F(CliStop, LogLinesNobodyReadsDoNotStopTheProgramming) {
    const auto image = sim::RandomContents(32768, 9);
    WriteBytes(dir / "image.bin", std::string(image.begin(), image.end()));
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    ::close(pipe[0]); // as `| grep -m1 Started` once it has its line
    Started run(dir.path(),
                {"--sim-chip", "27C256", "--sim-save", "saved.bin", "program", "-d", "27C256",
                 "image.bin", "--yes", "--verify-after"},
                pipe[1]);
    ::close(pipe[1]);
    const int status = run.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << Text("err.txt");
    EXPECT_EQ(Text("saved.bin"), std::string(image.begin(), image.end()));
}

TEST_F(CliStop, ATraceReaderThatGoesAwayFailsTheRunButNotTheSimulatorSave) {
    ASSERT_EQ(::mkfifo((dir / "trace").c_str(), 0600), 0);
    const int reader = ::open((dir / "trace").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    Started run(dir.path(), {"--sim-chip", "27C256", "--sim-image", "fill:FF", "--trace", "trace",
                             "--sim-save", "saved.bin", "blank", "-d", "27C256"});
    // Reads a little of the trace, then stops reading.
    char chunk[256];
    ssize_t got = 0;
    for (int i = 0; i < 12000 && got <= 0; ++i) {
        got = ::read(reader, chunk, sizeof chunk);
        if (got <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(reader);
    ASSERT_GT(got, 0);
    const int status = run.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    const std::string all = Text("out.txt") + Text("err.txt");
    EXPECT_NE(WEXITSTATUS(status), 0) << all;
    EXPECT_EQ(Count(all, "Cannot write the trace file trace: Broken pipe"), 2u) << all; // log, box
    EXPECT_EQ(Text("saved.bin"), std::string(32768, '\xFF'));
}

} // namespace
} // namespace quorbit::test
