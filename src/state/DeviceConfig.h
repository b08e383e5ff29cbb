#pragma once
// The selected device: what choosing a catalog row configures.
#include <cstdint>
#include <string>

#include "state/ChipFacts.h"
#include "state/ChipRoutines.h"

namespace quorbit {

struct DeviceConfig {
    std::string DeviceName;    // list text, trimmed
    std::string DeviceFamily;  // "P", "F", "E", "S", "M"; empty when none chosen
    std::string DeviceSubtype; // one character
    std::string DeviceType;    // family followed by subtype, e.g. "P4"
    std::int32_t DeviceSizeKB = 0;
    /// Bytes the image covers: the device size, or a loaded file's length (saving).
    std::int32_t DeviceSize = 0;
    /// Bytes a chip operation covers: always the chosen device's size.
    std::int32_t ImageLength = 0;
    int DeviceVppClass = 0;
    int VppVolts = 0;
    std::string DeviceInfoMessage;
    int DeviceRow = -1;    // catalog row of the chosen device
    ChipFacts facts;       // the chosen row's datasheet facts
    ChipRoutines routines; // the routines that program and erase the chosen row
    ChipWiring wiring;     // its delay factors and programming register bits
};

} // namespace quorbit
