#include "cli/ImageOptions.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>

#include "app/TextFile.h"
#include "state/Buffers.h"

namespace quorbit::cli {

bool ParseOffset(const std::string& text, std::uint32_t& offset) {
    if (text.empty()) {
        offset = 0;
        return true;
    }
    std::uint64_t value = 0;
    if (!ParseHexNumber(text, 8, value) || value >= kCodeBufferSize) return false;
    offset = static_cast<std::uint32_t>(value);
    return true;
}

void AddOffsetOption(CLI::App* command, std::string& offset) {
    command
        ->add_option("--offset", offset,
                     "Address (hex) where a raw image's first byte goes; record images carry "
                     "their own addresses")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::uint32_t value = 0;
                // Hex like the address it asks for, so that the two can be compared.
                char last[16];
                std::snprintf(last, sizeof last, "%zX", kCodeBufferSize - 1);
                return ParseOffset(text, value)
                           ? std::string()
                           : "Bad --offset " + text + ": give a hex address from 0 to " + last +
                                 ", e.g. 4000";
            },
            "ADDRESS"));
}

} // namespace quorbit::cli
