// A 1 KiB image into a chip of each family through the simulated board: what it
// costs should follow the image, not the chip. Port accesses, the board's virtual
// time (what the pulses, waits and latches would take on a real port at the
// default speed) and wall time, verify off.
#include <benchmark/benchmark.h>

#include "BenchRig.h"
#include "catalog/DeviceSelection.h"
#include "ops/Program.h"
#include "sim/ChipFactory.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

constexpr std::size_t kImageBytes = 1024;

void BM_ProgramOneKiB(benchmark::State& state) {
    const int row = static_cast<int>(state.range(0));
    bench::BenchRig rig(6);
    App& app = *rig.app;
    SelectDevice(app, row);
    SetCheck(app.ui.verifyAfterCheck, 0);
    SetCheck(app.ui.blankCheckFirstCheck, 0);
    const auto image = sim::RandomContents(kImageBytes, 7);
    rig.LoadImage(image);

    std::uint64_t accesses = 0;
    std::int64_t virtualNs = 0;
    bool programmed = true;
    for (auto _ : state) {
        state.PauseTiming();
        rig.board.Insert(sim::MakeErasedSimChip(row));
        app.ui.SystemLog.caption.clear();
        state.ResumeTiming();
        const std::uint64_t before = rig.board.Accesses();
        const std::int64_t startNs = rig.board.NowNs();
        ProgramCodeAsShown(app);
        accesses = rig.board.Accesses() - before;
        virtualNs = rig.board.NowNs() - startNs;
        const auto& chip = rig.board.Chip()->Memory();
        programmed = programmed && std::equal(image.begin(), image.end(), chip.begin());
    }
    if (!programmed) state.SkipWithError("the chip does not hold the image");
    state.counters["accesses"] = static_cast<double>(accesses);
    state.counters["virtual_s"] = static_cast<double>(virtualNs) / 1e9;
}

BENCHMARK(BM_ProgramOneKiB)
    ->ArgName("row")
    ->Arg(6)  // 2764
    ->Arg(11) // 27C256
    ->Arg(21) // 27C080
    ->Arg(23) // AT29C256
    ->Arg(27) // AM29F040
    ->Arg(33) // X28C256
    ->Arg(38) // 24C32
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorbit
