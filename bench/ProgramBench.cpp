// Programming a 27C256 and a 27C512 with random images through the simulated
// board: wall time, port accesses per byte and the board's virtual time (what the
// pulses and latches would take on a real port at the default speed).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchRig.h"
#include "app/App.h"
#include "app/Shell.h"
#include "catalog/DeviceSelection.h"
#include "ops/Program.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

void BM_Program(benchmark::State& state) {
    const int row = static_cast<int>(state.range(0));
    const int model = static_cast<int>(state.range(1));
    bench::BenchRig rig(model);
    sim::SimBoard& board = rig.board;
    App* app = rig.app.get();
    SelectDevice(*app, row);
    const std::size_t size = sim::SimChipSize(row);
    const auto image = sim::RandomContents(size, 42);
    rig.LoadImage(image);

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
        ProgramCodeAsShown(*app);
        accesses = board.Accesses() - before;
        virtualNs = board.NowNs() - startNs;
        programmed = programmed && board.Chip()->Memory() == image;
    }
    if (!programmed) state.SkipWithError("the chip does not hold the image");
    state.counters["accesses_per_byte"] = static_cast<double>(accesses) / static_cast<double>(size);
    state.counters["virtual_s"] = static_cast<double>(virtualNs) / 1e9;
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
