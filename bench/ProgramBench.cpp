// Programming a 27C256 and a 27C512 with random images through the simulated
// board: wall time, port accesses per byte and the board's virtual time (what the
// pulses and latches would take on a real port at the default speed).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/App.h"
#include "app/Shell.h"
#include "app/SystemServices.h"
#include "catalog/DeviceSelection.h"
#include "ops/Program.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

class NoClock : public Clock {
  public:
    [[nodiscard]] LocalTime Now() const override { return {}; }
};

/// Answers OK to the safety question.
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

void BM_Program(benchmark::State& state) {
    const int row = static_cast<int>(state.range(0));
    const int model = static_cast<int>(state.range(1));
    sim::SimBoard board(model, 0x378);
    NoClock clock;
    SilentSound sound;
    OkDialogs dialogs;
    MemorySettings settings;
    Services services;
    services.port = &board;
    services.clock = &clock;
    services.sound = &sound;
    services.dialogs = &dialogs;
    services.settings = &settings;
    services.simBoard = &board;
    // A folder of its own: a port file left by another run would name another model.
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("quorbit-program-bench-" + std::to_string(::getpid()) + "-" + std::to_string(model));
    std::filesystem::create_directories(folder);
    services.appFolder = services.workFolder = services.userConfigFolder = folder.string();
    auto app = std::make_unique<App>(services);
    Form_Load(*app);
    SelectDevice(*app, row);
    const std::size_t size = sim::SimChipSize(row);
    const auto image = sim::RandomContents(size, 42);
    std::copy(image.begin(), image.end(), app->buf.CodeBuffer.begin());

    std::uint64_t accesses = 0;
    std::int64_t virtualNs = 0;
    bool programmed = true;
    for (auto _ : state) {
        state.PauseTiming();
        board.Insert(sim::MakeErasedSimChip(row));
        app->ui.SystemLog.caption.clear();
        state.ResumeTiming();
        const std::uint64_t before = board.Accesses();
        const std::int64_t startNs = board.NowNs();
        PROGRAMCODE(*app);
        accesses = board.Accesses() - before;
        virtualNs = board.NowNs() - startNs;
        programmed = programmed && board.Chip()->Memory() == image;
    }
    if (!programmed) state.SkipWithError("the chip does not hold the image");
    state.counters["accesses_per_byte"] = static_cast<double>(accesses) / static_cast<double>(size);
    state.counters["virtual_s"] = static_cast<double>(virtualNs) / 1e9;
    app.reset();
    std::filesystem::remove_all(folder);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
}

constexpr int kRow27C256 = 11;
constexpr int kRow27C512 = 13;

BENCHMARK(BM_Program)
    ->ArgNames({"row", "model"})
    ->Args({kRow27C256, 4})
    ->Args({kRow27C256, 6})
    ->Args({kRow27C512, 4})
    ->Args({kRow27C512, 6})
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorbit
