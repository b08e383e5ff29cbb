#include "session/Program.h"

#include "app/MinorCommands.h"
#include "app/Shell.h"
#include "buffers/BinaryFiles.h"
#include "catalog/DeviceSelection.h"
#include "link/Detection.h"
#include "ops/WireOps.h"
#include "setups/Setups.h"

namespace quorbit {

std::unique_ptr<App> MakeProgram(const Services& services) {
    auto app = std::make_unique<App>(services);
    WireShellHandlers(*app);
    WireHardwareHandlers(*app);
    WireCatalogHandlers(*app);
    WireBufferHandlers(*app);
    WireDeviceOperationHandlers(*app);
    WireMinorCommands(*app);
    WireSetupHandlers(*app);
    return app;
}

} // namespace quorbit
