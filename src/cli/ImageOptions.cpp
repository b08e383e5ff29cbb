#include "cli/ImageOptions.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>

#include "buffers/Buffers.h"

namespace quorbit::cli {

bool ParseOffset(const std::string& text, std::uint32_t& offset) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    else if (!digits.empty() && (digits.back() == 'h' || digits.back() == 'H'))
        digits.pop_back();
    if (text.empty()) {
        offset = 0;
        return true;
    }
    if (digits.empty() || digits.size() > 8) return false;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        value = value * 16 + static_cast<std::uint64_t>(
                                 std::isdigit(static_cast<unsigned char>(c))
                                     ? c - '0'
                                     : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
    }
    if (value >= kCodeBufferSize) return false;
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
