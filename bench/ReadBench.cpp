// A full read of a 27C080 (1 MiB) through the simulated board: wall time and
// port accesses per byte (the walk needs 8 per byte: four to latch register 2 and
// two writes plus two reads for the two nibbles, and a few per page and bank).
#include <benchmark/benchmark.h>

#include <memory>

#include "app/App.h"
#include "app/Shell.h"
#include "app/SystemServices.h"
#include "catalog/DeviceSelection.h"
#include "ops/Read.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit {
namespace {

class NoClock : public Clock {
  public:
    [[nodiscard]] LocalTime Now() const override { return {}; }
};

class QuietDialogs : public Dialogs {
  public:
    MsgResult MsgBox(const std::string&, const std::string&, MsgIcon, MsgButtons, int) override {
        return MsgResult::Ok;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::string OpenFileName(const std::string&, const std::string&) override { return {}; }
    std::string SaveFileName(const std::string&, const std::string&) override { return {}; }
};

constexpr int kRow27C080 = 21;

void BM_Read27C080(benchmark::State& state) {
    const int model = static_cast<int>(state.range(0));
    sim::SimBoard board(model, 0x378);
    NoClock clock;
    SilentSound sound;
    QuietDialogs dialogs;
    MemorySettings settings;
    Services services;
    services.port = &board;
    services.clock = &clock;
    services.sound = &sound;
    services.dialogs = &dialogs;
    services.settings = &settings;
    services.simBoard = &board;
    services.appFolder = services.workFolder = services.userConfigFolder = "/nonexistent";
    auto app = std::make_unique<App>(services);
    Form_Load(*app);
    SelectDevice(*app, kRow27C080);
    board.Insert(sim::MakeSimChip(kRow27C080, sim::AddressPatternContents(1 << 20)));

    std::uint64_t accesses = 0;
    for (auto _ : state) {
        const std::uint64_t before = board.Accesses();
        READCODE_PARALLEL(*app);
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
