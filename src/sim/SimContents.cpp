#include "sim/SimContents.h"

#include <charconv>
#include <random>

namespace quorbit::sim {
namespace {

bool ParseNumber(const std::string& text, int base, unsigned long& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    return result.ec == std::errc() && result.ptr == end;
}

} // namespace

std::vector<std::uint8_t> FilledContents(std::size_t size, std::uint8_t value) {
    return std::vector<std::uint8_t>(size, value);
}

std::uint8_t AddressPatternByte(std::uint32_t address) {
    std::uint32_t h = address * 0x9E3779B1U;
    h ^= h >> 15;
    h *= 0x85EBCA6BU;
    h ^= h >> 13;
    return static_cast<std::uint8_t>(h >> 24);
}

std::vector<std::uint8_t> AddressPatternContents(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t a = 0; a < size; ++a)
        bytes[a] = AddressPatternByte(static_cast<std::uint32_t>(a));
    return bytes;
}

std::vector<std::uint8_t> RandomContents(std::size_t size, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(generator() & 0xFF);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> GeneratedContents(const std::string& description,
                                                           std::size_t size, std::string& error) {
    const auto colon = description.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const std::string kind = description.substr(0, colon);
    const std::string arg = description.substr(colon + 1);
    unsigned long value = 0;
    if (kind == "fill") {
        if (!ParseNumber(arg, 16, value) || value > 0xFF) {
            error = "fill needs one hexadecimal byte, e.g. fill:FF";
            return std::vector<std::uint8_t>{};
        }
        return FilledContents(size, static_cast<std::uint8_t>(value));
    }
    if (kind == "pattern") {
        if (arg != "address") {
            error = "the only pattern is pattern:address";
            return std::vector<std::uint8_t>{};
        }
        return AddressPatternContents(size);
    }
    if (kind == "random") {
        if (!ParseNumber(arg, 10, value) || value > 0xFFFFFFFFUL) {
            error = "random needs a decimal seed, e.g. random:42";
            return std::vector<std::uint8_t>{};
        }
        return RandomContents(size, static_cast<std::uint32_t>(value));
    }
    return std::nullopt;
}

} // namespace quorbit::sim
