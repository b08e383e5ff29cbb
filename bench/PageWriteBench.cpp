// Programming the AT29C256 and the X28C256 through the simulated board. The board
// counts 1 us per port access and the program's waits on its virtual clock, so
// virtual_s is what a full write would take on a real ISA-speed port, speed waits
// included. Next to it: the AT29C256 datasheet floor (512 pages x 10 ms = 5.1 s)
// and the 6.8 s users report for a 28C256 on a popular USB programmer.
//
// BM_PageLoadWindow measures, at each slider position, the time between two byte
// loads of a page and between two cycles of the X28C256 protection-disable
// command, against the byte-load windows (AT29C256 150 us, X28C256 100 us).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchRig.h"
#include "app/App.h"
#include "app/Shell.h"
#include "catalog/DeviceSelection.h"
#include "catalog/VoltageSpeed.h"
#include "ops/At29c256.h"
#include "ops/Program.h"
#include "ops/X28c256.h"
#include "sim/ChipFactory.h"
#include "sim/PageWriteChip.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

constexpr int kRowAt29c256 = 23;
constexpr int kRowX28c256 = 33;
constexpr std::size_t kChipBytes = 32768;

void BM_ProgramPageWritePart(benchmark::State& state) {
    const int row = static_cast<int>(state.range(0));
    bench::BenchRig s(static_cast<int>(state.range(1)));
    SelectDevice(*s.app, row);
    s.SetSlider(static_cast<int>(state.range(2)));
    const auto image = sim::RandomContents(kChipBytes, 42);
    s.LoadImage(image);
    std::uint64_t accesses = 0;
    std::int64_t virtualNs = 0;
    int pageWrites = 0;
    bool programmed = true;
    for (auto _ : state) {
        state.PauseTiming();
        s.board.Insert(sim::MakeErasedSimChip(row));
        s.app->ui.SystemLog.caption.clear();
        state.ResumeTiming();
        const std::uint64_t before = s.board.Accesses();
        const std::int64_t startNs = s.board.NowNs();
        PROGRAMCODE(*s.app);
        accesses = s.board.Accesses() - before;
        virtualNs = s.board.NowNs() - startNs;
        programmed = programmed && s.board.Chip()->Memory() == image;
        pageWrites = dynamic_cast<sim::PageWriteChip&>(*s.board.Chip()).PageWrites();
    }
    state.counters["programmed"] = programmed ? 1 : 0;
    state.counters["accesses"] = static_cast<double>(accesses);
    state.counters["virtual_s"] = static_cast<double>(virtualNs) / 1e9;
    state.counters["page_writes"] = pageWrites;
    state.counters["floor_s"] = row == kRowAt29c256 ? 512 * 0.010 : 6.8;
}

BENCHMARK(BM_ProgramPageWritePart)
    ->ArgNames({"row", "model", "slider"})
    ->ArgsProduct({{kRowAt29c256, kRowX28c256}, {4, 6}, {18}})
    ->ArgsProduct({{kRowAt29c256, kRowX28c256}, {6}, benchmark::CreateDenseRange(1, 20, 1)})
    ->Unit(benchmark::kMillisecond);

/// Virtual time of `steps` run on the board, in microseconds.
template <typename F> double Microseconds(bench::BenchRig& s, F steps) {
    const std::int64_t start = s.board.NowNs();
    steps();
    return static_cast<double>(s.board.NowNs() - start) / 1000.0;
}

void BM_PageLoadWindow(benchmark::State& state) {
    const int slider = static_cast<int>(state.range(0));
    bench::BenchRig s(6);
    SelectDevice(*s.app, kRowX28c256);
    s.SetSlider(slider);
    Board& b = s.app->board;
    double atByte = 0, xByte = 0, xCommand = 0;
    for (auto _ : state) {
        // One byte load of each routine's page loop: its latches, nothing else.
        atByte = Microseconds(s, [&] {
            b.SetReg2();
            b.SetReg4();
            b.SetReg3();
            b.SetReg1();
            b.SetReg1();
            b.SetReg3();
        });
        xByte = Microseconds(s, [&] {
            b.SetReg2();
            b.REG4ON();
            b.SetReg4();
            b.SetReg3();
            b.SetReg1();
            b.SetReg1();
            b.SetReg3();
        });
        xCommand = Microseconds(s, [&] { WRITE_XICOR(*s.app); });
    }
    state.counters["at29c256_byte_us"] = atByte;
    state.counters["at29c256_page_fits"] = atByte < 150 ? 1 : 0;
    state.counters["x28c256_byte_us"] = xByte;
    state.counters["x28c256_page_fits"] = xByte < 100 ? 1 : 0;
    state.counters["x28c256_command_us"] = xCommand;
    state.counters["x28c256_command_fits"] = xCommand < 100 ? 1 : 0;
}

BENCHMARK(BM_PageLoadWindow)->ArgName("slider")->DenseRange(1, 20)->Iterations(1);

} // namespace
} // namespace quorbit
