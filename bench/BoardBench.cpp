// Port operations per second through the simulated board: the cost of the
// board link itself (latch protocol, read-back, simulator), with no real port.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "hw/Board.h"
#include "sim/SimBoard.h"

namespace {

using quorbit::Board;
using quorbit::sim::SimBoard;

/// A model-6 board at 378h with a 64 KiB ROM in the socket, lines set to read.
struct SimRig {
    SimBoard sim{6, 0x378};
    Board board{sim};

    SimRig() {
        std::vector<std::uint8_t> rom(65536);
        for (std::size_t i = 0; i < rom.size(); ++i)
            rom[i] = static_cast<std::uint8_t>(i * 7);
        sim.Insert(std::make_unique<quorbit::sim::RomChip>("27C512", std::move(rom)));
        board.InitRegisterTables();
        board.BuildLookupTables();
        board.DataPort = 0x378;
        board.BoardModel = 6;
        board.PortSetup();
        board.PortDelayCount = 2; // the fastest speed setting still paces
        board.ResetLines();
        board.EnableChipAndOutput();
    }
};

/// A read walk: low address latched, byte read back (4 + 4 port operations).
void BM_SimLatchAndReadBack(benchmark::State& state) {
    SimRig rig;
    const std::uint64_t before = rig.sim.Accesses();
    int address = 0;
    for (auto _ : state) {
        rig.board.Reg2Shadow = address++ & 0xFF;
        rig.board.SetReg2();
        rig.board.ReadDataByte();
        benchmark::DoNotOptimize(rig.board.DataIn);
    }
    state.counters["port_ops"] = benchmark::Counter(
        static_cast<double>(rig.sim.Accesses() - before), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimLatchAndReadBack);

/// A full address set per byte (three latches) and the read-back: 16 port operations.
void BM_SimSetAddressAndRead(benchmark::State& state) {
    SimRig rig;
    const std::uint64_t before = rig.sim.Accesses();
    for (auto _ : state) {
        rig.board.NextAddress();
        if (rig.board.Address >= 65536) {
            rig.board.Address = 0;
            rig.board.SplitAddress();
        }
        rig.board.LatchAddress();
        rig.board.ReadDataByte();
        benchmark::DoNotOptimize(rig.board.DataIn);
    }
    state.counters["port_ops"] = benchmark::Counter(
        static_cast<double>(rig.sim.Accesses() - before), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimSetAddressAndRead);

} // namespace
