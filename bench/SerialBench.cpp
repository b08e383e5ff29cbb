// Writing and reading a 24C32 (4 KiB) through the simulated board: port accesses,
// the simulated time, and what that costs on a real port at 1 us per access with
// the timed waits (50 ms before each transfer, the 1 ms poll samples and 2 ms
// pauses). The chip itself needs at least 128 pages x 5 ms = 0.64 s to write.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchRig.h"
#include "app/App.h"
#include "app/Shell.h"
#include "catalog/DeviceSelection.h"
#include "ops/Read.h"
#include "ops/Serial24Cxx.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"
#include "sim/SimSerialEeprom.h"

namespace quorbit {
namespace {

constexpr int kRow24C32 = 38;
constexpr std::size_t kBytes = 4096;
constexpr double kFloorMs = 128 * 5.0;

/// The simulated board, with the timed waits and counted delay steps added up.
class MeteredPort : public PortIo {
  public:
    explicit MeteredPort(sim::SimBoard& board) : board_(board) {}
    void PortOut(std::uint16_t port, std::uint8_t value) override {
        ++accesses;
        board_.PortOut(port, value);
    }
    std::uint8_t PortIn(std::uint16_t port) override {
        ++accesses;
        return board_.PortIn(port);
    }
    void Sleep(int ms) override {
        sleepMs += ms;
        board_.Sleep(ms);
    }
    void BusySteps(std::int64_t steps) override {
        busySteps += steps;
        board_.BusySteps(steps);
    }
    [[nodiscard]] std::string Describe() const override { return board_.Describe(); }
    void Clear() { accesses = sleepMs = busySteps = 0; }

    std::int64_t accesses = 0, sleepMs = 0, busySteps = 0;

  private:
    sim::SimBoard& board_;
};

struct Bench24C32 {
    bench::BenchRig rig{6};
    sim::SimBoard& board = rig.board;
    MeteredPort port{board};
    std::unique_ptr<App>& app = rig.app;
    sim::SerialEeprom* chip = nullptr;

    Bench24C32() {
        rig.UsePort(port);
        SelectDevice(*app, kRow24C32);
        auto eeprom = sim::MakeSimSerialEeprom("24C32", {});
        chip = eeprom.get();
        board.Insert(std::move(eeprom));
        const auto image = sim::RandomContents(kBytes, 32);
        rig.LoadImage(image);
    }

    void Report(benchmark::State& state, std::int64_t simNs) const {
        const double accessMs = static_cast<double>(port.accesses) * 1e-3;
        const double stepMs = static_cast<double>(port.busySteps * kDelayStepNanoseconds) * 1e-6;
        state.counters["accesses"] = static_cast<double>(port.accesses);
        state.counters["accesses_per_byte"] = static_cast<double>(port.accesses) / kBytes;
        state.counters["sim_ms"] = static_cast<double>(simNs) * 1e-6;
        state.counters["timed_waits_ms"] = static_cast<double>(port.sleepMs);
        state.counters["delay_steps_ms"] = stepMs;
        state.counters["real_port_ms"] = accessMs + static_cast<double>(port.sleepMs) + stepMs;
        state.counters["datasheet_floor_ms"] = kFloorMs;
    }
};

void BM_Write24C32(benchmark::State& state) {
    Bench24C32 b;
    std::int64_t simNs = 0;
    for (auto _ : state) {
        b.port.Clear();
        const std::int64_t before = b.board.NowNs();
        const auto programmed = Program24C32Chip(*b.app, ReadChipOptions(*b.app));
        simNs = b.board.NowNs() - before;
        if (!programmed || programmed->unanswered != 0)
            state.SkipWithError("the chip did not acknowledge");
    }
    b.Report(state, simNs);
}

void BM_Read24C32(benchmark::State& state) {
    Bench24C32 b;
    std::int64_t simNs = 0;
    for (auto _ : state) {
        b.port.Clear();
        const std::int64_t before = b.board.NowNs();
        const int unanswered = Read24CXX(*b.app);
        simNs = b.board.NowNs() - before;
        if (unanswered != 0) state.SkipWithError("the chip did not acknowledge");
    }
    b.Report(state, simNs);
}

BENCHMARK(BM_Write24C32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read24C32)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorbit
