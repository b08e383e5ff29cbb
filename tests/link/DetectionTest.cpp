// Finding the board: every model on every port, no board, port choice, forcing.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "app/TextFile.h"
#include "link/Detection.h"
#include "link/PortFile.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

struct DetectCase {
    int model;
    std::uint16_t port;
};

class DetectEveryModelOnEveryPort : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectEveryModelOnEveryPort, FindsModelAndPortAndSavesThem) {
    const auto [model, port] = GetParam();
    Rig rig(model, port);
    App& app = *rig.app;
    Form_Load(app);
    rig.ClearLog();
    Fire(app.ui.testPortButton.onClick);

    EXPECT_EQ(app.board.BoardModel, model);
    EXPECT_EQ(app.board.DataPort, port);
    EXPECT_EQ(app.DetectedPort, port);
    const std::string hex = Hex(port);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption,
              "MODEL " + std::to_string(model) + " - PC port " + hex + "h");
    EXPECT_EQ(app.ui.readyLamp.caption, "Ready");
    EXPECT_EQ(app.ui.readyLamp.foreColor, colour::Green);

    const auto lines = rig.LogLines();
    // The two other ports do not answer; the port choice comes before the find.
    int notResponding = 0;
    for (const auto& l : lines)
        notResponding += l.find("Not Responding") != std::string::npos;
    EXPECT_EQ(notResponding, 2);
    const std::string chosen = "Port Selection changed to " + hex + "h";
    const std::string found =
        "QUORBIT-" + std::to_string(model) + " Device was FOUND at Port: " + hex;
    const auto chosenAt = std::find(lines.begin(), lines.end(), chosen);
    const auto foundAt = std::find(lines.begin(), lines.end(), found);
    ASSERT_NE(chosenAt, lines.end());
    ASSERT_NE(foundAt, lines.end());
    EXPECT_LT(chosenAt, foundAt);
    // Nothing else: where the port file went is the help's and the command line's to say.
    EXPECT_EQ(lines.size(), 4u) << lines.back();

    const auto saved = ParsePortFile(ReadBytes(rig.dir / "app" / "quorbit6.ini"));
    EXPECT_EQ(saved.port, port);
    EXPECT_EQ(saved.model, model);
    // The register codes follow the model found.
    EXPECT_EQ(app.board.RegStrobe[0], model == 4 ? 0x0B : 0x04);
}

INSTANTIATE_TEST_SUITE_P(Boards, DetectEveryModelOnEveryPort,
                         ::testing::Values(DetectCase{4, 0x378}, DetectCase{4, 0x278},
                                           DetectCase{4, 0x3BC}, DetectCase{5, 0x378},
                                           DetectCase{5, 0x278}, DetectCase{5, 0x3BC},
                                           DetectCase{6, 0x378}, DetectCase{6, 0x278},
                                           DetectCase{6, 0x3BC}));

TEST(Detection, NoBoardAnywhere) {
    Rig rig(0);
    App& app = *rig.app;
    Form_Load(app);
    rig.ClearLog();
    Fire(app.ui.menuTestHardware.onClick);
    EXPECT_EQ(app.board.BoardModel, 0);
    EXPECT_EQ(app.DetectedPort, 0);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "NO HARDWARE FOUND");
    EXPECT_EQ(app.ui.QuorbitHardwareFound.foreColor, colour::Red);
    EXPECT_EQ(app.ui.readyLamp.caption, "NotReady");
    EXPECT_EQ(app.ui.PortSelected.caption, "None");
    EXPECT_EQ(rig.LogLines(),
              (std::vector<std::string>{
                  "Port 278 Not Responding", "Port 378 Not Responding", "Port 3BC Not Responding",
                  "Can't Locate Quorbit Board at Any LPT port.",
                  "Quorbit should be connected to a LPT port, with power and socket empty."}));
    EXPECT_FALSE(std::filesystem::exists(rig.dir / "app" / "quorbit6.ini"));
}

TEST(Detection, Model6IsFoundOnAFirstStartWithoutPortFile) {
    // Before any PortSetup the read-select codes are both 0; the model-6 test must
    // not depend on them.
    Rig rig(6, 0x278);
    App& app = *rig.app;
    Form_Load(app);
    EXPECT_EQ(app.board.BoardModel, 6);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "MODEL 6 - PC port 278h");
    EXPECT_EQ(app.board.ReadSelectLow, 5);
    EXPECT_EQ(app.board.ReadSelectHigh, 1);
}

TEST(Detection, TheSimulatedSignaturesAreExclusive) {
    // A model-5 board does not answer the model-4 pattern and vice versa: the scan
    // of a model 5 must not turn it into a 4, nor a 4 into a 5.
    for (int model : {4, 5}) {
        Rig rig(model);
        App& app = *rig.app;
        Form_Load(app);
        EXPECT_EQ(app.board.BoardModel, model);
    }
}

TEST(Detection, ABoardAnsweringBothSignaturesIsAModel4) {
    auto port = std::make_unique<RecordingPort>();
    RecordingPort& io = *port;
    Rig rig(std::move(port));
    App& app = *rig.app;
    app.board.DataPort = 0x378;
    // Pattern A (lines low, then high), then pattern B the same: both match.
    io.reads = {0x00, 0x70, 0x00, 0x70};
    CheckHardware(app);
    EXPECT_EQ(app.board.BoardModel, 4);
    EXPECT_EQ(app.DetectedPort, 0x378);
    EXPECT_TRUE(io.reads.empty()); // no model-6 reads for a model 4
    EXPECT_TRUE(rig.LogLines().empty());
}

TEST(Detection, ManualPortChoiceOnlyMovesThePort) {
    Rig rig(6);
    App& app = *rig.app;
    Form_Load(app);
    rig.ClearLog();
    const auto before = ReadBytes(rig.dir / "app" / "quorbit6.ini");
    SetOption(app.ui.LPTGroup(), 2, true);
    EXPECT_EQ(app.ui.PortSelected.caption, "3BCh");
    EXPECT_EQ(app.board.DataPort, 0x3BC);
    EXPECT_EQ(app.board.ControlPort, 0x3BE);
    EXPECT_EQ(app.board.BoardModel, 6);
    EXPECT_EQ(app.DetectedPort, 0x378);
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"Port Selection changed to 3BCh"});
    EXPECT_EQ(ReadBytes(rig.dir / "app" / "quorbit6.ini"), before);
    // Selecting the button already selected is no click.
    SetOption(app.ui.LPTGroup(), 2, true);
    EXPECT_EQ(rig.LogLines().size(), 1u);
}

TEST(Detection, ForcingAModelChangesLatchCodesButNotThePortFile) {
    Rig rig(4);
    App& app = *rig.app;
    Form_Load(app);
    ASSERT_EQ(app.board.BoardModel, 4);
    const auto before = ReadBytes(rig.dir / "app" / "quorbit6.ini");
    rig.ClearLog();
    Fire(app.ui.ForceQuorbit5.onClick);
    EXPECT_EQ(app.board.BoardModel, 5);
    EXPECT_EQ(app.board.RegSelect[0], 0x05);
    EXPECT_EQ(app.board.ReadSelectLow, 5);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "Operator Forced Model 5");
    EXPECT_EQ(app.ui.QuorbitHardwareFound.foreColor, colour::Red);
    EXPECT_EQ(app.ui.readyLamp.caption, "Ready");
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"QUORBIT-5 Device was FORCED by Operator"});
    EXPECT_EQ(ReadBytes(rig.dir / "app" / "quorbit6.ini"), before);
}

TEST(Detection, TheBoardLedBlinksOnModels5And6Only) {
    for (int model : {4, 5, 6}) {
        Rig rig(model);
        App& app = *rig.app;
        Form_Load(app);
        const auto t0 = rig.sim->NowNs();
        app.DetectedPort = 0x378;
        ShowDetectedBoard(app);
        const auto elapsedMs = (rig.sim->NowNs() - t0) / 1'000'000;
        if (model == 4)
            EXPECT_LT(elapsedMs, 200);
        else
            EXPECT_GE(elapsedMs, 200);
    }
}

} // namespace
} // namespace quorbit::test
