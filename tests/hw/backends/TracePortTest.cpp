#include "hw/backends/TracePort.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "Fakes.h"
#include "hw/SafeFile.h"
#include "hw/backends/BackendTestSupport.h"
#include "session/Backend.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

using ::testing::HasSubstr;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(TracePort, RecordsWritesReadsWithTheirValueWaitsAndCountedDelays) {
    TempDir dir;
    const auto file = dir / "trace.txt";
    auto board = std::make_unique<sim::SimBoard>(0, 0x378);
    sim::SimBoard* inner = board.get();
    {
        TracePort trace(std::move(board), file.string());
        trace.PortOut(0x378, 0x9F);
        trace.PortOut(0x37A, 0x04);
        EXPECT_EQ(trace.PortIn(0x379), 0xFF);
        trace.Sleep(200);
        trace.BusySteps(50);
        // Everything still reaches the board behind the trace.
        EXPECT_EQ(inner->Accesses(), 3U);
        EXPECT_EQ(inner->NowNs(),
                  3 * sim::kPortAccessNs + 200'000'000 + 50 * kDelayStepNanoseconds);
    }
    EXPECT_EQ(ReadBytes(file), "O 378 9F\nO 37A 04\nI 379 FF\nS 200\nD 50\n");
}

TEST(TracePort, DetectionThroughTheSimulatorIsRecordedAccessForAccess) {
    TempDir dir;
    const auto file = dir / "trace.txt";
    auto opened = OpenBackend(Backend("sim", file.string()));
    ASSERT_NE(opened.simBoard, nullptr);
    sim::SimBoard* board = opened.simBoard;
    Rig rig(std::move(opened.io));
    rig.app->RunGuarded(Form_Load);
    ASSERT_EQ(rig.app->board.BoardModel, 6);
    const std::uint64_t accesses = board->Accesses();
    rig.app.reset();
    rig.port.reset(); // closes the trace

    const std::regex access("^[OI] [0-9A-F]{3} [0-9A-F]{2}$");
    std::uint64_t recorded = 0;
    for (const auto& line : Lines(ReadBytes(file))) {
        if (std::regex_match(line, access)) {
            ++recorded;
        } else if (line != "D 500") { // the settling wait before each signature read
            EXPECT_EQ(line, "S 200") << "only the indicator blink sleeps in a detection";
        }
    }
    EXPECT_EQ(recorded, accesses);
    EXPECT_THAT(ReadBytes(file), HasSubstr("S 200"));
}

TEST(TracePort, ExecReadsAreRecordedWithTheChildsAnswer) {
    TempDir dir;
    const auto file = dir / "trace.txt";
    {
        auto opened = OpenBackend(
            Backend("exec:" + HelperCommand("recorder.sh", "/dev/null 78"), file.string()));
        opened.io->PortOut(0x3BC, 0x01);
        EXPECT_EQ(opened.io->PortIn(0x3BD), 0x78);
    }
    EXPECT_EQ(ReadBytes(file), "O 3BC 01\nI 3BD 78\n");
}

/// The one file in `folder` whose name starts with a dot: a trace being written.
std::filesystem::path HiddenFile(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().front() == '.') return entry.path();
    return {};
}

TEST(TracePort, FailedReadIsRecordedWithoutValueAndOnDiskAtOnce) {
    TempDir dir;
    const auto file = dir / "trace.txt";
    auto opened =
        OpenBackend(Backend("exec:" + HelperCommand("dies_after_one_read.sh"), file.string()));
    opened.io->PortOut(0x278, 0x9F);
    EXPECT_EQ(opened.io->PortIn(0x279), 0x12);
    opened.io->PortOut(0x27A, 0x04);
    EXPECT_THROW(opened.io->PortIn(0x279), PortError);
    // While the program goes on, the trace already shows where the link broke: on
    // disk beside its name, and in place should the program be ended at once.
    const std::string broke = "O 278 9F\nI 279 12\nO 27A 04\nI 279\n";
    EXPECT_EQ(ReadBytes(HiddenFile(dir.path())), broke);
    EXPECT_FALSE(std::filesystem::exists(file));
    PublishOutputsAtAbruptEnd();
    EXPECT_EQ(ReadBytes(file), broke);
}

TEST(TracePort, UnwritableFileIsRefusedWithPathAndReason) {
    const std::string path = "/nonexistent-folder/trace.txt";
    try {
        OpenBackend(Backend("sim", path));
        FAIL() << "no error";
    } catch (const PortError& e) {
        EXPECT_THAT(e.what(), HasSubstr(path));
        EXPECT_THAT(e.what(), HasSubstr("No such file or directory"));
    }
}

} // namespace
} // namespace quorbit::test
