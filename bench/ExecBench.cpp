// Read round trips per second through the exec backend: one request line out,
// one answer line back, against the smallest possible child program.
#include <benchmark/benchmark.h>

#include "hw/Board.h"
#include "hw/backends/ExecPort.h"

namespace {

void BM_ExecReadRoundTrip(benchmark::State& state) {
    quorbit::ExecPort port(QUORBIT_EXEC_CHILD);
    std::int64_t reads = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(port.PortIn(0x379));
        ++reads;
    }
    state.counters["round_trips"] =
        benchmark::Counter(static_cast<double>(reads), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExecReadRoundTrip)->UseRealTime(); // the child works in parallel

/// A chip byte read through the board link: one latch (4 writes, sent together
/// with the next read) and the two-nibble read-back (2 writes, 2 round trips).
void BM_ExecLatchAndReadBack(benchmark::State& state) {
    quorbit::ExecPort port(QUORBIT_EXEC_CHILD);
    quorbit::Board board(port);
    board.InitRegisterTables();
    board.BuildLookupTables();
    board.DataPort = 0x378;
    board.BoardModel = 6;
    board.PortSetup();
    std::int64_t bytes = 0;
    for (auto _ : state) {
        board.Reg2Shadow = static_cast<int>(bytes & 0xFF);
        board.SetReg2();
        board.ReadDataByte();
        benchmark::DoNotOptimize(board.DataIn);
        ++bytes;
    }
    state.counters["bytes"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExecLatchAndReadBack)->UseRealTime();

} // namespace
