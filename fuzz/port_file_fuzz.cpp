// The port/model file as a user (or a broken disk) may leave it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/PortFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const quorbit::PortFileContents parsed = quorbit::ParsePortFile(text);
    (void)parsed;
    (void)quorbit::LenientHex(text);
    (void)quorbit::LenientDecimal(text);
    return 0;
}
