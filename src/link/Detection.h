#pragma once
// Finding the board on one of the three printer ports and telling the models apart;
// the operator's port choice and forced models.

namespace quorbit {

class App;

void testPortButton_Click(App& app);
void menuTestHardware_Click(App& app);
/// Probes the port at DataPort; on an answer sets BoardModel and DetectedPort.
void CheckHardware(App& app);
/// Adopts DetectedPort as the current port and shows the board found.
void ShowDetectedBoard(App& app);
void LPTSelection_Click(App& app);
/// The operator's port choice by base: one of the three buttons, or a typed base
/// (100h..FFF8h) for a card elsewhere; logged as a button click is.
void ChoosePortBase(App& app, int base);
/// 378h, 278h or 3BCh: a base that has its own button and is scanned by TestPort.
bool IsStandardBase(int base);
/// The port box's fourth choice: the operator typed a base into PortSelected.
/// A base from 100h to FFF8h is chosen as ChoosePortBase does and probed at once,
/// so that the board panel tells what is there; anything else is refused in the
/// log and the box shows the port in use again.
void PortSelected_Commit(App& app);
/// Looks for the board at the chosen port only: a card's base is never scanned.
/// The board panel and the Ready lamp show the result, found or not.
void ProbePortBase(App& app);
void ForceQuorbit4_Click(App& app);
void ForceQuorbit5_Click(App& app);
void ForceQuorbit6_Click(App& app);

void WireHardwareHandlers(App& app);

} // namespace quorbit
