// The 24C08 to 24C256 writers, read and verify against the bit-level chips.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "PropertyCheck.h"
#include "SerialRig.h"
#include "ops/ProgramTable.h"
#include "ops/Serial24Cxx.h"

namespace quorbit::test {
namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

/// What the bus carried between a start and a stop condition.
std::vector<Bytes> StoppedTransfers(const sim::TwoWireProbe& probe) {
    std::vector<Bytes> transfers;
    Bytes current;
    bool open = false;
    for (const auto& e : probe.Events()) {
        if (e.kind == 'S') {
            current.clear();
            open = true;
        } else if (e.kind == 'B') {
            current.push_back(e.value);
        } else if (open) {
            transfers.push_back(current);
            open = false;
        }
    }
    return transfers;
}

/// The page writes among them: a control byte with R/W = 0 and data after the address.
std::vector<Bytes> PageWrites(const sim::TwoWireProbe& probe) {
    std::vector<Bytes> writes;
    for (auto& t : StoppedTransfers(probe))
        if (t.size() > 3 && (t[0] & 1) == 0) writes.push_back(t);
    return writes;
}

int Count(const sim::TwoWireProbe& probe, char kind) {
    int n = 0;
    for (const auto& e : probe.Events())
        n += e.kind == kind ? 1 : 0;
    return n;
}

/// Forwards to the simulated board and counts the timed waits by length.
class WaitCounter : public PortIo {
  public:
    explicit WaitCounter(PortIo& inner) : inner_(inner) {}
    void PortOut(std::uint16_t port, std::uint8_t value) override { inner_.PortOut(port, value); }
    std::uint8_t PortIn(std::uint16_t port) override {
        ++reads;
        return inner_.PortIn(port);
    }
    void Sleep(int ms) override {
        ++sleeps[ms];
        inner_.Sleep(ms);
    }
    void BusySteps(std::int64_t steps) override { inner_.BusySteps(steps); }
    [[nodiscard]] std::string Describe() const override { return inner_.Describe(); }
    std::map<int, int> sleeps;
    int reads = 0;

  private:
    PortIo& inner_;
};

struct Chip {
    int row;
    std::size_t size;
    const char* type;
    int page; // the datasheet's page write buffer
};
constexpr Chip kChips[] = {{kRow24C08, 1024, "SA", 16},   {kRow24C16, 2048, "SB", 16},
                           {kRow24C32, 4096, "SC", 32},   {kRow24C64, 8192, "SC", 32},
                           {kRow24C128, 16384, "SC", 64}, {kRow24C256, 32768, "SE", 64}};

TEST(Serial24Cxx, EachChipRoundTripsThroughModels4And6) {
    for (int model : {4, 6}) {
        for (const Chip& c : kChips) {
            SCOPED_TRACE(std::string(c.type) + " on model " + std::to_string(model));
            SerialRig r(model);
            auto& chip = r.Insert(c.row, sim::FilledContents(c.size, 0xFF));
            const Bytes image = SerialImage(c.size, static_cast<std::uint32_t>(c.row + model));
            r.LoadCode(image);

            const auto programmed =
                ProgramRoutineFor(r.app.dev.routines.program)(r.app, ReadChipOptions(r.app));
            ASSERT_TRUE(programmed);
            EXPECT_TRUE(programmed->Succeeded());
            EXPECT_EQ(chip.Memory(), image);
            EXPECT_EQ(r.progress.maxSeen, static_cast<int>(c.size) / c.page);

            std::fill_n(r.app.buf.CodeBuffer.begin(), c.size, 0x00);
            r.Press(r.app.ui.readButton);
            EXPECT_EQ(r.Code(c.size), image);
            EXPECT_TRUE(r.LogHas(std::to_string(c.size) + " bytes Read from Device"));
            EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);

            r.Press(r.app.ui.verifyButton);
            EXPECT_TRUE(r.LogHas("Device Contents MATCHES with Buffer Contents"));
            EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
            EXPECT_TRUE(chip.Standby());
        }
    }
}

TEST(Serial24Cxx, A24C08IsWrittenInFourBlocksOfSixteenPages) {
    SerialRig r;
    auto& chip = r.Insert(kRow24C08, {});
    const Bytes image = SerialImage(1024, 8);
    r.LoadCode(image);
    Program24CxxChip(r.app, ReadChipOptions(r.app));
    const auto writes = PageWrites(chip.Probe());
    ASSERT_EQ(writes.size(), 64u);
    for (std::size_t page = 0; page < 64; ++page) {
        const Bytes& w = writes[page];
        ASSERT_EQ(w.size(), 2u + 16u) << page;
        EXPECT_EQ(w[0], 0xA0 + 2 * (page / 16)) << page; // A0h, A2h, A4h, A6h
        EXPECT_EQ(w[1], (page * 16) & 0xFF) << page;
        EXPECT_TRUE(std::equal(w.begin() + 2, w.end(),
                               image.begin() + static_cast<std::ptrdiff_t>(16 * page)))
            << page;
    }
}

// From the 24C32 on: A0h, two address bytes and a whole page of the chip's own
// size per write (32 bytes on the 24C32/64, 64 on the 24C128/256).
TEST(Serial24Cxx, APageCarriesTwoAddressBytesAndTheChipsPageOfData) {
    for (const Chip& c : {kChips[2], kChips[3], kChips[4], kChips[5]}) {
        SCOPED_TRACE(CatalogTable()[static_cast<std::size_t>(c.row)].name);
        SerialRig r;
        auto& chip = r.Insert(c.row, {});
        const Bytes image = SerialImage(c.size, 32);
        r.LoadCode(image);
        ProgramRoutineFor(r.app.dev.routines.program)(r.app, ReadChipOptions(r.app));
        const auto writes = PageWrites(chip.Probe());
        const auto pages = c.size / static_cast<std::size_t>(c.page);
        ASSERT_EQ(writes.size(), pages);
        for (std::size_t page = 0; page < pages; ++page) {
            const Bytes& w = writes[page];
            const std::size_t first = page * static_cast<std::size_t>(c.page);
            ASSERT_EQ(w.size(), 3u + static_cast<std::size_t>(c.page)) << page;
            EXPECT_EQ(w[0], 0xA0);
            EXPECT_EQ(w[1], first >> 8) << page;
            EXPECT_EQ(w[2], first & 0xFF) << page;
            EXPECT_TRUE(std::equal(w.begin() + 3, w.end(),
                                   image.begin() + static_cast<std::ptrdiff_t>(first)))
                << page;
        }
        EXPECT_EQ(r.app.ui.progressBar.max, static_cast<int>(pages));
        EXPECT_EQ(r.app.ui.progressBar.value, static_cast<int>(pages));
        EXPECT_EQ(chip.Memory(), image);
    }
}

TEST(Serial24Cxx, ReadSendsOneAddressByteOrTwoAndEndsWithoutAcknowledgingTheLastByte) {
    for (const Chip& c : {kChips[0], kChips[2], kChips[5]}) {
        SerialRig r;
        auto& chip = r.Insert(c.row, SerialImage(c.size, 3));
        r.Press(r.app.ui.readButton);
        const std::string bus = chip.Probe().Text();
        const bool two = c.row != kRow24C08;
        const std::string header = two ? "S A0a 00a 00a S A1a " : "S A0a 00a S A1a ";
        EXPECT_EQ(bus.substr(0, header.size()), header) << c.type;
        EXPECT_EQ(bus.substr(bus.size() - 3), "n P") << c.type;
        EXPECT_EQ(Count(chip.Probe(), 'B'), static_cast<int>(c.size) + (two ? 4 : 3));
        EXPECT_TRUE(chip.Standby());
        EXPECT_EQ(r.progress.maxSeen, static_cast<int>(c.size));
        EXPECT_EQ(r.progress.valueSeen, static_cast<int>(c.size));
        // Bus lines parked: clock low, OE active, registers 1 and 2 cleared.
        const auto& regs = r.rig.sim->Regs();
        EXPECT_TRUE(regs.CeActive() && regs.OeActive());
        EXPECT_EQ(regs.r[1] | regs.r[2], 0);
    }
}

TEST(Serial24Cxx, EveryCommandFindsTheBusFreeAfterTheOneBefore) {
    // Byte 0 below 80h: a chip still sending after the last byte would hold the
    // data line low with the first bit of byte 0 and keep the stop from happening.
    SerialRig r;
    Bytes image = SerialImage(1024, 11);
    image[0] = 0x00;
    auto& chip = r.Insert(kRow24C08, image);
    for (int pass = 0; pass < 3; ++pass) {
        r.Forget();
        std::fill_n(r.app.buf.CodeBuffer.begin(), 1024, 0xEE);
        r.Press(r.app.ui.readButton);
        EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success) << pass;
        EXPECT_EQ(r.Code(1024), image) << pass;
        r.Press(r.app.ui.verifyButton);
        EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success) << pass;
        EXPECT_TRUE(chip.Standby()) << pass;
    }
}

TEST(Serial24Cxx, EraseWritesFFhAndLeavesTheCodeBufferAlone) {
    for (const Chip& c : {kChips[1], kChips[2]}) {
        SerialRig r;
        auto& chip = r.Insert(c.row, SerialImage(c.size, 5));
        const Bytes buffer = SerialImage(c.size, 6);
        r.LoadCode(buffer);
        EXPECT_EQ(EraseRoutineFor(r.app.dev.routines.erase)(r.app, ReadChipOptions(r.app)),
                  OpOutcome::Success);
        EXPECT_EQ(chip.Memory(), Bytes(c.size, 0xFF)) << c.type;
        EXPECT_EQ(r.Code(c.size), buffer) << c.type;
        const std::string line =
            c.row == kRow24C32 ? "Erasing Device 24C32" : "Erasing Device 24CXX";
        EXPECT_EQ(r.rig.LogLines(),
                  (Lines{line, "Program Buffer will not be erased",
                         "Erasing Operation COMPLETED: every byte reads back FFh"}));
    }
}

TEST(Serial24Cxx, EmptySocketEndsAfter200SamplesWithNothingMoreOnTheBus) {
    SerialRig r;
    const auto& bus = r.InsertNothing(kRow24C08);
    r.LoadCode(Bytes(1024, 0x5A));
    WaitCounter counter(*r.rig.port);
    r.app.board.AttachPort(counter);
    const auto programmed = Program24CxxChip(r.app, ReadChipOptions(r.app));
    ASSERT_TRUE(programmed);
    EXPECT_EQ(programmed->unanswered, 200);
    EXPECT_EQ(bus.Text(), "S A0n");
    EXPECT_EQ(counter.reads, 200);
    EXPECT_EQ(counter.sleeps, (std::map<int, int>{{1, 200}, {50, 1}}));

    // The read gets the same answer and reports it.
    r.Press(r.app.ui.readButton);
    EXPECT_EQ(bus.Text(), "S A0n S A0n");
    EXPECT_EQ(r.rig.LogLines(),
              (Lines{std::string(50, '*'), "Device 24CXX DOES NOT RESPOND - ACK Error",
                     "Check Chip Installation Position on Socket", "Error Alert was Turned Off"}));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_EQ(Read24CXX(r.app), 200) << "the read alone tells the samples it waited";
}

TEST(Serial24Cxx, EmptySocketVerifyReportsTheAcknowledgeFailureAndNoMatch) {
    SerialRig r;
    const auto& bus = r.InsertNothing(kRow24C32);
    r.LoadCode(Bytes(4096, 0xFF));
    r.Press(r.app.ui.verifyButton);
    EXPECT_EQ(bus.Text(), "S A0n");
    EXPECT_TRUE(r.LogHas("Device 24CXX DOES NOT RESPOND - ACK Error"));
    EXPECT_FALSE(r.LogHas("Device Contents MATCHES with Buffer Contents"));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
}

TEST(Serial24Cxx, ChipThatStaysBusyIsPolled50TimesAndTheNextPageStartsAnyway) {
    SerialRig r;
    auto& chip = r.Insert(kRow24C08, {});
    chip.StayBusy();
    r.LoadCode(SerialImage(1024, 9));
    WaitCounter counter(*r.rig.port);
    r.app.board.AttachPort(counter);
    const auto programmed = Program24CxxChip(r.app, ReadChipOptions(r.app));
    const auto& events = chip.Probe().Events();
    const auto firstStop =
        std::find_if(events.begin(), events.end(), [](const auto& e) { return e.kind == 'P'; });
    ASSERT_NE(firstStop, events.end());
    const auto startsAfter =
        std::count_if(firstStop, events.end(), [](const auto& e) { return e.kind == 'S'; });
    EXPECT_EQ(startsAfter, 50 + 1); // 50 polls, then the second page
    EXPECT_EQ(counter.sleeps[2], 50);
    // The second page's control byte is not answered either: the writer gives up.
    const std::string text = chip.Probe().Text();
    EXPECT_EQ(text.substr(text.size() - 9), "A0n S A0n");
    ASSERT_TRUE(programmed);
    EXPECT_EQ(programmed->unanswered, 200);
    EXPECT_EQ(Count(chip.Probe(), 'P'), 1);
}

TEST(Serial24Cxx, VerifyMismatchReportsTheFailingIndexAndFreesTheBus) {
    SerialRig r;
    auto& chip = r.Insert(kRow24C16, {});
    chip.NeverTakes(0x1F3);
    Bytes image = SerialImage(2048, 12);
    image[0x1F3] = 0x5A;
    image[0x1F4] = 0x00; // the byte after it would hold the line low
    r.LoadCode(image);
    const auto programmed = Program24CxxChip(r.app, ReadChipOptions(r.app));
    ASSERT_TRUE(programmed);
    ASSERT_EQ(programmed->unanswered, 0);

    r.Forget();
    r.Press(r.app.ui.verifyButton);
    EXPECT_TRUE(r.LogHas("Address: 1F3 ][ Buffer Data: 5A ][ Device Data: FF"));
    EXPECT_FALSE(r.LogHas("Device Contents MATCHES with Buffer Contents"));
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Failed);
    EXPECT_TRUE(chip.Standby());

    r.Press(r.app.ui.readButton);
    EXPECT_EQ(r.app.ops.Outcome, OpOutcome::Success);
    EXPECT_EQ(r.Code(2048), chip.Memory());
}

// The writer driven alone, with the board, the device and a part of an image, on a
// chip with one cell that keeps its contents: the bytes held are written and the
// others untouched, and where the cell does not take its byte the read-back ends
// it with the address, the byte written and the byte the chip still holds. An
// empty socket ends it with the 200 samples its first byte waited.
TEST(SerialRoutine, DrivenAloneItGivesUpWhereACellKeepsItsByte) {
    CheckProperty(12, [] {
        const HeldImage image = DrawHeldImage(1, 300);
        SerialRig r;
        const Bytes contents = SerialImage(2048, *rc::gen::inRange<std::uint32_t>(1, 99));
        auto& chip = r.Insert(kRow24C16, contents);
        chip.NeverTakes(image.bad);
        const std::uint8_t wanted = image.bytes[image.bad];
        const bool cannotTake = image.Holds(image.bad) && wanted != contents[image.bad];

        Board& b = r.app.board;
        b.ResetLines();
        HeardEvents events;
        const ProgramOutcome outcome =
            ProgramSerialEeprom(b, r.app.dev, image.ToWrite(), false, events);

        RC_ASSERT(outcome.unanswered == 0);
        RC_ASSERT(outcome.Succeeded() == !cannotTake);
        RC_ASSERT(events.steps == (static_cast<int>(image.bytes.size()) + 15) / 16);
        // Every page is written before the read-back: all but the bad cell take.
        for (std::uint32_t a = 0; a < image.bytes.size(); ++a)
            RC_ASSERT(chip.Memory()[a] ==
                      (image.Holds(a) && a != image.bad ? image.bytes[a] : contents[a]));
        if (!cannotTake) return;
        const ProgramFailureAt& at = *outcome.failure;
        RC_ASSERT(at.address == static_cast<std::int32_t>(image.bad));
        RC_ASSERT(at.wrote == wanted);
        RC_ASSERT(at.read == contents[image.bad]);
    });

    SerialRig r;
    r.InsertNothing(kRow24C16);
    r.app.board.ResetLines();
    const Bytes bytes(64, 0x5A);
    const Coverage held = Coverage::FirstBytes(64);
    HeardEvents events;
    const ProgramOutcome outcome =
        ProgramSerialEeprom(r.app.board, r.app.dev, {bytes, held, 64}, false, events);
    EXPECT_EQ(outcome.unanswered, 200);
    EXPECT_FALSE(outcome.failure.has_value());
    EXPECT_EQ(events.stepped, 0);
}

} // namespace
} // namespace quorbit::test
