// The trace tells every counted delay as a "D <steps>" line, and a pulse, whose
// steps have a length of their own, as "D <steps> <ns>": the pulse widths and
// pauses a chosen device and speed give are there to be read and summed.
#include <gtest/gtest.h>

#include <sstream>

#include "Fakes.h"
#include "catalog/DeviceSelection.h"
#include "hw/backends/TracePort.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

struct DelayCase {
    int row;      // catalog row
    int position; // speed slider
    long long port, medium, longPulse, settling;
};

/// Steps and their own step length (0: the --step-ns length) of a D line.
using Delay = std::pair<long long, long long>;

/// The D lines between the two marker sleeps of the trace.
std::vector<Delay> DelaysBetweenMarkers(const std::string& trace) {
    std::istringstream in(trace);
    std::vector<Delay> delays;
    int markers = 0;
    for (std::string line; std::getline(in, line);) {
        if (line == "S 7") {
            ++markers;
        } else if (markers == 1 && line.rfind("D ", 0) == 0) {
            std::istringstream fields(line.substr(2));
            Delay d{-1, 0};
            fields >> d.first;
            if (!(fields >> d.second)) d.second = 0;
            delays.push_back(d);
        }
    }
    return delays;
}

class DelayTrace : public ::testing::TestWithParam<DelayCase> {};

TEST_P(DelayTrace, EachDelayIsOneLineWithTheStepsItAsksFor) {
    const DelayCase c = GetParam();
    TempDir traceDir;
    const auto file = traceDir / "trace.txt";
    auto port =
        std::make_unique<TracePort>(std::make_unique<sim::SimBoard>(6, 0x378), file.string());
    TracePort& trace = *port;
    Rig rig(std::move(port));
    App& app = *rig.app;
    Form_Load(app);
    ASSERT_TRUE(SelectDevice(app, c.row));
    SetPosition(app.ui.speedSlider, c.position);
    Board& b = app.board;
    b.SleepMs(7);
    b.PaceWrite();
    b.WaitProgramPulse();
    b.WaitPulseExtension();
    b.WaitStatusSettle();
    b.WaitVerifySettle();
    b.WaitBusTurnaround();
    b.SetReg2(); // a latch: three pauses between its four writes
    b.SleepMs(7);
    EXPECT_EQ(trace.Finish(), "");
    const long long pulseStep = b.PulseStepNs;
    EXPECT_GT(pulseStep, 0);
    EXPECT_EQ(DelaysBetweenMarkers(ReadBytes(file)), (std::vector<Delay>{{c.port * 10, 0},
                                                                         {c.medium, pulseStep},
                                                                         {c.longPulse, pulseStep},
                                                                         {c.settling, 0},
                                                                         {20, 0},
                                                                         {10, 0},
                                                                         {c.port * 10, 0},
                                                                         {c.port * 10, 0},
                                                                         {c.port * 10, 0}}));
}

// Port / medium / long counts of the speed table for the three factor sets.
INSTANTIATE_TEST_SUITE_P(FactorsAndSpeeds, DelayTrace,
                         ::testing::Values(DelayCase{11, 20, 2, 2, 2, 500},
                                           DelayCase{11, 18, 12, 202, 1002, 500},
                                           DelayCase{11, 10, 52, 1002, 5002, 500},
                                           DelayCase{11, 1, 1902, 1902, 9502, 500},
                                           DelayCase{6, 18, 102, 40002, 200002, 5000},
                                           DelayCase{6, 9, 220002, 220002, 1100002, 5000},
                                           DelayCase{21, 18, 6, 102, 502, 200},
                                           DelayCase{21, 1, 952, 952, 4752, 200}));

} // namespace
} // namespace quorbit::test
