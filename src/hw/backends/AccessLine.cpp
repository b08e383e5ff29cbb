#include "hw/backends/AccessLine.h"

namespace quorbit {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexPort(std::string& out, std::uint16_t port) {
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const auto digit = static_cast<unsigned>(port >> shift) & 0xFU;
        if (digit == 0 && !started && shift > 0) continue;
        started = true;
        out += kHexDigits[digit];
    }
}

void AppendHexByte(std::string& out, std::uint8_t value) {
    out += kHexDigits[value >> 4];
    out += kHexDigits[value & 0xF];
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

} // namespace

void AppendWriteLine(std::string& out, std::uint16_t port, std::uint8_t value) {
    out += "O ";
    AppendHexPort(out, port);
    out += ' ';
    AppendHexByte(out, value);
    out += '\n';
}

void AppendReadLine(std::string& out, std::uint16_t port, std::optional<std::uint8_t> value) {
    out += "I ";
    AppendHexPort(out, port);
    if (value) {
        out += ' ';
        AppendHexByte(out, *value);
    }
    out += '\n';
}

void AppendSleepLine(std::string& out, int milliseconds) {
    out += "S ";
    out += std::to_string(milliseconds);
    out += '\n';
}

void AppendDelayLine(std::string& out, std::int64_t steps, std::int64_t stepNs) {
    out += "D ";
    out += std::to_string(steps);
    if (stepNs > 0) {
        out += ' ';
        out += std::to_string(stepNs);
    }
    out += '\n';
}

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace quorbit
