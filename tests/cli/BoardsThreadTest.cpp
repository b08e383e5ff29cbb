// Several boards at once inside one process, so that ThreadSanitizer (scripts/
// tsan.sh) sees every board's thread: three simulated boards programmed at once,
// one with a faulty chip, as a batch fed from standard input, and stopped midway.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "Fakes.h"
#include "app/TextFile.h"
#include "cli/Cli.h"
#include "hw/StopRequest.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

/// What the run printed, kept whole; counts the lines holding `watched` as they come.
class Collected : public std::streambuf {
  public:
    explicit Collected(std::string watched = {}) : watched_(std::move(watched)) {}
    [[nodiscard]] std::string Text() {
        const std::lock_guard hold(lock_);
        return text_;
    }
    std::atomic<int> seen{0};

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char one = traits_type::to_char_type(c);
        xsputn(&one, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::lock_guard hold(lock_);
        for (std::streamsize i = 0; i < n; ++i) {
            line_ += s[i];
            if (s[i] != '\n') continue;
            if (!watched_.empty() && line_.find(watched_) != std::string::npos) ++seen;
            text_ += line_;
            line_.clear();
        }
        return n;
    }

  private:
    std::string watched_;
    std::mutex lock_;
    std::string text_, line_;
};

int RunCli(const std::vector<std::string>& args, Collected& out, Collected& err) {
    std::vector<const char*> argv = {"quorbit-cli"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostream o(&out), e(&err);
    return cli::Run(static_cast<int>(argv.size()), argv.data(), o, e);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

/// The lines of `text` that begin with `port` and hold `part`.
std::size_t LinesOf(const std::string& text, const std::string& port, const std::string& part) {
    std::size_t n = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        n += line.rfind(port, 0) == 0 && line.find(part) != std::string::npos;
    return n;
}

/// Standard input from a file for as long as it lives.
class InputFrom {
  public:
    explicit InputFrom(const std::filesystem::path& file)
        : saved_(::dup(STDIN_FILENO)), file_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {
        ::dup2(file_, STDIN_FILENO);
    }
    ~InputFrom() {
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
        ::close(file_);
    }
    InputFrom(const InputFrom&) = delete;
    InputFrom& operator=(const InputFrom&) = delete;

  private:
    int saved_, file_;
};

struct BoardsThread : ::testing::Test {
    TempDir dir;
    ~BoardsThread() override { ClearStopRequest(); }

    std::vector<std::string> Boards(std::vector<std::string> verb) const {
        std::vector<std::string> args = {
            "--config-dir", dir.path().string(), "--yes",   "--sim-chip",
            "27C256",       "--sim-fault",       "100:6:1", "--ports",
            "378,278,D100", "--sim-fault-ports", "278"};
        args.insert(args.end(), verb.begin(), verb.end());
        return args;
    }
};

TEST_F(BoardsThread, ThreeBoardsProgramAndBatchAtOnceTheFaultyOneAlone) {
    std::vector<std::uint8_t> image(1024, 0x5A);
    image[0x100] = 0x00;
    const std::string file = (dir / "image.bin").string();
    WriteBytes(file, std::string(image.begin(), image.end()));
    {
        Collected out, err;
        EXPECT_EQ(RunCli(Boards({"program", "-d", "27C256", file}), out, err), 1) << err.Text();
        const std::string text = out.Text();
        for (const char* port : {"378: ", "D100: "})
            EXPECT_EQ(LinesOf(text, port, ">  Device Contents MATCHES"), 1u) << port << text;
        EXPECT_EQ(LinesOf(text, "278: ", ">  *** Programming Failure ***"), 1u);
        EXPECT_EQ(Count(text, ">  *** Programming Failure ***"), 1u);
        EXPECT_EQ(Count(out.Text(), "program: 2 of 3 boards OK, failed: 278\n"), 1u);
    }
    WriteBytes(dir / "enter.txt", "\n\n\n");
    const InputFrom input(dir / "enter.txt");
    Collected out, err;
    EXPECT_EQ(RunCli(Boards({"batch", "-d", "27C256", file, "--serial", "7FF0:2", "--record",
                             (dir / "record.csv").string()}),
                     out, err),
              1);
    EXPECT_EQ(Count(out.Text(), "\nbatch: 6 good, 3 failed, 0 skipped, next serial"), 1u)
        << out.Text();
    EXPECT_EQ(Count(ReadBytes(dir / "record.csv"), "\n"), 10u) << "the header and nine chips";
}

TEST_F(BoardsThread, AStopFromAnotherThreadStopsEveryBoard) {
    const auto image = sim::RandomContents(512 * 1024, 8);
    const std::string file = (dir / "image.bin").string();
    WriteBytes(file, std::string(image.begin(), image.end()));
    Collected out("Start programming"), err;
    std::atomic<bool> done{false};
    // The Stop button, or the signal handler, once every board has begun.
    std::thread stop([&] {
        while (!done.load() && out.seen.load() < 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        RequestStop();
    });
    const int status =
        RunCli({"--config-dir", dir.path().string(), "--yes", "--sim-chip", "AM29F040", "--ports",
                "378,278,D100", "program", "-d", "AM29F040", file},
               out, err);
    done.store(true);
    stop.join();
    EXPECT_EQ(status, 1);
    const std::string text = out.Text();
    for (const char* port : {"378: ", "278: ", "D100: "}) {
        EXPECT_EQ(LinesOf(text, port, ">  Operation stopped by the operator"), 1u) << port << text;
        EXPECT_EQ(LinesOf(text, port, ">  Board reset, programming voltage off"), 1u) << port;
    }
    EXPECT_EQ(Count(text, "Successfull"), 0u);
    EXPECT_TRUE(StopTaken()) << "the run ended on the stop, as one board's would";
}

} // namespace
} // namespace quorbit::test
