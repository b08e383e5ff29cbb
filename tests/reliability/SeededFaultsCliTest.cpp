// The seeded faults through the real quorbit-cli: the seed's fault is printed and
// replays by hand, exit status 0 only when the saved chip holds what was claimed,
// and an exec board that dies in the middle of a command never ends in success.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>

#include "../cli/CliRun.h"
#include "FaultTruth.h"
#include "catalog/Catalog.h"
#include "sim/BoardFaults.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"

namespace quorbit::test {
namespace {

/// The log lines without their time stamps.
std::string Untimed(const std::string& out) {
    std::string lines;
    std::size_t from = 0;
    while (from < out.size()) {
        const auto end = out.find('\n', from);
        const std::string line = out.substr(from, end - from);
        const auto mark = line.find(">  ");
        lines += (mark == std::string::npos ? line : line.substr(mark)) + "\n";
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return lines;
}

struct SeededFaultsCli : CliInTempDir {
    /// The --sim-fault text the program printed for its seed.
    static std::string PrintedFault(const CliResult& r) {
        const std::string mark = ": --sim-fault ";
        const auto at = r.err.find(mark);
        if (at == std::string::npos) return {};
        const auto from = at + mark.size();
        return r.err.substr(from, r.err.find('\n', from) - from);
    }

    /// The saved chip as anything reading it would find it, the fault replayed.
    [[nodiscard]] std::vector<std::uint8_t> SavedTruth(const std::string& chip,
                                                       const std::string& fault) const {
        const auto row = FindCatalogRow(chip);
        auto saved = sim::MakeSimChip(*row, FileBytes("saved.bin"));
        sim::SimBoard scratch(6, 0x378);
        sim::ApplyAllFaults(scratch, *saved, fault);
        return TrueContents(*saved);
    }
};

TEST_F(SeededFaultsCli, ExitStatusZeroOnlyWhenTheChipHoldsTheClaim) {
    int succeeded = 0, failed = 0;
    for (const char* chip : {"27C256", "2764"}) {
        const std::size_t size = sim::SimChipSize(*FindCatalogRow(chip));
        const auto image = ImageWithErasedBytes(5, size); // a larger one is refused
        WriteFile("image.bin", image);
        for (int seed = 1; seed <= 6; ++seed) {
            const std::string common = "--sim-chip " + std::string(chip) + " --sim-faults " +
                                       std::to_string(seed) + " --sim-save saved.bin ";
            CliResult r = Run("--yes " + common + "program image.bin -d " + chip);
            const std::string fault = PrintedFault(r);
            ASSERT_FALSE(fault.empty()) << r.err;
            ASSERT_TRUE(r.status == 0 || r.status == 1) << r.err;
            const auto truth = SavedTruth(chip, fault);
            if (r.status == 0) {
                ++succeeded;
                EXPECT_EQ(Differences(image, truth, size), 0U) << chip << " " << fault;
            } else {
                ++failed;
                EXPECT_FALSE(r.OutHas("Programming Device Successfull")) << fault;
            }

            r = Run(common + "blank -d " + chip);
            if (r.status == 0) {
                ++succeeded;
                const auto erased = SavedTruth(chip, fault);
                EXPECT_EQ(std::count(erased.begin(), erased.end(), 0xFF),
                          static_cast<std::ptrdiff_t>(size))
                    << fault;
            }
            r = Run(common + "--sim-image image.bin verify image.bin -d " + chip);
            if (r.status == 0) {
                ++succeeded;
                EXPECT_EQ(Differences(image, SavedTruth(chip, fault), size), 0U) << fault;
            } else {
                ++failed;
            }
        }
    }
    EXPECT_GT(succeeded, 0);
    EXPECT_GT(failed, 0);
}

TEST_F(SeededFaultsCli, ASeedPicksTheSameFaultEveryTimeAndItsTextReplays) {
    const std::string args = "--sim-chip 27C010 --sim-image fill:FF ";
    const CliResult first = Run(args + "--sim-faults 77 blank -d 27C010");
    const CliResult again = Run(args + "--sim-faults 77 blank -d 27C010");
    const std::string fault = PrintedFault(first);
    ASSERT_FALSE(fault.empty()) << first.err;
    EXPECT_EQ(PrintedFault(again), fault);
    EXPECT_EQ(Untimed(again.out), Untimed(first.out));
    const CliResult replay = Run(args + "--sim-fault " + fault + " blank -d 27C010");
    EXPECT_EQ(replay.status, first.status) << replay.err;
    EXPECT_EQ(Untimed(replay.out), Untimed(first.out));
    EXPECT_NE(PrintedFault(Run(args + "--sim-faults 78 blank -d 27C010")), "");
}

TEST_F(SeededFaultsCli, BadSeedsAndChiplessSeedsAreRefused) {
    EXPECT_EQ(Run("--sim-chip 27C256 --sim-faults x1 blank -d 27C256").status, 2);
    EXPECT_EQ(Run("--sim-chip 27C256 --sim-faults 4294967296 blank -d 27C256").status, 2);
    const CliResult noChip = Run("--sim-faults 3 blank -d 27C256");
    EXPECT_EQ(noChip.status, 2);
    EXPECT_TRUE(noChip.ErrHas("--sim-chip")) << noChip.err;
    EXPECT_EQ(Run("--sim-chip 27C256 --sim-fault flip:0:1 blank -d 27C256").status, 2);
    EXPECT_EQ(Run("--sim-chip 27C256 --sim-fault flip:100 blank -d 27C256").status, 2);
}

TEST_F(SeededFaultsCli, AnExecBoardDyingMidCommandNeverEndsInSuccess) {
    WriteFile("image.bin", ImageWithErasedBytes(9, 32768));
    const std::string board =
        "--model 6 --port 378 --backend 'exec:" QUORBIT_SIM_BOARD_CHILD " 6 11 ";
    for (const char* reads : {"0", "1", "700", "20000"}) {
        for (const std::string command :
             {"blank -d 27C256", "verify image.bin -d 27C256", "--yes program image.bin -d 27C256",
              "read -o out.bin -d 27C256"}) {
            const CliResult r = Run(board + reads + "' " + command);
            EXPECT_NE(r.status, 0) << command << " after " << reads << " reads";
            EXPECT_FALSE(r.OutHas("IS BLANK") || r.OutHas("MATCHES") || r.OutHas("Successfull"))
                << command << " after " << reads << " reads:\n"
                << r.out;
            // A verify of the erased chip may find its mismatch before the board dies.
            const bool mismatch = r.OutHas("DOES NOT VERIFY");
            EXPECT_TRUE(mismatch || r.ErrHas("exec backend") || r.OutHas("exec backend"))
                << command << ":\n"
                << r.err << r.out;
        }
    }
    // The same board living on answers the whole blank check.
    EXPECT_EQ(Run(board + "100000000' blank -d 27C256").status, 0);
}

// The fast port mode end to end: a program with its verify succeeds on each kind
// of part, the saved chip holds the image, and a stuck cell still fails it.
TEST_F(SeededFaultsCli, FastModeProgramsAndStillFailsOnAFault) {
    const auto image = ImageWithErasedBytes(21, 1024);
    WriteFile("image.bin", image);
    for (const std::string chip :
         {"27C256", "27C010", "AM29F010", "AT29C256", "X28C256", "SST39SF010A", "24C32"}) {
        const std::string sim = "--fast --sim-chip " + chip + " ";
        const CliResult r = Run(sim + "--sim-save chip.bin --yes program image.bin -d " + chip);
        EXPECT_EQ(r.status, 0) << chip << ":\n" << r.out << r.err;
        const auto saved = FileBytes("chip.bin");
        EXPECT_TRUE(saved.size() >= image.size() &&
                    std::equal(image.begin(), image.end(), saved.begin()))
            << chip;
        // A cell stuck at 1 where the image has a 0.
        std::size_t at = 0x10;
        while (image[at] == 0xFF)
            ++at;
        char fault[32];
        std::snprintf(fault, sizeof fault, "%zX:%d:1", at, std::countr_one(image[at]));
        const CliResult stuck =
            Run(sim + "--sim-fault " + fault + " --yes program image.bin -d " + chip);
        EXPECT_NE(stuck.status, 0) << chip << ":\n" << stuck.out;
        EXPECT_FALSE(stuck.OutHas("Successfull")) << chip;
    }
}

// An external board (the simulated one as the exec child, its clock following the
// sleeps and counted delays) sees no pin move out of turn in the fast mode; the
// 24C32's bus, whose times the port's clock cannot tell there, keeps the normal latch.
TEST_F(SeededFaultsCli, FastModeThroughAnExecBoardMovesNoPinOutOfTurn) {
    WriteFile("image.bin", ImageWithErasedBytes(5, 256));
    for (const auto& [row, chip] : {std::pair{"11", "27C256"}, std::pair{"25", "AM29F010"},
                                    std::pair{"33", "X28C256"}, std::pair{"38", "24C32"}}) {
        const std::string board = std::string("--fast --exec-delays --model 6 --port 378 "
                                              "--backend 'exec:" QUORBIT_SIM_BOARD_CHILD " 6 ") +
                                  row + " 100000000' ";
        const CliResult r = Run(board + "--yes program image.bin -d " + chip);
        EXPECT_EQ(r.status, 0) << chip << ":\n" << r.out << r.err;
        EXPECT_FALSE(r.ErrHas("sim_board_child")) << chip << ": " << r.err;
    }
}

} // namespace
} // namespace quorbit::test
