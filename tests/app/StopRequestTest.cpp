// The operator's stop, taken up wherever it lands in a chip command: the command
// ends at the next port access with the board reset, the lamps and progress
// cleared, one log line, and no success claimed; nothing after it (the verify
// after programming, the next page) touches the board.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "Fakes.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"
#include "hw/StopRequest.h"
#include "session/Startup.h"
#include "sim/ChipFactory.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

/// A simulated board that asks for a stop while it carries out access number
/// `stopAt` (0: never), as a Stop button pressed at that moment would.
class StopAtAccess : public PortIo {
  public:
    StopAtAccess() : board(6, 0x378) {}
    void PortOut(std::uint16_t port, std::uint8_t value) override {
        Count();
        board.PortOut(port, value);
    }
    std::uint8_t PortIn(std::uint16_t port) override {
        Count();
        return board.PortIn(port);
    }
    void Sleep(int milliseconds) override { board.Sleep(milliseconds); }
    void BusySteps(std::int64_t steps) override { board.BusySteps(steps); }
    void PulseSteps(std::int64_t steps, std::int64_t stepNs) override {
        board.PulseSteps(steps, stepNs);
    }
    [[nodiscard]] std::int64_t NowNs() const override { return board.NowNs(); }
    [[nodiscard]] std::string Describe() const override { return board.Describe(); }

    sim::SimBoard board;
    std::uint64_t accesses = 0;
    std::uint64_t stopAt = 0;

  private:
    void Count() {
        if (++accesses == stopAt) RequestStop();
    }
};

/// The process-wide request never leaks into the next test.
struct ClearedStop {
    ClearedStop() { ClearStopRequest(); }
    ~ClearedStop() { ClearStopRequest(); }
};

enum class Command { Program, Read, Erase };

struct Case {
    const char* chip;
    Command command;
};

/// A started core with the chip of the case in the socket, ready to press its button.
struct StopRig {
    explicit StopRig(const Case& c) : port(new StopAtAccess), rig(std::unique_ptr<PortIo>(port)) {
        App& app = *rig.app;
        app.RunGuarded(Form_Load);
        const auto row = FindCatalogRow(c.chip);
        EXPECT_TRUE(row && SelectDevice(app, *row)) << c.chip;
        const std::size_t size = sim::SimChipSize(*row);
        port->board.Insert(sim::MakeSimChip(*row, c.command == Command::Program
                                                      ? std::vector<std::uint8_t>{}
                                                      : sim::RandomContents(size, 7)));
        if (c.command == Command::Program) {
            const auto image = sim::RandomContents(size, 11);
            WriteBytes(rig.dir / "image.bin", std::string(image.begin(), image.end()));
            EXPECT_TRUE(OpenCodeFile(app, (rig.dir / "image.bin").string()));
            // Every step of the command: blank check, programming, verify.
            SetCheck(app.ui.blankCheckFirstCheck, 1);
            SetCheck(app.ui.verifyAfterCheck, 1);
        }
        rig.ClearLog();
        button = c.command == Command::Program ? &app.ui.programButton
                 : c.command == Command::Read  ? &app.ui.readButton
                                               : &app.ui.eraseChipButton;
    }

    void Press() {
        ASSERT_TRUE(button->enabled) << button->name;
        rig.app->ops.Outcome = OpOutcome::None;
        port->accesses = 0;
        Fire(button->onClick);
    }

    /// The board's registers are those a reset leaves: resetting again changes nothing.
    [[nodiscard]] bool BoardAtRest() {
        const auto before = port->board.Regs().r;
        ClearStopRequest();
        Reset(*rig.app);
        return port->board.Regs().r == before;
    }

    StopAtAccess* port;
    Rig rig;
    Control* button = nullptr;
};

const Case kCases[] = {
    {"27C64", Command::Program}, {"27C64", Command::Read},     {"AT29C256", Command::Program},
    {"X28C256", Command::Erase}, {"AM29F010", Command::Erase}, {"24C08", Command::Program},
};

TEST(StopRequest, WhereverItLandsTheCommandEndsAtOnceWithTheBoardAtRest) {
    ClearedStop cleared;
    std::mt19937 random(20261209);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.chip + std::string(" command ") +
                     std::to_string(static_cast<int>(c.command)));
        std::uint64_t total = 0;
        std::vector<std::uint64_t> claims; // the access after which each success line came
        {
            StopRig whole(c);
            whole.rig.app->onLogLine = [&](const std::string& line) {
                for (const char* claim : {"IS BLANK (ERASED)", "Successfull", "MATCHES",
                                          "Read from Device", "COMPLETED"})
                    if (line.find(claim) != std::string::npos)
                        claims.push_back(whole.port->accesses);
            };
            whole.Press();
            ASSERT_EQ(whole.rig.app->ops.Outcome, OpOutcome::Success);
            total = whole.port->accesses;
        }
        ASSERT_FALSE(claims.empty());
        // During the first and the last-but-one access, in the closing reset, right
        // after each success the log tells (a step's, like the blank check before
        // programming, or the command's), and spread over the whole command (a stop
        // during the very last access finds nothing left to stop).
        std::vector<std::uint64_t> stops = {1, total - 8, total - 1};
        for (const std::uint64_t claim : claims)
            if (claim + 2 < total) stops.push_back(claim + 2);
        for (int i = 0; i < 6; ++i)
            stops.push_back(std::uniform_int_distribution<std::uint64_t>(2, total - 2)(random));
        for (const std::uint64_t stopAt : stops) {
            SCOPED_TRACE("stop at access " + std::to_string(stopAt) + " of " +
                         std::to_string(total));
            StopRig r(c);
            r.port->stopAt = stopAt;
            r.Press();
            App& app = *r.rig.app;
            // One reset of registers 0 to 3 (four writes each) and nothing else.
            EXPECT_LE(r.port->accesses - stopAt, 16u);
            const auto lines = r.rig.LogLines();
            ASSERT_FALSE(lines.empty());
            const auto stopLines =
                std::count(lines.begin(), lines.end(), "Operation stopped by the operator");
            if (app.ops.Outcome == OpOutcome::Success) {
                // It came once the command had claimed success, in its last steps:
                // the claim stands and the stop waits for whatever comes next.
                EXPECT_EQ(stopLines, 0);
                EXPECT_GE(stopAt + 16, claims.back()); // no chip work was left, only a reset
                EXPECT_TRUE(StopPending());
                EXPECT_TRUE(r.BoardAtRest());
                continue;
            }
            EXPECT_TRUE(app.handlerFailed);
            ASSERT_GE(lines.size(), 3u);
            const std::string stopped = "Operation stopped by the operator";
            EXPECT_EQ(lines[lines.size() - 3], stopped);
            EXPECT_EQ(std::count(lines.begin(), lines.end(), stopped), 1);
            // What the stop leaves, and the chip holds what the record says.
            ASSERT_TRUE(app.ops.LastStop);
            const StopRecord& left = *app.ops.LastStop;
            EXPECT_EQ(lines[lines.size() - 2],
                      "Stopped at address " + Hex(left.address) + "h: " + left.chip);
            EXPECT_EQ(lines.back(), "Board reset, programming voltage off");
            const auto& chip = r.port->board.Chip()->Memory();
            const auto image = sim::RandomContents(chip.size(), 11);
            if (left.chip.find("perhaps in part") != std::string::npos) {
                // Before the byte or page under way the image, after it the blank chip.
                const std::int32_t unit = app.ops.WriteUnit;
                const std::int32_t first = left.address / unit * unit;
                const std::string part =
                    (unit == 1 ? Hex(left.address) : Hex(first) + "-" + Hex(first + unit - 1)) +
                    "h perhaps in part, the rest not touched";
                EXPECT_EQ(left.chip, first == 0 ? "nothing programmed, " + part
                                                : "0-" + Hex(first - 1) + "h programmed, " + part);
                const auto done = chip.begin() + first;
                const auto rest =
                    chip.begin() + std::min<std::ptrdiff_t>(first + unit, std::ssize(chip));
                EXPECT_TRUE(std::equal(chip.begin(), done, image.begin()));
                EXPECT_TRUE(
                    std::all_of(rest, chip.end(), [](std::uint8_t b) { return b == 0xFF; }));
            } else if (left.chip == "the image was programmed whole, its verify did not finish") {
                EXPECT_TRUE(chip == image);
            } else if (c.command == Command::Program) {
                EXPECT_EQ(left.chip, "the chip is not changed, it was only read");
                EXPECT_TRUE(std::all_of(chip.begin(), chip.end(),
                                        [](std::uint8_t b) { return b == 0xFF; }));
            }
            EXPECT_EQ(app.ui.programLamp.foreColor, colour::ButtonFace);
            EXPECT_EQ(app.ui.dataFlowLamp.foreColor, colour::ButtonFace);
            EXPECT_NE(app.ui.errorLamp.foreColor, colour::Red); // asked for, not an error
            EXPECT_EQ(app.ui.progressBar.value, 0);
            EXPECT_TRUE(r.rig.dialogs.boxes.empty() ||
                        r.rig.dialogs.boxes.back().title == "Safety Question");
            EXPECT_TRUE(StopRequested() && !StopPending());
            EXPECT_TRUE(r.BoardAtRest());
        }
    }
}

TEST(StopRequest, ClearedAtTheStartOfAnOperationItDoesNotEndTheNext) {
    ClearedStop cleared;
    StopRig r({"27C64", Command::Read});
    RequestStop(); // pressed while nothing ran
    ClearStopRequest();
    r.Press();
    EXPECT_EQ(r.rig.app->ops.Outcome, OpOutcome::Success);
    EXPECT_FALSE(StopRequested());
}

/// The command's first repaint waits until another thread, as the window's Stop
/// button would, has asked for the stop.
class StopFromAnotherThread : public Refresher {
  public:
    void Repaint() override {
        if (asked_.load()) return;
        std::thread button([] { RequestStop(); });
        button.join();
        asked_.store(true);
    }

  private:
    std::atomic<bool> asked_{false};
};

TEST(StopRequest, ARequestFromAnotherThreadIsTakenUp) {
    ClearedStop cleared;
    StopRig r({"AM29F010", Command::Erase});
    StopFromAnotherThread stopButton;
    r.rig.app->svc.refresher = &stopButton;
    r.Press();
    EXPECT_NE(r.rig.app->ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.rig.app->lastFailure, "Operation stopped by the operator");
    EXPECT_EQ(r.rig.LogLines().back(), "Board reset, programming voltage off");
    EXPECT_TRUE(r.BoardAtRest());
}

/// Boards on threads of their own, each with its stop slot, that take their
/// steps in lockstep: step k of every board runs before step k + 1 of any.
void InLockstep(const std::vector<std::vector<std::function<void()>>>& boards,
                const std::vector<std::function<void()>>& process = {}) {
    const std::size_t steps = boards.front().size();
    std::barrier sync(static_cast<std::ptrdiff_t>(boards.size() + 1));
    std::vector<std::thread> threads;
    for (const auto& board : boards)
        threads.emplace_back([&] {
            const BoardStopSlot slot;
            sync.arrive_and_wait();
            for (std::size_t k = 0; k < steps; ++k) {
                board[k]();
                sync.arrive_and_wait();
                sync.arrive_and_wait(); // the process's step k
            }
        });
    sync.arrive_and_wait();
    for (std::size_t k = 0; k < steps; ++k) {
        sync.arrive_and_wait();
        if (k < process.size() && process[k]) process[k]();
        sync.arrive_and_wait();
    }
    for (std::thread& t : threads)
        t.join();
}

bool Throws() {
    try {
        ThrowIfStopPending();
    } catch (const OperationStopped&) {
        return true;
    }
    return false;
}

TEST(StopRequest, EachBoardTakesUpHoldsAndClearsItsOwnStop) {
    ClearedStop cleared;
    const auto nothing = [] {};
    // A request reaches every live board; the one holding it off still has it
    // pending, the one that took it up does not take the others' from them.
    std::atomic<int> pendingSeen{0}, thrown{0};
    std::vector<std::vector<std::function<void()>>> boards(3);
    for (std::size_t b = 0; b < boards.size(); ++b) {
        auto held = std::make_shared<std::unique_ptr<StopHeld>>();
        boards[b] = {
            [=] {
                EXPECT_FALSE(StopRequested()) << b;
                if (b == 1) *held = std::make_unique<StopHeld>();
            },
            nothing, // the process requests the stop
            [&, b] {
                pendingSeen += StopPending() ? 1 : 0;
                if (Throws()) ++thrown;
                if (b == 0) AcknowledgeStop();
            },
            [&, b, held] {
                // Board 0 took it up; the others' are pending still.
                EXPECT_EQ(StopTaken(), b == 0) << b;
                EXPECT_EQ(StopPending(), b != 0) << b;
                if (b == 1) {
                    held->reset();
                    EXPECT_TRUE(Throws()); // no longer held: taken up at last
                }
                if (b == 2) ClearStopRequest();
            },
            [b] {
                EXPECT_EQ(StopRequested(), b != 2) << b; // board 2's clear was its own
            },
        };
    }
    InLockstep(boards, {nullptr, [] { RequestStop(); }, nullptr,
                        [] {
                            // The process's own slot has it too, untaken.
                            EXPECT_TRUE(StopPending());
                        }});
    EXPECT_EQ(pendingSeen.load(), 3);
    EXPECT_EQ(thrown.load(), 2); // board 1 held it off
    // A board that begins after the request inherits it; one that begins after
    // the process cleared it starts idle.
    InLockstep({{[] { EXPECT_TRUE(StopPending()); }}});
    ClearStopRequest();
    InLockstep({{[] {
        EXPECT_FALSE(StopRequested());
        RequestStop(); // from a board: reaches the process slot as a signal would
    }}});
    EXPECT_TRUE(StopPending());
}

} // namespace
} // namespace quorbit::test
