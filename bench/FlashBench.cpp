// A full AM29F040 (512 KB) program and chip erase through the simulated board:
// port accesses per byte and the simulated board time, which counts 1 us per
// port access plus the counted pauses and the waits. The datasheet's figures for
// the chip itself: about 7 us per byte program, a few seconds for a chip erase.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchRig.h"
#include "app/App.h"
#include "app/Shell.h"
#include "buffers/ProgramImage.h"
#include "catalog/DeviceSelection.h"
#include "ops/Flash.h"
#include "ops/FlashErase.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

constexpr int kRowAm29F040 = 27;
constexpr std::int64_t kSize = 512 * 1024;

/// The AM29F040 chosen; the socket keeps the chip each run puts there.
struct Bench : bench::BenchRig {
    explicit Bench(int model) : BenchRig(model) {
        app->svc.deviceChosen = nullptr; // each run's chip stays in the socket
        SelectDevice(*app, kRowAm29F040);
    }
};

void Report(benchmark::State& state, std::uint64_t accesses, std::int64_t simNs) {
    state.counters["accesses_per_byte"] = static_cast<double>(accesses) / kSize;
    state.counters["board_seconds"] = static_cast<double>(simNs) / 1e9;
    state.counters["board_us_per_byte"] = static_cast<double>(simNs) / 1e3 / kSize;
}

void BM_ProgramAm29F040(benchmark::State& state) {
    Bench b(static_cast<int>(state.range(0)));
    const auto image = sim::RandomContents(kSize, 1);
    b.LoadImage(image);
    std::uint64_t accesses = 0;
    std::int64_t simNs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        b.board.Insert(sim::MakeErasedSimChip(kRowAm29F040));
        PrepareProgramImage(*b.app);
        Reset(*b.app);
        state.ResumeTiming();
        const auto before = b.board.Accesses();
        const auto t0 = b.board.NowNs();
        b.app->ui.SystemLog.caption.clear();
        ProgramFlashChip(*b.app, ReadChipOptions(*b.app));
        accesses = b.board.Accesses() - before;
        simNs = b.board.NowNs() - t0;
    }
    if (b.board.Chip()->Memory() != image)
        state.SkipWithError(
            ("chip does not hold the image: " + b.app->ui.SystemLog.caption).c_str());
    Report(state, accesses, simNs);
}

void BM_EraseAm29F040(benchmark::State& state) {
    Bench b(static_cast<int>(state.range(0)));
    std::uint64_t accesses = 0;
    std::int64_t simNs = 0;
    OpOutcome erased = OpOutcome::None;
    for (auto _ : state) {
        state.PauseTiming();
        b.board.Insert(sim::MakeSimChip(kRowAm29F040, sim::AddressPatternContents(kSize)));
        state.ResumeTiming();
        const auto before = b.board.Accesses();
        const auto t0 = b.board.NowNs();
        erased = EraseJedecFlash(*b.app, ReadChipOptions(*b.app));
        accesses = b.board.Accesses() - before;
        simNs = b.board.NowNs() - t0;
        b.app->ui.SystemLog.caption.clear();
    }
    if (erased != OpOutcome::Success) state.SkipWithError("erase did not complete");
    state.counters["accesses"] = static_cast<double>(accesses);
    state.counters["board_seconds"] = static_cast<double>(simNs) / 1e9;
}

BENCHMARK(BM_ProgramAm29F040)->Arg(4)->Arg(6)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_EraseAm29F040)->Arg(6)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
} // namespace quorbit
