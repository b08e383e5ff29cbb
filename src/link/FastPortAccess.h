#pragma once
// The window's fast port option: the same chip cycles in fewer port accesses.
namespace quorbit {

class App;

/// Switches the fast port mode on or off for this run, and ticks the option.
void SetFastPortAccess(App& app, bool on);
/// The option's menu item: switches the mode and keeps the choice in the port
/// file, where the next start of the window finds it.
void FastPortAccess_Click(App& app);

} // namespace quorbit
