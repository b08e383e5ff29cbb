#pragma once
// A serial number written into each chip's copy of an image: where it goes, how
// many bytes it takes and in which form.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorbit {

enum class SerialFormat {
    LittleEndian, // binary, lowest byte first (the default)
    BigEndian,    // binary, highest byte first
    Bcd,          // two decimal digits a byte, the highest first
    Ascii,        // decimal digits, zero-padded to the length
    Hex           // upper-case hex digits, zero-padded to the length
};

struct SerialField {
    std::uint32_t address = 0;
    int length = 0; // bytes
    SerialFormat format = SerialFormat::LittleEndian;
};

inline constexpr int kLongestSerialField = 32;

/// Parses "ADDRESS:LENGTH[:FORMAT]": a hex address (7FF0, 7FF0h or 0x7FF0), a
/// length of 1 to 32 bytes, and le, be, bcd, ascii or hex. Empty with a message
/// for the operator in `error` when it is none ("TEXT: why", the caller names the field).
std::optional<SerialField> ParseSerialField(const std::string& text, std::string& error);
/// The format's word as the option takes it ("le", "bcd", ...).
const char* SerialFormatName(SerialFormat format);
/// The largest number the field holds (capped at the largest 64-bit number).
std::uint64_t LargestSerial(const SerialField& field);
/// The field's bytes for a number the field holds.
std::vector<std::uint8_t> SerialBytes(const SerialField& field, std::uint64_t number);
/// The image with the number's bytes in the field (which must lie in the image).
std::vector<std::uint8_t> WithSerial(std::vector<std::uint8_t> image, const SerialField& field,
                                     std::uint64_t number);
/// The number as the chip lines and the record show it: decimal digits, padded
/// to six (the width production labels use).
std::string SerialText(std::uint64_t number);

} // namespace quorbit
