// Which port the window runs on when no backend is named.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <stdexcept>

#include "Fakes.h"
#include "catalog/DeviceSelection.h"
#include "gui/GuiSession.h"
#include "session/Options.h"
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
    GlobalOptions options;
    options.backend.choice = "auto";
    options.backend.sim.chip = "27C256";
    options.backend.sim.imageFile = "fill:00";
    EXPECT_EQ(FinishOptions(options), "");
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
    EXPECT_NE(FinishOptions(options), "");
}

/// Options as the window's command line leaves them, on the simulated board, with
/// the port file kept in a temporary folder.
GlobalOptions SimulatorOptions(const TempDir& dir) {
    GlobalOptions options;
    options.backend.choice = "sim";
    options.configDir = dir.path().string();
    return options;
}

TEST(WindowSimulator, ImageAndFaultAloneGoToTheChipOfEachDeviceChosen) {
    TempDir dir;
    GlobalOptions options = SimulatorOptions(dir);
    options.backend.sim.imageFile = "fill:00";
    options.backend.sim.fault = "100:0:1"; // bit 0 of 100h stuck high
    // The command line still wants the chip named; the window takes the one chosen.
    GlobalOptions commandLine = options;
    EXPECT_NE(FinishOptions(commandLine), "");
    ASSERT_EQ(FinishOptions(options, true), "");

    gui::GuiSession session(options);
    App& app = session.app();
    EXPECT_EQ(session.backend().simBoard->Chip(), nullptr) << "no device chosen yet";
    ASSERT_TRUE(SelectDevice(app, 11)); // Eprom 27C256
    ASSERT_NE(session.backend().simBoard->Chip(), nullptr);
    EXPECT_EQ(session.backend().simBoard->Chip()->Name(), "Eprom 27C256");
    EXPECT_EQ(session.backend().simBoard->Chip()->Memory().size(), 32768u);

    session.window().Sync();
    // Pressed in the window: the read runs on the operation's thread.
    emit qobject_cast<QPushButton*>(session.window().ControlWidget("Read_button"))->clicked();
    ASSERT_TRUE(session.window().OperationRunning());
    while (session.window().OperationRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(app.buf.CodeBuffer[0xFF], 0x00);
    EXPECT_EQ(app.buf.CodeBuffer[0x100], 0x01);

    // Another device gets a chip of its own, with the same contents and fault.
    ASSERT_TRUE(SelectDevice(app, 27));
    EXPECT_EQ(session.backend().simBoard->Chip()->Name(), "Flash AMD AM29F040");
    EXPECT_EQ(session.backend().simBoard->Chip()->Memory()[0x7FFFF], 0x00);
}

TEST(WindowSimulator, AChipNamedAtStartIsTheDeviceChosenInTheList) {
    TempDir dir;
    GlobalOptions options = SimulatorOptions(dir);
    options.backend.sim.chip = "27C256";
    ASSERT_EQ(FinishOptions(options, true), "");
    gui::GuiSession session(options);
    EXPECT_EQ(session.app().ui.Device.listIndex, 11);
    EXPECT_EQ(session.app().dev.DeviceName, "Eprom 27C256");
    EXPECT_TRUE(session.app().ui.readButton.enabled);
}

TEST(WindowSimulator, WhatCannotBeMetIsRefusedAtStart) {
    TempDir dir;
    GlobalOptions seeded = SimulatorOptions(dir);
    seeded.faultSeed = "12"; // picks a fault for a named chip only
    EXPECT_NE(FinishOptions(seeded, true).find("--sim-chip"), std::string::npos);

    GlobalOptions missing = SimulatorOptions(dir);
    missing.backend.sim.imageFile = (dir / "no-such-image.bin").string();
    ASSERT_EQ(FinishOptions(missing, true), "");
    try {
        gui::GuiSession session(missing);
        ADD_FAILURE() << "a missing image was accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-image.bin"), std::string::npos);
    }
}

} // namespace
} // namespace quorbit::test
