#pragma once
// Test doubles for the platform services and a ready-made core on a temp folder.
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "app/SystemServices.h"
#include "hw/PortIo.h"
#include "sim/SimBoard.h"

namespace quorbit::test {

/// Records every port access; reads answer from a queue, else a fixed byte.
class RecordingPort : public PortIo {
  public:
    struct Access {
        char kind; // 'O' write, 'I' read, 'S' sleep, 'B' busy steps
        int port;
        long long value;
        bool operator==(const Access&) const = default;
    };
    void PortOut(std::uint16_t port, std::uint8_t value) override {
        log.push_back({'O', port, value});
    }
    std::uint8_t PortIn(std::uint16_t port) override {
        std::uint8_t v = idle;
        if (!reads.empty()) {
            v = reads.front();
            reads.pop_front();
        }
        log.push_back({'I', port, v});
        return v;
    }
    void Sleep(int ms) override { log.push_back({'S', 0, ms}); }
    void BusySteps(std::int64_t steps) override { log.push_back({'B', 0, steps}); }
    [[nodiscard]] std::string Describe() const override { return "recording port"; }

    /// Port writes only, as (port, value) pairs.
    [[nodiscard]] std::vector<std::pair<int, int>> Writes() const {
        std::vector<std::pair<int, int>> w;
        for (const auto& a : log)
            if (a.kind == 'O') w.emplace_back(a.port, static_cast<int>(a.value));
        return w;
    }
    std::vector<Access> log;
    std::deque<std::uint8_t> reads;
    std::uint8_t idle = 0xFF;
};

/// The simulated board behind a port that halts at one access until the test lets
/// it go: an operation caught midway, for as long as the test needs, without timing.
class PausingPort : public PortIo {
  public:
    explicit PausingPort(std::unique_ptr<sim::SimBoard> board) : board_(std::move(board)) {}
    [[nodiscard]] sim::SimBoard& Board() const { return *board_; }

    /// The access (counted from 1, from now on) at which the port halts.
    void PauseAt(std::uint64_t access);
    /// Waits until an access has halted (the test's thread).
    void WaitUntilPaused();
    /// Lets the halted access, and all after it, go on.
    void Release();

    void PortOut(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void Sleep(int ms) override { board_->Sleep(ms); }
    void BusySteps(std::int64_t steps) override { board_->BusySteps(steps); }
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override {
        board_->PulseSteps(steps, stepNs);
    }
    [[nodiscard]] std::int64_t NowNs() const override { return board_->NowNs(); }
    [[nodiscard]] std::string Describe() const override { return board_->Describe(); }

  private:
    void Count();

    std::unique_ptr<sim::SimBoard> board_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t accesses_ = 0, pauseAt_ = 0;
    bool paused_ = false, released_ = false;
};

class FixedClock : public Clock {
  public:
    [[nodiscard]] LocalTime Now() const override { return now; }
    LocalTime now{2026, 12, 8, 9, 5, 7};
};

class RecordingSound : public SoundPlayer {
  public:
    void Play(const std::string& file) override { played.push_back(file); }
    std::vector<std::string> played;
};

class ScriptedDialogs : public Dialogs {
  public:
    struct Box {
        std::string text, title;
        MsgIcon icon;
        MsgButtons buttons;
        int defaultButton;
        std::string informative = {};
    };
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override {
        boxes.push_back({text, title, icon, buttons, defaultButton, {}});
        if (!answers.empty()) {
            auto a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
    }
    MsgResult MsgBoxDetailed(const std::string& text, const std::string& informative,
                             const std::string& title, MsgIcon icon, MsgButtons buttons,
                             int defaultButton) override {
        const MsgResult answer = MsgBox(text, title, icon, buttons, defaultButton);
        boxes.back().informative = informative;
        return answer;
    }
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override {
        inputs.push_back(prompt + "|" + title);
        if (inputAnswers.empty()) return std::nullopt;
        auto a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }
    std::string OpenFileName(const std::string& title, const std::string&) override {
        fileTitles.push_back(title);
        return NextFile();
    }
    std::string SaveFileName(const std::string& title, const std::string&) override {
        fileTitles.push_back(title);
        return NextFile();
    }
    std::string NextFile() {
        if (fileAnswers.empty()) return {};
        auto f = fileAnswers.front();
        fileAnswers.pop_front();
        return f;
    }
    std::vector<Box> boxes;
    std::deque<MsgResult> answers;
    std::vector<std::string> inputs;
    std::deque<std::optional<std::string>> inputAnswers;
    std::vector<std::string> fileTitles;
    std::deque<std::string> fileAnswers;
};

/// A fresh temporary folder, removed at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

/// The core wired to fakes. With a SimBoard by default; a RecordingPort on request.
struct Rig {
    explicit Rig(int simModel = 6, std::uint16_t simPort = 0x378);
    explicit Rig(std::unique_ptr<PortIo> port);
    /// A port that wraps the simulated board `simulated` (a PausingPort).
    Rig(std::unique_ptr<PortIo> port, sim::SimBoard& simulated);

    TempDir dir;
    std::unique_ptr<PortIo> port;
    sim::SimBoard* sim = nullptr; // when the port is the simulator
    FixedClock clock;
    RecordingSound sound;
    ScriptedDialogs dialogs;
    MemorySettings settings;
    std::unique_ptr<App> app;

    /// Log lines without their time stamp, oldest first.
    [[nodiscard]] std::vector<std::string> LogLines() const;
    void ClearLog() { app->ui.SystemLog.caption.clear(); }

  private:
    void Build();
};

/// Writes bytes to a file (test input).
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);

} // namespace quorbit::test
