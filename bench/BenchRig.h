#pragma once
// A started core on a simulated board for the benchmarks: silent sounds, a clock
// that never moves, dialogs that answer OK, and a folder of its own, so that a port
// file left by another run (another model) cannot change what is measured.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "app/SystemServices.h"
#include "catalog/VoltageSpeed.h"
#include "session/Program.h"
#include "session/SimSocket.h"
#include "session/Startup.h"
#include "sim/SimBoard.h"

namespace quorbit::bench {

class NoClock : public Clock {
  public:
    [[nodiscard]] LocalTime Now() const override { return {}; }
};

/// Answers OK to every safety question.
class OkDialogs : public Dialogs {
  public:
    MsgResult MsgBox(const std::string&, const std::string&, MsgIcon, MsgButtons, int) override {
        return MsgResult::Ok;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::string OpenFileName(const std::string&, const std::string&) override { return {}; }
    std::string SaveFileName(const std::string&, const std::string&) override { return {}; }
};

class BenchRig {
  public:
    explicit BenchRig(int model) : board(model, 0x378) {
        static std::atomic<int> count{0};
        folder_ = std::filesystem::temp_directory_path() /
                  ("quorbit-bench-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        std::filesystem::create_directories(folder_);
        Services services;
        services.port = &board;
        services.clock = &clock_;
        services.sound = &sound_;
        services.dialogs = &dialogs_;
        services.settings = &settings_;
        services.deviceChosen = SocketFollowsDevice(board);
        services.appFolder = services.portFileFolder = services.workFolder =
            services.userConfigFolder = folder_.string();
        app = MakeProgram(services);
        Form_Load(*app);
    }
    ~BenchRig() {
        app.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    BenchRig(const BenchRig&) = delete;
    BenchRig& operator=(const BenchRig&) = delete;

    /// From now on the core talks to `port` (a meter in front of the board, say).
    void UsePort(PortIo& port) {
        app->svc.port = &port;
        app->board.AttachPort(port);
    }

    /// `image` into the code buffer as a loaded raw file would put it: its bytes
    /// from address 0, and they alone are programmed and compared.
    void LoadImage(const std::vector<std::uint8_t>& image) {
        std::fill(app->buf.CodeBuffer.begin(), app->buf.CodeBuffer.end(), std::uint8_t{0xFF});
        std::copy(image.begin(), image.end(), app->buf.CodeBuffer.begin());
        app->buf.CodeCoverage = Coverage::FirstBytes(static_cast<std::uint32_t>(image.size()));
        app->buf.CodeBufferLoaded = 1;
    }

    void SetSlider(int value) {
        app->ui.speedSlider.value = value;
        ApplySpeedSetting(*app);
    }

    sim::SimBoard board;
    std::unique_ptr<App> app;

  private:
    NoClock clock_;
    SilentSound sound_;
    OkDialogs dialogs_;
    MemorySettings settings_;
    std::filesystem::path folder_;
};

} // namespace quorbit::bench
