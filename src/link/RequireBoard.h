#pragma once
// Every chip command starts here: without a chosen device and a known board nothing
// may reach the port.

namespace quorbit {

class App;

/// True when a device is chosen and a board model (4, 5 or 6) and its port are
/// known. Otherwise logs why nothing was done, tells the operator what to do,
/// records the command as refused and returns false; the port is not touched.
bool RequireBoard(App& app);

} // namespace quorbit
