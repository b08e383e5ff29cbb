// The simulator's contents description (--sim-image fill:HH, pattern:..., random:SEED).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sim/SimContents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string description(reinterpret_cast<const char*>(data), size);
    constexpr std::size_t kChipSize = 2048;
    std::string error;
    const auto contents = quorbit::sim::GeneratedContents(description, kChipSize, error);
    if (contents && error.empty() && contents->size() != kChipSize) std::abort();
    return 0;
}
