// The fast port mode against the normal one, as the chip in the socket sees them:
// every family's program, read, blank check, verify, erase and ID, with random
// images and seeded faults, on boards 4, 5 and 6, give the chip the same bus
// cycles, the same timed pulses and waits and the same programming voltages,
// and end the same way; and the fast mode moves no pin when a datasheet forbids it.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "../PropertyCheck.h"
#include "../ops/ChipRig.h"
#include "FaultTruth.h"
#include "catalog/Catalog.h"
#include "ops/ProgramTable.h"
#include "sim/BoardFaults.h"
#include "sim/ChipView.h"
#include "sim/SeedFaults.h"
#include "sim/SimSerialEeprom.h"

namespace quorbit::test {
namespace {

enum class Command { Read, Blank, Verify, Program, Erase, Id };

/// The parts the simulator models with their pins.
std::vector<int> ModelledRows() {
    std::vector<int> rows;
    for (int row = 1; row <= CatalogRowCount(); ++row) {
        const CatalogRow& c = CatalogTable()[static_cast<std::size_t>(row)];
        if (c.selectable && c.family != 'M' && sim::MakeErasedSimChip(row)) rows.push_back(row);
    }
    return rows;
}

/// Records what `chip` sees into `view` (nullptr: no more).
void Watch(sim::SimChip& chip, sim::ChipView* view) {
    if (auto* parallel = dynamic_cast<sim::ParallelChip*>(&chip)) parallel->Watch(view);
    if (auto* serial = dynamic_cast<sim::SerialEeprom*>(&chip)) serial->Watch(view);
}

struct RunResult {
    sim::ChipView view;
    OpOutcome outcome = OpOutcome::None;
    std::vector<std::string> log;
    std::vector<std::uint8_t> chip;   // what the chip holds afterwards
    std::vector<std::uint8_t> buffer; // the code buffer's window afterwards
    std::uint64_t accesses = 0;
    bool leftHeld = false; // a register still following the data port afterwards
};

struct Case {
    int model = 6;
    int row = 1;
    Command command = Command::Read;
    std::uint32_t seed = 0;
    bool faulty = false;
    std::int64_t accessNs = sim::kPortAccessNs; // how long the port takes for one access
};

/// The chip's window the commands walk: small, so that a case stays quick.
constexpr std::int32_t kWindow = 1024;

RunResult RunOnce(const Case& c, bool fast) {
    RunResult out;
    ChipRig r(c.model);
    App& app = r.app;
    app.board.FastPort = fast;
    if (!SelectDevice(app, c.row)) {
        ADD_FAILURE() << "row " << c.row;
        return out;
    }
    const std::size_t size = sim::SimChipSize(c.row);
    const std::int32_t window = std::min<std::int32_t>(kWindow, static_cast<std::int32_t>(size));
    app.dev.ImageLength = window;
    auto image = ImageWithErasedBytes(c.seed, size);
    const bool startsErased = c.command == Command::Blank || c.command == Command::Program;
    auto contents = c.command == Command::Verify ? image
                    : startsErased               ? std::vector<std::uint8_t>{}
                                                 : sim::RandomContents(size, c.seed);
    auto made = sim::MakeSimChip(c.row, std::move(contents));
    sim::SimChip* chip = made.get();
    if (!chip) {
        ADD_FAILURE() << "no simulated chip for row " << c.row;
        return out;
    }
    Watch(*chip, &out.view);
    r.rig.sim->SetPortAccessNs(c.accessNs);
    r.rig.sim->Insert(std::move(made));
    if (c.faulty) sim::ApplyAllFaults(*r.rig.sim, *chip, sim::FaultForSeed(c.seed, c.row));
    if (c.command == Command::Verify || c.command == Command::Program)
        r.LoadCode({image.begin(), image.begin() + window});
    r.rig.ClearLog();
    Control* button = nullptr;
    switch (c.command) {
    case Command::Read:
        button = &app.ui.readButton;
        break;
    case Command::Blank:
        button = &app.ui.blankButton;
        break;
    case Command::Verify:
        button = &app.ui.verifyButton;
        break;
    case Command::Program:
        button = &app.ui.programButton;
        break;
    case Command::Erase:
        button = &app.ui.eraseChipButton;
        break;
    case Command::Id:
        button = &app.ui.menuFlashShowCodeID;
        break;
    }
    const auto before = r.rig.sim->Accesses();
    if (button->enabled) Fire(button->onClick);
    out.accesses = r.rig.sim->Accesses() - before;
    out.leftHeld = app.board.HeldRegister() >= 0;
    Watch(*chip, nullptr);
    out.outcome = app.ops.Outcome;
    out.log = r.rig.LogLines();
    out.chip = TrueContents(*chip);
    out.buffer = r.Code(static_cast<std::size_t>(window));
    return out;
}

constexpr std::int64_t kOneAccessNs = 1'000;

/// Where two views part, or "".
std::string Difference(const sim::ChipView& normal, const sim::ChipView& fast,
                       std::int64_t slackNs) {
    std::ostringstream why;
    // A poll reads one address until the chip is done: the modes poll at their
    // own pace, so a run of reads of one address counts as its last read. A poll
    // given up while the chip still works ends on a toggle bit (DQ6) whose phase
    // is the count of reads: DQ6 is not compared where the run's last two reads
    // toggle it.
    struct Polled {
        sim::BusCycle cycle;
        std::uint8_t toggling = 0;
    };
    auto polled = [](const std::vector<sim::BusCycle>& cycles) {
        std::vector<Polled> out;
        for (const auto& c : cycles) {
            if (!out.empty() && c.kind == sim::CycleKind::Read &&
                out.back().cycle.kind == sim::CycleKind::Read &&
                out.back().cycle.address == c.address) {
                out.back().toggling =
                    static_cast<std::uint8_t>((out.back().cycle.data ^ c.data) & 0x40);
                out.back().cycle = c;
            } else {
                out.push_back({c, 0});
            }
        }
        return out;
    };
    auto same = [](const Polled& x, const Polled& y) {
        const int mask = ~(x.toggling | y.toggling) & 0xFF;
        return x.cycle.kind == y.cycle.kind && x.cycle.address == y.cycle.address &&
               (x.cycle.data & mask) == (y.cycle.data & mask);
    };
    const auto a = polled(normal.cycles);
    const auto b = polled(fast.cycles);
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end(), same);
    if (at.first != a.end() || at.second != b.end()) {
        why << "cycles part at " << (at.first - a.begin()) << " of " << a.size() << "/" << b.size();
        if (at.first != a.end())
            why << ", normal " << int(at.first->cycle.kind) << "@" << at.first->cycle.address << "="
                << int(at.first->cycle.data);
        if (at.second != b.end())
            why << ", fast " << int(at.second->cycle.kind) << "@" << at.second->cycle.address << "="
                << int(at.second->cycle.data);
        return why.str();
    }
    if (normal.vppLevels != fast.vppLevels) return "VPP levels differ";
    // CE and OE pulses follow the reads and polls (compared as cycles above; the
    // modes poll at their own pace). The WE and VPP pulses are held to their
    // widths: every one, in order, at the same address, no longer by more than a
    // port access (a page's byte-load window closes). An EPROM's program pulse
    // is its cell's programming time: it is no shorter either.
    auto writePulses = [](const std::vector<sim::PinPulse>& pulses) {
        std::vector<sim::PinPulse> out;
        for (const auto& p : pulses)
            if (p.pin == sim::PulsePinName::We || p.pin == sim::PulsePinName::Vpp ||
                p.pin == sim::PulsePinName::Program)
                out.push_back(p);
        return out;
    };
    const auto pa = writePulses(normal.pulses);
    const auto pb = writePulses(fast.pulses);
    if (pa.size() != pb.size())
        return "pulses " + std::to_string(pa.size()) + " / " + std::to_string(pb.size());
    for (std::size_t i = 0; i < pa.size(); ++i) {
        if (pa[i].pin != pb[i].pin || pa[i].address != pb[i].address ||
            pb[i].widthNs > pa[i].widthNs + kOneAccessNs ||
            (pb[i].pin == sim::PulsePinName::Program &&
             pb[i].widthNs < pa[i].widthNs - kOneAccessNs)) {
            why << "pulse " << i << ": pin " << int(pa[i].pin) << " " << pa[i].widthNs
                << " ns, fast pin " << int(pb[i].pin) << " " << pb[i].widthNs << " ns";
            return why.str();
        }
    }
    // The timed waits (settling, write cycles, long program pulses): the stretches
    // of 0.9 ms or more without a pin change (a 1 ms program pulse among them); the normal mode's
    // pace alone makes stretches of hundreds of microseconds of latches the chip does not see. Each
    // keeps its length but for the latch writes and reads the fast mode saves inside it: a wait
    // that polls the chip until it is done ends within a poll of the other mode's, and a tenth of
    // it is left for the unchanged latches that border a wait.
    auto timed = [](const std::vector<std::int64_t>& waits) {
        std::vector<std::int64_t> out;
        for (const auto w : waits)
            if (w >= 900'000) out.push_back(w);
        return out;
    };
    // A poll that sleeps between reads ends when the chip is done: the sleeps
    // add up to the same time, however the modes split them.
    std::int64_t sa = 0, sb = 0;
    for (const auto w : timed(normal.waitsNs))
        sa += w;
    for (const auto w : timed(fast.waitsNs))
        sb += w;
    if (std::abs(sa - sb) > slackNs + sa / 10) {
        why << "waits " << sa << " ns, fast " << sb << " ns";
        return why.str();
    }
    return "";
}

TEST(FastPort, GivesTheChipTheSameViewInFewerAccesses) {
    const auto rows = ModelledRows();
    ASSERT_FALSE(rows.empty());
    std::uint64_t normalAccesses = 0, fastAccesses = 0;
    CheckProperty(60, [&] {
        Case c;
        c.model = *rc::gen::element(4, 5, 6);
        c.row = *rc::gen::elementOf(rows);
        c.command = *rc::gen::element(Command::Read, Command::Blank, Command::Verify,
                                      Command::Program, Command::Erase, Command::Id);
        c.seed = *rc::gen::inRange<std::uint32_t>(1, 1'000'000);
        c.faulty = *rc::gen::arbitrary<bool>();
        const RunResult normal = RunOnce(c, false);
        const RunResult fast = RunOnce(c, true);
        const CatalogRow& row = CatalogTable()[static_cast<std::size_t>(c.row)];
        const std::string where = std::string(row.name) + " command " +
                                  std::to_string(int(c.command)) + " model " +
                                  std::to_string(c.model);
        RC_ASSERT(normal.view.violations.empty());
        if (!fast.view.violations.empty()) RC_FAIL(where + ": " + fast.view.violations.front());
        // A timed pulse or wait may lose the latch writes the fast mode saves
        // inside it: a few port accesses and the slider's pauses between them.
        const std::string differs = Difference(normal.view, fast.view, 8'000);
        if (!differs.empty()) RC_FAIL(where + ": " + differs);
        RC_ASSERT(normal.outcome == fast.outcome);
        // Between commands another writer of the port must not reach the chip.
        RC_ASSERT(!fast.leftHeld);
        RC_ASSERT(normal.log == fast.log);
        RC_ASSERT(normal.chip == fast.chip);
        RC_ASSERT(normal.buffer == fast.buffer);
        // Fewer accesses is the mode's aim, counted over the whole run below: the
        // flash blank check of some chips on model 4 still takes more.
        normalAccesses += normal.accesses;
        fastAccesses += fast.accesses;
    });
    std::cout << "[ fast ] " << normalAccesses << " port accesses in the normal mode, "
              << fastAccesses << " in the fast mode\n";
    EXPECT_LT(fastAccesses, normalAccesses);
}

// The two-wire bus is held to the standard mode's times on the board's clock, not
// by counting port accesses: on a port whose accesses take a tenth of a
// microsecond or three, on every model, the serial EEPROMs see no clock, start,
// stop or bus-free time short, and the commands end as in the normal mode.
TEST(FastPort, HoldsTheTwoWireTimesOnPortsOfAnySpeed) {
    std::vector<int> serialRows;
    for (const int row : ModelledRows())
        if (CatalogTable()[static_cast<std::size_t>(row)].family == 'S') serialRows.push_back(row);
    ASSERT_FALSE(serialRows.empty());
    CheckProperty(12, [&] {
        Case c;
        c.model = *rc::gen::element(4, 5, 6);
        c.row = *rc::gen::elementOf(serialRows);
        c.command = *rc::gen::element(Command::Program, Command::Read, Command::Verify);
        c.seed = *rc::gen::inRange<std::uint32_t>(1, 1'000'000);
        c.accessNs = *rc::gen::element<std::int64_t>(100, 1'000, 3'000);
        const RunResult normal = RunOnce(c, false);
        const RunResult fast = RunOnce(c, true);
        if (!fast.view.violations.empty()) RC_FAIL(fast.view.violations.front());
        RC_ASSERT(fast.outcome == OpOutcome::Success);
        RC_ASSERT(fast.outcome == normal.outcome);
        RC_ASSERT(fast.chip == normal.chip);
        RC_ASSERT(fast.buffer == normal.buffer);
    });
}

} // namespace
} // namespace quorbit::test
