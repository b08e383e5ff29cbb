#pragma once
// Finding the board on one of the three printer ports and telling the models apart;
// the operator's port choice and forced models.

namespace quorbit {

class App;

void TestHardware_button_Click(App& app);
void menuTestHardware_Click(App& app);
/// Probes the port at DataPort; on an answer sets BoardModel and DetectedPort.
void CheckHardware(App& app);
/// Adopts DetectedPort as the current port and shows the board found.
void ShowDetectedBoard(App& app);
void LPTSelection_Click(App& app);
void ForceQuorbit4_Click(App& app);
void ForceQuorbit5_Click(App& app);
void ForceQuorbit6_Click(App& app);

void WireHardwareHandlers(App& app);

} // namespace quorbit
