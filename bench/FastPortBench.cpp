// Full-chip programs with random images, and a 27C256 read, in the normal and the
// fast port mode: port accesses per byte and the board's time at 1 us per port
// access plus the pauses and waits, as --estimate counts it on a real port.
//
// The goals, against the normal mode: every full-chip program within 1.5 times
// the datasheet floor plus 8 accesses per byte; AM29F040 under 25 s, AM29F010
// under 7 s, 24C32 under 1.5 s, a 27C256 read under 0.6 s; no chip slower.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchRig.h"
#include "app/App.h"
#include "app/Shell.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"
#include "ops/Program.h"
#include "ops/Read.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

constexpr int kRow27C256 = 11;
constexpr int kRow27C010 = 15;
constexpr int kRowAt29c256 = 23;
constexpr int kRowAm29F010 = 25;
constexpr int kRowAm29F040 = 27;
constexpr int kRowX28c256 = 33;
constexpr int kRow24C32 = 38;
constexpr int kRowSst39sf010 = 41;

void Report(benchmark::State& state, std::uint64_t accesses, std::int64_t boardNs,
            std::size_t size) {
    state.counters["accesses_per_byte"] = static_cast<double>(accesses) / static_cast<double>(size);
    state.counters["board_s"] = static_cast<double>(boardNs) / 1e9;
}

/// row, board model, fast (0 or 1).
void BM_FullProgram(benchmark::State& state) {
    const int row = static_cast<int>(state.range(0));
    bench::BenchRig rig(static_cast<int>(state.range(1)));
    App* app = rig.app.get();
    app->svc.deviceChosen = nullptr; // each run's chip stays in the socket
    SelectDevice(*app, row);
    app->board.FastPort = state.range(2) != 0;
    const std::size_t size = sim::SimChipSize(row);
    const auto image = sim::RandomContents(size, 7);
    rig.LoadImage(image);
    std::uint64_t accesses = 0;
    std::int64_t boardNs = 0;
    bool programmed = true;
    for (auto _ : state) {
        state.PauseTiming();
        rig.board.Insert(sim::MakeErasedSimChip(row));
        app->ui.SystemLog.caption.clear();
        state.ResumeTiming();
        const auto before = rig.board.Accesses();
        const auto t0 = rig.board.NowNs();
        ProgramCodeAsShown(*app);
        accesses = rig.board.Accesses() - before;
        boardNs = rig.board.NowNs() - t0;
        programmed = programmed && rig.board.Chip()->Memory() == image;
    }
    if (!programmed) state.SkipWithError("the chip does not hold the image");
    Report(state, accesses, boardNs, size);
}

void BM_Read27C256(benchmark::State& state) {
    bench::BenchRig rig(static_cast<int>(state.range(0)));
    App* app = rig.app.get();
    app->svc.deviceChosen = nullptr;
    SelectDevice(*app, kRow27C256);
    app->board.FastPort = state.range(1) != 0;
    const std::size_t size = sim::SimChipSize(kRow27C256);
    rig.board.Insert(sim::MakeSimChip(kRow27C256, sim::RandomContents(size, 3)));
    std::uint64_t accesses = 0;
    std::int64_t boardNs = 0;
    for (auto _ : state) {
        const auto before = rig.board.Accesses();
        const auto t0 = rig.board.NowNs();
        ReadCodeMemory(*app);
        accesses = rig.board.Accesses() - before;
        boardNs = rig.board.NowNs() - t0;
    }
    if (rig.board.Chip()->Memory() !=
        std::vector<std::uint8_t>(app->buf.CodeBuffer.begin(),
                                  app->buf.CodeBuffer.begin() + static_cast<std::ptrdiff_t>(size)))
        state.SkipWithError("the buffer does not hold the chip");
    Report(state, accesses, boardNs, size);
}

BENCHMARK(BM_FullProgram)
    ->ArgNames({"row", "model", "fast"})
    ->ArgsProduct({{kRow27C256, kRow27C010, kRowAt29c256, kRowAm29F010, kRowAm29F040, kRowX28c256,
                    kRow24C32, kRowSst39sf010},
                   {6},
                   {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Read27C256)
    ->ArgNames({"model", "fast"})
    ->ArgsProduct({{4, 6}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
} // namespace quorbit
