#include "ops/PageWrite.h"

#include <algorithm>

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {
namespace {

constexpr int kUnlockAddress1 = 0x5555;
constexpr int kUnlockAddress2 = 0x2AAA;

} // namespace

void SpeedWait(App& app, int extraMs) {
    const Control& slider = app.ui.Slider1;
    app.board.SleepMs(slider.max - slider.value + extraMs);
}

void StartPageProgress(App& app) {
    // One step per 8 pages of the chip: 64 for the 32 KiB parts.
    const int pages = std::min(app.dev.ImageLength / kPageBytes, kPagesPerChip);
    SetProgressMax(app, pages / 8);
    app.report.ProgressStep = 8;
    app.report.ProgressCount = 0;
    app.ops.PageCounter = 0;
}

void PageVerified(App& app) {
    if (app.ops.PageCounter % 8 == 0) ToggleProgramIndicator(app);
    GoProgressiveBar1(app);
}

std::uint8_t ImageByteAtAddress(const App& app) {
    return app.ops.ProgramImage.at(static_cast<std::size_t>(app.board.Address));
}

bool ImageHoldsAddress(const App& app) {
    return app.ops.ProgramCoverage.Holds(static_cast<std::uint32_t>(app.board.Address));
}

bool ImageHoldsPage(const App& app, int page) {
    return app.ops.ProgramCoverage.HoldsAnyOf(static_cast<std::uint32_t>(page * kPageBytes),
                                              kPageBytes);
}

int PagesOfImage(const App& app) {
    const int pages = (app.ops.ProgramLength + kPageBytes - 1) / kPageBytes;
    return pages < kPagesPerChip ? pages : kPagesPerChip;
}

void CommandCycle(App& app, CommandWrite write, int address, int data) {
    app.ops.CommandAddress = address;
    app.board.Reg4Shadow = data;
    write(app);
}

void WriteProtectionDisable(App& app, CommandWrite write) {
    Board& b = app.board;
    // The six cycles are loads of one sequence: a gap past the byte-load window
    // would end it and write its first cycle's AAh into the chip at 5555h.
    const PageLoadWindow window(b);
    b.DisableOutput();
    b.Reg3Shadow = 0x82; // CE off, board drives the data pins, VCC on
    b.SetReg3();
    CommandCycle(app, write, kUnlockAddress1, 0xAA);
    CommandCycle(app, write, kUnlockAddress2, 0x55);
    CommandCycle(app, write, kUnlockAddress1, 0x80);
    CommandCycle(app, write, kUnlockAddress1, 0xAA);
    CommandCycle(app, write, kUnlockAddress2, 0x55);
    CommandCycle(app, write, kUnlockAddress1, 0x20);
}

} // namespace quorbit
