#pragma once
// The window's fast port option: the same chip cycles in fewer port accesses.
namespace quorbit {

class App;

/// Switches the fast port mode on or off for this run, and ticks the option.
void SetFastPortAccess(App& app, bool on);
/// The option's menu item: switches the mode and keeps the choice in the port
/// file, where the next start of the window finds it.
void FastPortAccess_Click(App& app);
/// At the end of every handler: no board register is left following the data
/// port, so that another program writing the port, or this one's next start,
/// cannot reach the chip's pins.
void LeaveNoRegisterHeld(App& app);

} // namespace quorbit
