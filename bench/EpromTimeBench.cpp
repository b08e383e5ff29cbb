// How long a whole 27C256 and a whole 27C080 take to program on a real port, at
// the default speed: the simulated board counts 1 us per port access and every
// wait at its real length on its virtual clock, and its cells need their
// programming time, so estimated_s is what the program would take on an
// ISA-speed port with chips that behave as their datasheets say. Not a timed
// test: the wall time is beside the point, the counters are the result.
// pulses_per_byte counts the pulses the chip saw over the bytes that needed one;
// the datasheet floor is one datasheet pulse per byte (27C256 100 us, 27C080
// 50 us). port_step:1 runs the pulses at the pacing's 25 ns step, as the program
// did before each family got a pulse step of its own.
//
// BM_EpromPulseWidth gives the width of a pulse, edge to edge, per family and
// slider position (the README's timing table).
#include <benchmark/benchmark.h>

#include <algorithm>

#include "BenchRig.h"
#include "app/App.h"
#include "catalog/DeviceSelection.h"
#include "ops/Program.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"
#include "sim/SimEprom.h"

namespace quorbit {
namespace {

constexpr int kRow27C256 = 11;
constexpr int kRow27C080 = 21;

void BM_EpromProgramRealTime(benchmark::State& state) {
    const int row = static_cast<int>(state.range(0));
    bench::BenchRig rig(6);
    SelectDevice(*rig.app, row);
    rig.SetSlider(18);
    if (state.range(1) != 0) rig.app->board.PulseStepNs = 0;
    const std::size_t size = sim::SimChipSize(row);
    const auto image = sim::RandomContents(size, 42);
    rig.LoadImage(image);
    const auto pulsed =
        static_cast<double>(size - static_cast<std::size_t>(
                                       std::count(image.begin(), image.end(), std::uint8_t{0xFF})));
    std::int64_t virtualNs = 0;
    std::int64_t pulses = 0;
    bool programmed = true;
    for (auto _ : state) {
        state.PauseTiming();
        rig.board.Insert(sim::MakeErasedSimChip(row));
        rig.app->ui.SystemLog.caption.clear();
        state.ResumeTiming();
        const std::int64_t startNs = rig.board.NowNs();
        ProgramCodeAsShown(*rig.app);
        virtualNs = rig.board.NowNs() - startNs;
        auto& chip = dynamic_cast<sim::SimEprom&>(*rig.board.Chip());
        pulses = chip.TotalPulses();
        programmed = programmed && chip.Memory() == image;
    }
    if (!programmed) state.SkipWithError("the chip does not hold the image");
    state.counters["estimated_s"] = static_cast<double>(virtualNs) / 1e9;
    state.counters["pulses_per_byte"] = static_cast<double>(pulses) / pulsed;
    state.counters["floor_s"] = pulsed * (row == kRow27C256 ? 100e-6 : 50e-6);
}

BENCHMARK(BM_EpromProgramRealTime)
    ->ArgNames({"row", "port_step"})
    ->ArgsProduct({{kRow27C256, kRow27C080}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_EpromPulseWidth(benchmark::State& state) {
    const int row = static_cast<int>(state.range(0));
    bench::BenchRig rig(6);
    SelectDevice(*rig.app, row);
    rig.SetSlider(static_cast<int>(state.range(1)));
    rig.LoadImage({0x00});
    std::int64_t widthNs = 0;
    for (auto _ : state) {
        rig.board.Insert(sim::MakeErasedSimChip(row));
        auto& chip = dynamic_cast<sim::SimEprom&>(*rig.board.Chip());
        widthNs = 0;
        chip.onPulse = [&](const sim::ProgramPulse& p) {
            if (widthNs == 0) widthNs = p.widthNs;
        };
        ProgramCodeAsShown(*rig.app);
    }
    state.counters["width_us"] = static_cast<double>(widthNs) / 1e3;
    state.counters["step_ns"] = static_cast<double>(rig.app->board.PulseStepNs);
}

// 2732A, 2764, 27C128, 27C256, 27C080 at the slider positions of the README's table.
BENCHMARK(BM_EpromPulseWidth)
    ->ArgNames({"row", "slider"})
    ->ArgsProduct({{2, 6, 9, kRow27C256, kRow27C080}, {1, 10, 18, 20}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorbit
