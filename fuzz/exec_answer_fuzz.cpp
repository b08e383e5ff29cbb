// What an exec: child answers to a read request.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "hw/backends/AccessLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const auto value = quorbit::ParseHexByte(answer);
    // An accepted answer holds at most two hex digits and nothing but blanks besides.
    if (value && answer.find_first_not_of(" \t\r0123456789abcdefABCDEF") != answer.npos)
        std::abort();
    return 0;
}
