#pragma once
// Choosing a device in the list configures the whole program for it.

namespace quorbit {

class App;

/// Every device-dependent control back to disabled or hidden.
void ResetDeviceControls(App& app);

/// The Device list was clicked (or its index set from code).
void Device_Click(App& app);

/// Chooses catalog row `row` the way the operator does, by setting the list
/// index. True when that row is now the configured device (false for a row that
/// is listed as "N/A - " or out of range).
bool SelectDevice(App& app, int row);

/// Attaches the device list, the voltage options and the speed slider.
void WireCatalogHandlers(App& app);

} // namespace quorbit
