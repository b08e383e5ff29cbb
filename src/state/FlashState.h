#pragma once
// What the flash identification keeps: the codes read in identification mode
// and the first two bytes in read mode.
#include <cstdint>
#include <string>

namespace quorbit {

struct FlashState {
    int FlashMakerCode = 0;
    int FlashDeviceCode = 0;
    /// Maker and device code as four upper-case hex digits ("01A4").
    std::string FlashID;
    /// Bytes 0 and 1 read in read mode, in the same form.
    std::string FlashFirstBytes;
};

} // namespace quorbit
