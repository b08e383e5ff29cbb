#pragma once

namespace quorbit {

class App;

/// Attaches Read, Blank check, Verify and Program (buttons and menu entries).
void WireDeviceOperationHandlers(App& app);

} // namespace quorbit
