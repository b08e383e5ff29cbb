#pragma once
// What the flash routines keep between their steps: the command of the next
// command cycle, the codes read in identification mode and the poll counter.
#include <cstdint>
#include <string>

namespace quorbit {

struct FlashState {
    int FlashCommand = 0;
    int FlashMakerCode = 0;
    int FlashDeviceCode = 0;
    /// Maker and device code as four upper-case hex digits ("01A4").
    std::string FlashID;
    /// Bytes 0 and 1 read in read mode, in the same form.
    std::string FlashFirstBytes;
    /// Erase wait countdown; after a byte check 0 means the byte read back right.
    std::int32_t PollCount = 0;
};

} // namespace quorbit
