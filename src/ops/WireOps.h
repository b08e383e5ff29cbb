#pragma once

namespace quorbit {

class App;

/// Attaches Read, Blank check and Verify (buttons and menu entries).
void WireDeviceOperationHandlers(App& app);

} // namespace quorbit
