// Every chip command on every family with a simulated chip, on hundreds of seeded
// faults: a command may fail, but it never claims success ("Device IS BLANK
// (ERASED)", "Device Contents MATCHES with Buffer Contents", "Programming Device
// Successfull", "Flash Erasing Operation COMPLETED", a read done, a flash ID
// named) when the chip does not hold what the claim says. And a program, whether
// it succeeds or fails, never changes a byte the image does not hold: some
// images begin past the chip's first page for that.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "../ops/ChipRig.h"
#include "FaultTruth.h"
#include "catalog/Catalog.h"
#include "ops/ProgramTable.h"
#include "sim/BoardFaults.h"
#include "sim/SeedFaults.h"

namespace quorbit::test {
namespace {

enum class Command { Read, Blank, Verify, Program, Erase, Id };

const char* NameOf(Command c) {
    switch (c) {
    case Command::Read:
        return "read";
    case Command::Blank:
        return "blank";
    case Command::Verify:
        return "verify";
    case Command::Program:
        return "program";
    case Command::Erase:
        return "erase";
    case Command::Id:
        return "id";
    }
    return "?";
}

struct Tally {
    int runs = 0, successes = 0, failures = 0, falseSuccesses = 0;
    int writesOutside = 0;         // a program that changed a byte the image does not hold
    int readsWithFlippedBytes = 0; // a read done while a flip reached the buffer
    int fooledByFlip = 0;          // a check whose one read a flip turned into a match
    std::vector<std::string> falseExamples;
    std::vector<std::string> outsideExamples;
};

/// One command on one chip with one seeded fault.
class SeedRun {
  public:
    SeedRun(ChipRig& r, int row, std::uint32_t seed) : r_(r), row_(row), seed_(seed) {
        size_ = sim::SimChipSize(row);
        fault_ = sim::FaultForSeed(seed, row);
    }

    /// Runs `command` and counts what it claimed against what the chip holds.
    void Run(Command command, Tally& tally) {
        if (!AppliesTo(command)) return;
        const auto image = ImageWithErasedBytes(seed_, size_);
        const bool inserted = command == Command::Verify ? Insert(image)
                              : command == Command::Blank || command == Command::Program
                                  ? Insert({})
                                  : Insert(sim::RandomContents(size_, seed_));
        if (!inserted) return;
        // The image the commands take: the whole chip for a third of the seeds, else
        // a part of a length the seed draws, so a claim must hold over a part. Two
        // parts in five begin past the first 256 bytes (page 0 of the board and of
        // the page-write parts), where nothing may then be written.
        const std::uint32_t draw = seed_ * 2654435761U >> 7;
        start_ = seed_ % 3 != 0 && seed_ % 5 < 2 ? 256 + draw % (size_ - 256) : 0;
        length_ = seed_ % 3 == 0 ? size_ : 1 + draw % (size_ - start_);
        before_ = TrueContents(*chip_);
        if (command == Command::Verify || command == Command::Program) {
            r_.app.buf.CodeFileOffset = static_cast<std::uint32_t>(start_);
            r_.LoadCode({image.begin() + static_cast<std::ptrdiff_t>(start_),
                         image.begin() + static_cast<std::ptrdiff_t>(start_ + length_)});
            r_.app.buf.CodeFileOffset = 0;
        }
        Control& button = ButtonOf(command);
        r_.app.ops.Outcome = OpOutcome::None;
        if (button.enabled) Fire(button.onClick);
        Judge(command, image, tally);
    }

  private:
    /// Erase only where the chip erases electrically, ID only on a flash chip.
    [[nodiscard]] bool AppliesTo(Command command) const {
        if (command == Command::Erase) return EraseRoutineFor(r_.app.dev.routines.erase) != nullptr;
        if (command == Command::Id) return r_.app.dev.DeviceFamily == "F";
        return true;
    }

    [[nodiscard]] Control& ButtonOf(Command command) const {
        switch (command) {
        case Command::Read:
            return r_.app.ui.readButton;
        case Command::Blank:
            return r_.app.ui.blankButton;
        case Command::Verify:
            return r_.app.ui.verifyButton;
        case Command::Program:
            return r_.app.ui.programButton;
        case Command::Erase:
            return r_.app.ui.eraseChipButton;
        case Command::Id:
            return r_.app.ui.menuFlashShowCodeID;
        }
        return r_.app.ui.readButton;
    }

    bool Insert(std::vector<std::uint8_t> contents) {
        auto chip = sim::MakeSimChip(row_, std::move(contents));
        if (!chip) {
            ADD_FAILURE() << "no simulated chip for row " << row_;
            return false;
        }
        chip_ = chip.get();
        r_.rig.sim->FlipReadsNowAndThen(0, 0);
        r_.rig.sim->Insert(std::move(chip));
        sim::ApplyAllFaults(*r_.rig.sim, *chip_, fault_);
        flipsBefore_ = r_.rig.sim->FlippedReads();
        r_.rig.ClearLog();
        return true;
    }

    /// Success claimed: by the outcome the command line turns into status 0, or by
    /// the log line the operator reads.
    [[nodiscard]] bool Claimed(Command command) const {
        if (r_.app.ops.Outcome == OpOutcome::Success) return true;
        switch (command) {
        case Command::Read:
            return false;
        case Command::Blank:
            return r_.LogHas("Device IS BLANK (ERASED)");
        case Command::Verify:
            return r_.LogHas("Device Contents MATCHES with Buffer Contents");
        case Command::Program:
            return r_.LogHas("Programming Device Successfull");
        case Command::Erase: // an EEPROM is erased by writing FFh and reading it back
            return r_.LogHas("Flash Erasing Operation COMPLETED") ||
                   r_.LogHas("Erasing Operation COMPLETED: every byte reads back FFh");
        case Command::Id:
            return false;
        }
        return false;
    }

    /// Differing bytes in [start_, start_ + length_): where the image has bytes.
    [[nodiscard]] std::size_t InImage(const std::vector<std::uint8_t>& a,
                                      const std::vector<std::uint8_t>& b) const {
        return Differences(a, b, start_ + length_) - Differences(a, b, start_);
    }

    /// A program changed bytes outside the image: never right, success or not,
    /// unless flipped reads did it. A byte an Atmel page write keeps is read until
    /// two reads in a row agree, so each such byte takes two flips alike.
    void JudgeOutside(Command command, Tally& tally) {
        if (command != Command::Program) return;
        const auto truth = TrueContents(*chip_);
        const std::size_t outside = Differences(before_, truth, size_) - InImage(before_, truth);
        if (outside == 0) return;
        const auto flips = r_.rig.sim->FlippedReads() - flipsBefore_;
        if (fault_.rfind("flip:", 0) == 0 && 2 * outside <= flips) return;
        ++tally.writesOutside;
        std::ostringstream what;
        what << "program on " << CatalogTable()[static_cast<std::size_t>(row_)].name << " seed "
             << seed_ << " (--sim-fault " << fault_ << ", image " << std::hex << start_ << "h+"
             << std::dec << length_ << "): " << outside << " bytes outside the image changed";
        tally.outsideExamples.push_back(what.str());
    }

    void Judge(Command command, const std::vector<std::uint8_t>& image, Tally& tally) {
        ++tally.runs;
        JudgeOutside(command, tally);
        if (!Claimed(command)) {
            ++tally.failures;
            return;
        }
        ++tally.successes;
        const auto truth = TrueContents(*chip_);
        std::size_t wrong = 0;
        switch (command) {
        case Command::Read:
            wrong = Differences(r_.Code(size_), truth, size_);
            break;
        case Command::Blank:
        case Command::Erase:
            wrong = static_cast<std::size_t>(std::count_if(
                truth.begin(), truth.end(), [](std::uint8_t b) { return b != 0xFF; }));
            break;
        case Command::Id: // the name it gave is of the code the chip answers
            wrong = r_.app.ops.flash.FlashID == TrueFlashId(*chip_) ? 0 : 1;
            break;
        case Command::Verify:
            wrong = InImage(image, truth);
            break;
        case Command::Program: // the image where it has bytes (elsewhere: JudgeOutside)
            wrong = InImage(image, truth);
            break;
        }
        if (wrong == 0) return;
        const auto flips = r_.rig.sim->FlippedReads() - flipsBefore_;
        // A byte read once is what it read: a flip on the way in reaches the
        // buffer, and only a second read could tell. Counted, and bounded by the
        // flips that happened.
        if (command == Command::Read && wrong <= flips) {
            ++tally.readsWithFlippedBytes;
            return;
        }
        // A pre-read or read-back that a flip turned into the expected byte: no
        // single read can tell. Counted apart, never more bytes than flips.
        if (fault_.rfind("flip:", 0) == 0 && wrong <= flips) {
            ++tally.fooledByFlip;
            std::cout << "[ seeded ] fooled by a flip: " << NameOf(command) << " seed " << seed_
                      << " --sim-fault " << fault_ << "\n";
            return;
        }
        ++tally.falseSuccesses;
        std::ostringstream what;
        what << NameOf(command) << " on " << CatalogTable()[static_cast<std::size_t>(row_)].name
             << " seed " << seed_ << " (--sim-fault " << fault_ << "): " << wrong
             << " bytes differ";
        tally.falseExamples.push_back(what.str());
    }

    ChipRig& r_;
    int row_;
    std::uint32_t seed_;
    std::size_t size_ = 0;
    std::size_t start_ = 0;            // the image's first address
    std::size_t length_ = 0;           // bytes of the image loaded
    std::vector<std::uint8_t> before_; // the chip as it was before the command
    std::string fault_;
    sim::SimChip* chip_ = nullptr;
    std::uint64_t flipsBefore_ = 0;
};

/// Bytes of chip per board model and row the seeds add up to. The sanitized
/// build runs many times slower and looks for memory faults, not for rare fault
/// combinations: its script sets QUORBIT_SEEDED_BYTES lower.
std::size_t SeedBudget() {
    const char* text = std::getenv("QUORBIT_SEEDED_BYTES");
    const long long bytes = text ? std::atoll(text) : 0;
    return bytes > 0 ? static_cast<std::size_t>(bytes) : 1'000'000;
}

/// Fewer seeds for the big chips: about the same number of bytes per row.
std::uint32_t SeedsFor(std::size_t size) {
    const std::size_t budget = SeedBudget();
    const std::size_t fewest = budget >= 1'000'000 ? 3 : 1;
    return static_cast<std::uint32_t>(std::clamp<std::size_t>(budget / size, fewest, 60));
}

std::vector<int> SimulatedRows() {
    std::vector<int> rows;
    for (int row = 1; row <= CatalogRowCount(); ++row)
        if (CatalogTable()[static_cast<std::size_t>(row)].selectable && sim::MakeErasedSimChip(row))
            rows.push_back(row);
    return rows;
}

// One test per board model, so each stays well inside the test timeout, even
// under the sanitizers, and the three can run side by side.
class SeededFaults : public ::testing::TestWithParam<int> {};

TEST_P(SeededFaults, NoCommandClaimsWhatTheChipDoesNotHold) {
    const int model = GetParam();
    std::map<Command, Tally> tallies;
    int seeds = 0;
    ChipRig r(model);
    for (const int row : SimulatedRows()) {
        ASSERT_TRUE(SelectDevice(r.app, row)) << row;
        // Each model takes every third seed, so the seeds differ across models.
        const std::uint32_t count = SeedsFor(sim::SimChipSize(row));
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::uint32_t seed = 1000U * static_cast<std::uint32_t>(row) + 3 * k +
                                       static_cast<std::uint32_t>(model - 4);
            ++seeds;
            for (const Command c : {Command::Read, Command::Blank, Command::Verify,
                                    Command::Program, Command::Erase, Command::Id})
                SeedRun(r, row, seed).Run(c, tallies[c]);
        }
    }
    int falseSuccesses = 0;
    for (auto& [command, t] : tallies) {
        std::cout << "[ seeded ] QUORBIT-" << model << " " << NameOf(command) << ": " << t.runs
                  << " runs, " << t.successes << " succeeded, " << t.failures << " failed, "
                  << t.falseSuccesses << " false successes, " << t.writesOutside
                  << " programs that wrote outside the image, " << t.readsWithFlippedBytes
                  << " reads with a flipped byte, " << t.fooledByFlip
                  << " checks fooled by a flip\n";
        for (const auto& example : t.falseExamples)
            ADD_FAILURE() << "false success: " << example;
        for (const auto& example : t.outsideExamples)
            ADD_FAILURE() << "wrote outside the image: " << example;
        falseSuccesses += t.falseSuccesses + t.writesOutside;
        // The faults bite and the sound cases pass: neither answer is a constant
        // (a read has nothing to compare with, so it fails only when the board does).
        EXPECT_GT(t.successes, 0) << NameOf(command);
        if (command != Command::Read) {
            EXPECT_GT(t.failures, 0) << NameOf(command);
        }
    }
    std::cout << "[ seeded ] QUORBIT-" << model << ": " << seeds << " seeds, " << falseSuccesses
              << " false successes\n";
    EXPECT_GE(seeds, SeedBudget() >= 1'000'000 ? 100 : 20);
}

INSTANTIATE_TEST_SUITE_P(EveryModel, SeededFaults, ::testing::Values(4, 5, 6),
                         [](const ::testing::TestParamInfo<int>& p) {
                             return "QUORBIT" + std::to_string(p.param);
                         });

} // namespace
} // namespace quorbit::test
