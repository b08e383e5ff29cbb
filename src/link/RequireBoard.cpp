#include "link/RequireBoard.h"

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"

namespace quorbit {
namespace {

/// The board echoes register 4 on its read-back while register 3 bit 6 lets it
/// drive the data pins. A printer port with no board (or the wrong port) shows
/// its floating status lines instead, which read like an erased chip, so no chip
/// command may start before the echo is seen. Bit 7 stays low in both patterns:
/// a 24Cxx may hold its open-drain data line low against the board.
bool BoardEchoes(Board& b) {
    const int reg3 = b.Reg3Shadow, reg4 = b.Reg4Shadow;
    const std::uint8_t dataIn = b.DataIn;
    bool echoed = true;
    for (const int pattern : {0x00, 0x5A}) {
        b.Reg4Shadow = pattern;
        b.SetReg4();
        b.DriveDataPins();
        echoed = b.ReadDataByte() == pattern && echoed;
    }
    b.Reg4Shadow = reg4;
    b.SetReg4();
    b.Reg3Shadow = reg3;
    b.SetReg3();
    b.DataIn = dataIn;
    return echoed;
}

void RefuseSilentBoard(App& app) {
    const std::string port = Hex(app.board.DataPort) + "h";
    LogMessage(app, "No QUORBIT board answers at port " + port + " - the device was not accessed");
    app.svc.dialogs->MsgBox("No QUORBIT board answers at port " + port +
                                ", so the device was not accessed.\r\n"
                                "Check the cable and the board's power, or press TestPort to "
                                "look for the board.",
                            "No Board", MsgIcon::Exclamation, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
}

} // namespace

bool RequireBoard(App& app) {
    // Without a chosen device a walk covers no byte at all, and a verify of nothing
    // would report a match.
    if (app.dev.ImageLength <= 0) {
        LogMessage(app, "No device is selected - the device was not accessed");
        app.svc.dialogs->MsgBox("Please select the device in the socket first.", "No Device",
                                MsgIcon::Exclamation, MsgButtons::Ok, 0);
        app.ops.Outcome = OpOutcome::Refused;
        return false;
    }
    // Only models 4, 5 and 6 have latch codes and a read-back decoding; any other
    // value (a damaged port file) would read nothing and compare stale data.
    const int model = app.board.BoardModel;
    const bool knownModel = model == 4 || model == 5 || model == 6;
    if (knownModel && app.board.DataPort != 0) {
        if (BoardEchoes(app.board)) return true;
        RefuseSilentBoard(app);
        return false;
    }
    if (knownModel) {
        // The model is known (forced, or from the port file) but no port to reach it on.
        LogMessage(app, "No printer port is chosen - the device was not accessed");
        app.svc.dialogs->MsgBox("No printer port is chosen, so the device was not accessed.\r\n"
                                "Choose the board's port under LPT Port Selection (378h, 278h "
                                "or 3BCh), or press TestPort to look for the board.",
                                "No Board", MsgIcon::Exclamation, MsgButtons::Ok, 0);
        app.ops.Outcome = OpOutcome::Refused;
        return false;
    }
    LogMessage(app, "No QUORBIT board is known - the device was not accessed");
    app.svc.dialogs->MsgBox("No QUORBIT board is known, so the device was not accessed.\r\n"
                            "Press TestPort to look for the board, or force its model in the "
                            "Setup menu (Force Set QUORBIT-4, -5 or -6).",
                            "No Board", MsgIcon::Exclamation, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
    return false;
}

} // namespace quorbit
