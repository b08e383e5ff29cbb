#pragma once
// Choosing a device in the list configures the whole program for it.

namespace quorbit {

class App;

/// Every device-dependent control back to disabled or hidden.
void ResetDeviceControls(App& app);

} // namespace quorbit
