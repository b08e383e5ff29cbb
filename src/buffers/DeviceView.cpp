// The device view: the lines in view of the chip in the socket, read live from the board.
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "buffers/Display.h"
#include "link/RequireBoard.h"

namespace quorbit {
namespace {

constexpr int kLineBytes = 16;

void SetDeviceAddress(App& app) {
    switch (app.dev.routines.pins) {
    case AddressPins::Eprom:
        app.board.LatchAddress();
        break;
    case AddressPins::PageEeprom:
        app.board.LatchX28Address();
        break;
    case AddressPins::Flash:
        app.board.LatchFlashAddress();
        break;
    case AddressPins::None:
        break;
    }
}

bool HasDeviceView(const App& app) {
    return app.dev.routines.pins != AddressPins::None;
}

} // namespace

void DisplayEprom(App& app) {
    if (!RequireBoard(app)) return;
    Board& b = app.board;
    Reset(app);
    SetDeviceAddress(app);
    b.SleepMs(500);      // let VCC and the address lines settle before the first read
    b.ReleaseDataPins(); // release the data pins to the chip
    const ShownLines view = LinesInView(app, ShownExtent(app));
    b.Address = static_cast<std::int32_t>(view.start);
    b.SplitAddress();
    b.Port().BusySteps(100);

    std::vector<std::uint8_t> shown(static_cast<std::size_t>(view.lines * kLineBytes));
    for (std::uint8_t& byte : shown) {
        // A full read cycle per byte: address, OE and CE low, sample, both high.
        SetDeviceAddress(app);
        b.EnableOutput();
        b.EnableChip();
        b.ReadDataByte();
        b.DisableChip();
        b.DisableOutput();
        byte = b.DataIn;
        b.NextAddress();
    }

    std::string text;
    for (int line = 0; line < view.lines; ++line) {
        if (line > 0) text += app.NewLine;
        const auto offset = static_cast<std::size_t>(line * kLineBytes);
        text += FormatDisplayLine(app, static_cast<std::int32_t>(view.start + offset),
                                  &shown[offset], PrintableRule::DeviceView);
    }
    app.ui.BufferDisplay.caption = text;
    app.Repaint();
}

void displayButton_Click(App& app) {
    if (app.ui.codeCheck.value != 1) return;
    if (HasDeviceView(app) && !RequireBoard(app)) return;
    app.DisplayMode = "DisplayEprom";
    app.DisplayTopAddress = 0;
    SetPosition(app.ui.pageScrollBar, 0);
    LogMessage(app, "Fetching Device Binary Contents to Screen");
    app.ui.bufferFrame.caption = "Device Memory Hex/Ascii Display";
    if (HasDeviceView(app)) DisplayEprom(app);
    if (app.dev.DeviceFamily == "M")
        app.svc.dialogs->MsgBox("Please Write AT90S2313 Code Display ROutine", "Routine Not Ready",
                                MsgIcon::None, MsgButtons::Ok, 0);
}

void menuDisplayCode_Click(App& app) {
    displayButton_Click(app);
}

} // namespace quorbit
