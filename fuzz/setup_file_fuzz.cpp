// A setup slot file as a user (or a broken disk) may leave it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "setups/SetupFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const quorbit::SetupLine& line : quorbit::ParseSetupFile(text)) {
        (void)quorbit::ParseTrueFalse(line.rest);
        (void)quorbit::ParseSetupNumber(line.rest);
    }
    (void)quorbit::SetupNameOf(text);
    return 0;
}
