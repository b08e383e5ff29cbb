#pragma once
// Which device file a run reads, and taking it into the catalog at start-up.
#include <string>

#include "session/Options.h"

namespace quorbit {

/// The device file of the run: --devices, else devices.toml in the first folder
/// of the port and model file that holds one; "" when there is none.
std::string DeviceFilePath(const GlobalOptions& o);
/// Reads the run's device file and adds its rows to the catalog. Returns why it
/// was refused ("FILE:LINE: ..."), the catalog then holding only the built-in
/// rows; "" when it was taken or there is none. Call before any session starts.
std::string LoadDeviceFile(const GlobalOptions& o);

} // namespace quorbit
