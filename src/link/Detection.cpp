#include "link/Detection.h"

#include <algorithm>
#include <iterator>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "link/FastPortAccess.h"
#include "link/PortBase.h"
#include "link/PortFile.h"
#include "link/PulseOverruns.h"

namespace quorbit {
namespace {

constexpr int kPorts[3] = {0x378, 0x278, 0x3BC}; // LPTSelection(0), (1), (2)

/// Status bits 4-6 (SELECT, PAPER END, ACK): the lines the signatures use.
int ReadSignatureLines(Board& b) {
    return b.In(b.StatusPort) & 0x70;
}

/// Model-5 signature: 00h latched into register 4 with the data pins driven, then FFh.
int ProbePatternA(Board& b) {
    b.Out(b.DataPort, 0x9F);
    b.Out(b.ControlPort, 0x0E);
    b.Out(b.ControlPort, 0x00);
    b.Out(b.DataPort, 0x00);
    b.Out(b.ControlPort, 0x06);
    b.WaitStatusSettle();
    int a = ReadSignatureLines(b) * 256;
    b.Out(b.ControlPort, 0x00);
    b.Out(b.DataPort, 0xFF);
    b.Out(b.ControlPort, 0x06);
    b.WaitStatusSettle();
    a += ReadSignatureLines(b);
    return a;
}

/// Model-4 signature, in the model-4 control codes.
int ProbePatternB(Board& b) {
    b.Out(b.ControlPort, 0x09);
    b.Out(b.DataPort, 0xBF);
    b.Out(b.ControlPort, 0x01);
    b.Out(b.ControlPort, 0x09);
    b.Out(b.DataPort, 0x00);
    b.Out(b.ControlPort, 0x0F);
    b.Out(b.ControlPort, 0x09);
    b.WaitStatusSettle();
    int v = ReadSignatureLines(b) * 256;
    b.Out(b.DataPort, 0xFF);
    b.Out(b.ControlPort, 0x0F);
    b.Out(b.ControlPort, 0x09);
    b.WaitStatusSettle();
    v += ReadSignatureLines(b);
    b.Out(b.ControlPort, 0x08);
    return v;
}

/// A model-5 board that reads EFh with register 3 = 60h and FFh with 40h is a model 6.
bool ProbeModel6(Board& b) {
    // Read with the model-5/6 read-select codes whatever the last PortSetup left:
    // before the first one both codes are 0 and would show the same half twice.
    const int savedLow = b.ReadSelectLow, savedHigh = b.ReadSelectHigh;
    b.ReadSelectLow = 5;
    b.ReadSelectHigh = 1;
    b.Out(b.DataPort, 0x60);
    b.Out(b.ControlPort, 0x0E);
    b.Out(b.ControlPort, 0x00);
    b.ReadDataByte();
    const int first = b.DataIn;
    b.Out(b.DataPort, 0x40);
    b.Out(b.ControlPort, 0x0E);
    b.Out(b.ControlPort, 0x00);
    b.ReadDataByte();
    const int second = b.DataIn;
    b.ReadSelectLow = savedLow;
    b.ReadSelectHigh = savedHigh;
    return first == 0xEF && second == 0xFF;
}

void SetPortAddresses(Board& b, int dataPort) {
    b.DataPort = dataPort;
    b.StatusPort = dataPort + 1;
    b.ControlPort = dataPort + 2;
}

} // namespace

void CheckHardware(App& app) {
    Board& b = app.board;
    SetPortAddresses(b, b.DataPort);
    DataFlowLampOn(app);
    const int a = ProbePatternA(b);
    const int pb = ProbePatternB(b);
    DataFlowLampOff(app);
    if (a == 0x0070) {
        b.BoardModel = 5;
        app.DetectedPort = b.DataPort;
    }
    if (pb == 0x0070) {
        b.BoardModel = 4;
        app.DetectedPort = b.DataPort;
    }
    if (b.BoardModel == 5 && ProbeModel6(b)) b.BoardModel = 6;
    if (a != 0x0070 && pb != 0x0070) LogMessage(app, "Port " + Hex(b.DataPort) + " Not Responding");
}

void testPortButton_Click(App& app) {
    auto& ui = app.ui;
    Board& b = app.board;
    ErrorLampOff(app);
    ProgramLampOff(app);
    DataFlowLampOff(app);
    app.DetectedPort = 0;
    b.BoardModel = 0;
    ui.QuorbitHardwareFound.foreColor = colour::Red;
    ui.QuorbitHardwareFound.caption = "NO HARDWARE FOUND";
    ui.PortSelected.caption = "None";
    for (auto& option : ui.LPTSelection)
        option.value = 0;
    ui.readyLamp.caption = "NotReady";
    ui.readyLamp.foreColor = colour::Red;

    const int remembered = b.DataPort;
    // Of several boards the last one probed wins.
    for (int port : {0x278, 0x378, 0x3BC}) {
        b.DataPort = port;
        CheckHardware(app);
    }
    SetPortAddresses(b, remembered);

    if (b.BoardModel == 0) {
        LogMessage(app, "Can't Locate Quorbit Board at Any LPT port.");
        LogMessage(app, "Quorbit should be connected to a LPT port, with power and socket empty.");
    }
    ShowDetectedBoard(app);
}

void menuTestHardware_Click(App& app) {
    testPortButton_Click(app);
}

void ShowDetectedBoard(App& app) {
    auto& ui = app.ui;
    Board& b = app.board;
    if (app.DetectedPort <= 0) return;
    ui.readyLamp.foreColor = colour::Green;
    ui.readyLamp.caption = "Ready";
    SetPortAddresses(b, app.DetectedPort);
    if (ui.PortSelected.caption != Hex(app.DetectedPort) + "h")
        ChoosePortBase(app, app.DetectedPort);

    const int model = b.BoardModel;
    if (model == 4 || model == 5 || model == 6) {
        const std::string name = "QUORBIT-" + std::to_string(model);
        LogMessage(app, name + " Device was FOUND at Port: " + Hex(b.DataPort));
        ui.QuorbitHardwareFound.caption =
            "MODEL " + std::to_string(model) + " - PC port " + Hex(b.DataPort) + "h";
        ui.QuorbitHardwareFound.foreColor = colour::ButtonText;
        SavePortFile(app);
        b.PortSetup();
        if (model != 4) { // models 5 and 6 blink their LED once
            b.BoardIndicatorOn();
            b.SleepMs(200);
            b.BoardIndicatorOff();
        }
    }
    Reset(app);
}

void LPTSelection_Click(App& app) {
    auto& ui = app.ui;
    const char* names[3] = {"378h", "278h", "3BCh"};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!ui.LPTSelection[i].selected()) continue;
        ui.PortSelected.caption = names[i];
        LogMessage(app, std::string("Port Selection changed to ") + names[i]);
        SetPortAddresses(app.board, kPorts[i]);
    }
}

bool IsStandardBase(int base) {
    return std::find(std::begin(kPorts), std::end(kPorts), base) != std::end(kPorts);
}

void ChoosePortBase(App& app, int base) {
    auto& ui = app.ui;
    for (std::size_t i = 0; i < 3; ++i)
        if (kPorts[i] == base) {
            SetOption(ui.LPTGroup(), i, true);
            return;
        }
    // A card's base (PCI, PCIe): none of the three buttons stands for it.
    for (auto& option : ui.LPTSelection)
        option.value = 0;
    ui.PortSelected.caption = Hex(base) + "h";
    LogMessage(app, "Port Selection changed to " + Hex(base) + "h");
    SetPortAddresses(app.board, base);
}

void PortSelected_Commit(App& app) {
    auto& box = app.ui.PortSelected;
    const std::string typed = box.caption;
    std::uint16_t base = 0;
    if (ParseBasePort(typed, base)) {
        ChoosePortBase(app, base);
        box.caption = Hex(base) + "h"; // also when the base was already chosen
        // The board panel must tell what is at the typed port, not at the one before
        // (a card's port is never scanned by TestPort either).
        ProbePortBase(app);
        return;
    }
    LogMessage(app, "Port base \"" + typed +
                        "\" is not valid - type 378, 278, 3BC or a card's base from 100h to FFF8h");
    box.caption = app.board.DataPort != 0 ? Hex(app.board.DataPort) + "h" : "None";
}

void ProbePortBase(App& app) {
    ErrorLampOff(app);
    ProgramLampOff(app);
    DataFlowLampOff(app);
    app.DetectedPort = 0;
    app.board.BoardModel = 0;
    CheckHardware(app);
    if (app.board.BoardModel == 0) {
        LogMessage(app, "Can't Locate Quorbit Board at Port " + Hex(app.board.DataPort) + "h.");
        // The board shown before was at another port.
        auto& ui = app.ui;
        ui.QuorbitHardwareFound.foreColor = colour::Red;
        ui.QuorbitHardwareFound.caption = "NO HARDWARE FOUND";
        ui.readyLamp.caption = "NotReady";
        ui.readyLamp.foreColor = colour::Red;
    }
    ShowDetectedBoard(app);
}

namespace {

void ForceModel(App& app, int model) {
    auto& ui = app.ui;
    app.board.BoardModel = model;
    LogMessage(app, "QUORBIT-" + std::to_string(model) + " Device was FORCED by Operator");
    ui.QuorbitHardwareFound.caption = "Operator Forced Model " + std::to_string(model);
    ui.QuorbitHardwareFound.foreColor = colour::Red;
    ui.readyLamp.foreColor = colour::Green;
    ui.readyLamp.caption = "Ready";
    app.board.PortSetup();
    Reset(app);
}

} // namespace

void ForceQuorbit4_Click(App& app) {
    ForceModel(app, 4);
}
void ForceQuorbit5_Click(App& app) {
    ForceModel(app, 5);
}
void ForceQuorbit6_Click(App& app) {
    ForceModel(app, 6);
}

void WireHardwareHandlers(App& app) {
    auto& ui = app.ui;
    ui.testPortButton.onClick = app.Handler(testPortButton_Click);
    ui.menuTestHardware.onClick = app.Handler(menuTestHardware_Click);
    for (auto& option : ui.LPTSelection)
        option.onClick = app.Handler(LPTSelection_Click);
    ui.PortSelected.onCommit = app.Handler(PortSelected_Commit);
    ui.ForceQuorbit4.onClick = app.Handler(ForceQuorbit4_Click);
    ui.ForceQuorbit5.onClick = app.Handler(ForceQuorbit5_Click);
    ui.ForceQuorbit6.onClick = app.Handler(ForceQuorbit6_Click);
    ui.FastPortAccess.onClick = app.Handler(FastPortAccess_Click);
    app.onHandlerEnd = [](App& ended) {
        LeaveNoRegisterHeld(ended);
        ReportPulseOverruns(ended);
    };
}

} // namespace quorbit
