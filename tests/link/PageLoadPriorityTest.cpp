// Page loads on a real port ask for real-time priority and say once when refused;
// stretched programming pulses are told when the operation that gave them ends.
#include "link/PageLoadPriority.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "link/PulseOverruns.h"

namespace quorbit::test {
namespace {

/// A port whose waits are the wall clock's, with a settable count of stretched pulses.
class RealTimingPort : public RecordingPort {
  public:
    [[nodiscard]] bool RealTiming() const override { return true; }
    [[nodiscard]] std::int64_t OverranPulses() const override { return overran; }
    std::int64_t overran = 0;
};

class ScriptedScheduling : public SchedulingControl {
  public:
    bool RaiseToRealTime(std::string& why) override {
        ++raised;
        if (!permitted) why = "real-time priority: Operation not permitted";
        return permitted;
    }
    void RestorePriority() override { ++restored; }
    bool LockMemory(std::string& why) override {
        ++locks;
        if (!permitted) why = "memory lock: Operation not permitted";
        return permitted;
    }
    bool permitted = true;
    int raised = 0, restored = 0, locks = 0;
};

struct RealPortRig {
    RealPortRig() {
        auto owned = std::make_unique<RealTimingPort>();
        port = owned.get();
        rig = std::make_unique<Rig>(std::move(owned));
        rig->app->board.DataPort = 0x378;
    }
    RealTimingPort* port;
    std::unique_ptr<Rig> rig;
};

TEST(PageLoadPriority, RaisedForThePageAndRestoredAfterIt) {
    RealPortRig r;
    ScriptedScheduling scheduling;
    {
        PageLoadPriority guard(*r.rig->app, scheduling);
        EXPECT_EQ(scheduling.raised, 1);
        EXPECT_EQ(scheduling.locks, 1);
        EXPECT_EQ(scheduling.restored, 0);
    }
    EXPECT_EQ(scheduling.restored, 1);
    EXPECT_TRUE(r.rig->LogLines().empty());
}

TEST(PageLoadPriority, RefusalIsLoggedOnceAndNothingIsRestored) {
    RealPortRig r;
    ScriptedScheduling scheduling;
    scheduling.permitted = false;
    for (int page = 0; page < 3; ++page)
        PageLoadPriority guard(*r.rig->app, scheduling);
    EXPECT_EQ(scheduling.raised, 3); // asked again for every page
    EXPECT_EQ(scheduling.restored, 0);
    const auto lines = r.rig->LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("real-time priority: Operation not permitted"), std::string::npos);
    EXPECT_NE(lines[0].find("memory lock"), std::string::npos);
}

TEST(PageLoadPriority, SimulatedBoardAndNoPortAreLeftAlone) {
    Rig simulated(6);
    simulated.app->board.DataPort = 0x378;
    ScriptedScheduling scheduling;
    { PageLoadPriority guard(*simulated.app, scheduling); }
    RealPortRig noPort;
    noPort.rig->app->board.DataPort = 0;
    { PageLoadPriority guard(*noPort.rig->app, scheduling); }
    EXPECT_EQ(scheduling.raised + scheduling.locks + scheduling.restored, 0);
}

TEST(PulseOverruns, EachHandlerEndTellsOnlyTheNewOnes) {
    RealPortRig r;
    App& app = *r.rig->app;
    app.RunGuarded([&](App&) { r.port->overran = 3; });
    app.RunGuarded([](App&) {}); // none new: nothing more
    app.RunGuarded([&](App&) {
        r.port->overran = 4;
        throw PortError("link lost"); // a failed operation still tells them
    });
    const auto lines = r.rig->LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front().rfind("3 programming pulse(s) ran more than twice", 0), 0u)
        << lines.front();
    EXPECT_EQ(lines.back().rfind("1 programming pulse(s) ran more than twice", 0), 0u)
        << lines.back();
    int told = 0;
    for (const auto& line : lines)
        told += line.find("programming pulse(s)") != std::string::npos;
    EXPECT_EQ(told, 2);
}

} // namespace
} // namespace quorbit::test
