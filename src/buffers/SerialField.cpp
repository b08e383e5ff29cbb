#include "buffers/SerialField.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace quorbit {
namespace {

std::optional<std::uint64_t> ParseNumber(std::string text, int base) {
    if (base == 16) {
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
            text.erase(0, 2);
        else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H'))
            text.pop_back();
    }
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || at != end) return std::nullopt;
    return value;
}

std::optional<SerialFormat> ParseFormat(const std::string& word) {
    for (const SerialFormat format : {SerialFormat::LittleEndian, SerialFormat::BigEndian,
                                      SerialFormat::Bcd, SerialFormat::Ascii, SerialFormat::Hex})
        if (word == SerialFormatName(format)) return format;
    return std::nullopt;
}

/// base^digits - 1, or the largest 64-bit number when that is larger.
std::uint64_t LargestOfDigits(std::uint64_t base, int digits) {
    std::uint64_t largest = 1;
    for (int i = 0; i < digits; ++i) {
        if (largest > std::numeric_limits<std::uint64_t>::max() / base)
            return std::numeric_limits<std::uint64_t>::max();
        largest *= base;
    }
    return largest - 1;
}

/// The number's digits in a base, the highest first, padded to `digits`.
std::vector<int> DigitsOf(std::uint64_t number, int base, int digits) {
    std::vector<int> out(static_cast<std::size_t>(digits), 0);
    for (auto it = out.rbegin(); it != out.rend(); ++it) {
        *it = static_cast<int>(number % static_cast<std::uint64_t>(base));
        number /= static_cast<std::uint64_t>(base);
    }
    return out;
}

} // namespace

const char* SerialFormatName(SerialFormat format) {
    switch (format) {
    case SerialFormat::LittleEndian:
        return "le";
    case SerialFormat::BigEndian:
        return "be";
    case SerialFormat::Bcd:
        return "bcd";
    case SerialFormat::Ascii:
        return "ascii";
    case SerialFormat::Hex:
        return "hex";
    }
    return "le";
}

std::optional<SerialField> ParseSerialField(const std::string& text, std::string& error) {
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    error = text + ": ";
    if (first == std::string::npos) {
        error += "give ADDRESS:LENGTH[:FORMAT], such as 7FF0:4 or 1FFC:6:ascii";
        return std::nullopt;
    }
    SerialField field;
    const auto address = ParseNumber(text.substr(0, first), 16);
    if (!address || *address > 0xFFFFFFFFu) {
        error += "the address \"" + text.substr(0, first) + "\" is no hex address";
        return std::nullopt;
    }
    field.address = static_cast<std::uint32_t>(*address);
    const std::string lengthText = text.substr(first + 1, second - first - 1);
    const auto length = ParseNumber(lengthText, 10);
    if (!length || *length < 1 || *length > kLongestSerialField) {
        error += "the length \"" + lengthText + "\" is not 1 to " +
                 std::to_string(kLongestSerialField) + " bytes";
        return std::nullopt;
    }
    field.length = static_cast<int>(*length);
    if (second != std::string::npos) {
        const std::string word = text.substr(second + 1);
        const auto format = ParseFormat(word);
        if (!format) {
            error += "the format \"" + word + "\" is not le, be, bcd, ascii or hex";
            return std::nullopt;
        }
        field.format = *format;
    }
    error.clear();
    return field;
}

std::uint64_t LargestSerial(const SerialField& field) {
    switch (field.format) {
    case SerialFormat::LittleEndian:
    case SerialFormat::BigEndian:
        return LargestOfDigits(256, field.length);
    case SerialFormat::Bcd:
        return LargestOfDigits(10, 2 * field.length);
    case SerialFormat::Ascii:
        return LargestOfDigits(10, field.length);
    case SerialFormat::Hex:
        return LargestOfDigits(16, field.length);
    }
    return 0;
}

std::vector<std::uint8_t> SerialBytes(const SerialField& field, std::uint64_t number) {
    std::vector<std::uint8_t> bytes;
    switch (field.format) {
    case SerialFormat::LittleEndian:
    case SerialFormat::BigEndian:
        for (const int digit : DigitsOf(number, 256, field.length))
            bytes.push_back(static_cast<std::uint8_t>(digit));
        if (field.format == SerialFormat::LittleEndian) std::reverse(bytes.begin(), bytes.end());
        break;
    case SerialFormat::Bcd: {
        const std::vector<int> digits = DigitsOf(number, 10, 2 * field.length);
        for (std::size_t i = 0; i < digits.size(); i += 2)
            bytes.push_back(static_cast<std::uint8_t>(digits[i] << 4 | digits[i + 1]));
        break;
    }
    case SerialFormat::Ascii:
        for (const int digit : DigitsOf(number, 10, field.length))
            bytes.push_back(static_cast<std::uint8_t>('0' + digit));
        break;
    case SerialFormat::Hex:
        for (const int digit : DigitsOf(number, 16, field.length))
            bytes.push_back(static_cast<std::uint8_t>("0123456789ABCDEF"[digit]));
        break;
    }
    return bytes;
}

std::vector<std::uint8_t> WithSerial(std::vector<std::uint8_t> image, const SerialField& field,
                                     std::uint64_t number) {
    const std::vector<std::uint8_t> bytes = SerialBytes(field, number);
    std::copy(bytes.begin(), bytes.end(), image.begin() + field.address);
    return image;
}

std::string SerialText(std::uint64_t number) {
    std::string text = std::to_string(number);
    if (text.size() < 6) text.insert(0, 6 - text.size(), '0');
    return text;
}

} // namespace quorbit
