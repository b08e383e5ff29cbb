// Which port the window runs on when no backend is named.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "Fakes.h"
#include "cli/Options.h"
#include "gui/GuiSession.h"
#include "sim/SimBoard.h"

namespace quorbit::test {
namespace {

TEST(WindowBackend, WithoutAParallelPortRunsOnTheSimulatedBoard) {
    BackendOptions options;
    options.choice = "auto";
    options.ppdev378 = "/nonexistent/parport0";
    std::string note;
    const OpenedBackend opened = gui::OpenWindowBackend(options, note);
    ASSERT_NE(opened.simBoard, nullptr);
    EXPECT_EQ(opened.io->Describe().rfind("simulated QUORBIT-6 board at 378h", 0), 0u);
    EXPECT_NE(note.find("/nonexistent/parport0"), std::string::npos);
}

TEST(WindowBackend, AParallelPortThatDoesNotOpenFallsBackToTheSimulator) {
    TempDir dir;
    const auto notAPort = dir / "parport0"; // a plain file: no parallel port behind it
    std::ofstream(notAPort) << "";
    BackendOptions options;
    options.choice = "auto";
    options.ppdev378 = notAPort.string();
    std::string note;
    const OpenedBackend opened = gui::OpenWindowBackend(options, note);
    ASSERT_NE(opened.simBoard, nullptr);
    EXPECT_NE(note.find("could not be opened"), std::string::npos);
}

TEST(WindowBackend, ANamedBackendIsUsedAsItIsOrReported) {
    BackendOptions options;
    options.choice = "sim";
    options.sim.model = 4;
    std::string note;
    const OpenedBackend sim = gui::OpenWindowBackend(options, note);
    ASSERT_NE(sim.simBoard, nullptr);
    EXPECT_EQ(sim.simBoard->Model(), 4);
    EXPECT_TRUE(note.empty());

    options.choice = "nonsense";
    EXPECT_THROW(gui::OpenWindowBackend(options, note), PortError);
}

TEST(WindowBackend, SimulatorOptionsWorkWhenTheAutomaticChoiceIsTheSimulator) {
    cli::GlobalOptions options;
    options.backend.choice = "auto";
    options.backend.sim.chip = "27C256";
    options.backend.sim.imageFile = "fill:00";
    EXPECT_EQ(cli::FinishOptions(options), "");
    options.backend.ppdev378 = "/nonexistent/parport0";
    std::string note;
    const OpenedBackend opened = gui::OpenWindowBackend(options.backend, note);
    ASSERT_NE(opened.simBoard, nullptr);

    // With a parallel port there, the automatic choice is the port: say what is needed.
    TempDir dir;
    std::ofstream(dir / "parport0") << "";
    options.backend.ppdev378 = (dir / "parport0").string();
    try {
        gui::OpenWindowBackend(options.backend, note);
        ADD_FAILURE() << "simulator options accepted beside a parallel port";
    } catch (const PortError& e) {
        EXPECT_NE(std::string(e.what()).find("add --backend sim"), std::string::npos);
    }
    // Other backends still refuse them at once.
    options.backend.choice = "direct";
    EXPECT_NE(cli::FinishOptions(options), "");
}

} // namespace
} // namespace quorbit::test
