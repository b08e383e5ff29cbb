// A full read of a 27C080 (1 MiB) through the simulated board: wall time and
// port accesses per byte (the walk needs 8 per byte: four to latch register 2 and
// two writes plus two reads for the two nibbles, and a few per page and bank).
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchRig.h"
#include "app/App.h"
#include "app/Shell.h"
#include "catalog/DeviceSelection.h"
#include "ops/Read.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

constexpr int kRow27C080 = 21;

void BM_Read27C080(benchmark::State& state) {
    const int model = static_cast<int>(state.range(0));
    bench::BenchRig rig(model);
    sim::SimBoard& board = rig.board;
    App* app = rig.app.get();
    SelectDevice(*app, kRow27C080);
    board.Insert(sim::MakeSimChip(kRow27C080, sim::AddressPatternContents(1 << 20)));

    std::uint64_t accesses = 0;
    for (auto _ : state) {
        const std::uint64_t before = board.Accesses();
        ReadParallelChip(*app);
        accesses = board.Accesses() - before;
        app->ui.SystemLog.caption.clear();
    }
    state.counters["accesses_per_byte"] = static_cast<double>(accesses) / (1 << 20);
    state.counters["accesses"] = static_cast<double>(accesses);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
}

BENCHMARK(BM_Read27C080)->Arg(4)->Arg(6)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorbit
