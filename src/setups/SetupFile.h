#pragma once
// The text of a setup slot file: nineteen "key = value" lines mirroring the
// main window's controls, CR LF ended.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorbit {

/// What a key's value is read as.
enum class SetupValue { Name, CodeFile, ListIndex, TrueFalse, CheckState, Text, Number };

struct SetupKey {
    const char* text; // the key with its blanks, e.g. "Slider1.Value = "
    const char* control;
    SetupValue kind;
};

inline constexpr std::size_t kSetupKeyCount = 19;

/// The keys in the order they are written.
const std::array<SetupKey, kSetupKeyCount>& SetupKeys();

/// One line that carries a key: its 1-based line number, the key's index in
/// SetupKeys() and the characters after the key.
struct SetupLine {
    int number = 0;
    std::size_t key = 0;
    std::string rest;
};

/// The lines of a file that begin with a key (compared case-sensitively on the
/// key's length; a key line whose value and trailing blank were cut off counts
/// too), in file order. Lines may end with CR LF or LF alone; empty lines are
/// skipped. A setup file holds each key exactly once: when `problems` is given,
/// each other line (an unknown or misspelt key, anything else), each repeated
/// key (left out of the result, the first one kept) and each missing key is
/// added to it as a text that starts with its line number.
/// (A file with any problem is not restored at all.)
std::vector<SetupLine> ParseSetupFile(const std::string& text,
                                      std::vector<std::string>* problems = nullptr);

/// A line or value as the operator should see it in a message: printable and not
/// too long (60 characters, then "...").
std::string ShownSetupText(const std::string& line);

/// "True" or "False" in any letter case, blanks around allowed.
std::optional<bool> ParseTrueFalse(const std::string& rest);
/// A decimal number (blanks around, a sign and a fraction allowed) rounded to the
/// nearest integer, halves to even; empty when the text is not a number or does
/// not fit 32 bits.
std::optional<int> ParseSetupNumber(const std::string& rest);

/// The port box's text: None in any letter case (`none` set, no port), or a base
/// as ParseBasePort takes it (378h, 0x278, D010...); blanks around allowed. False
/// for anything else.
bool ParseSetupPort(const std::string& rest, bool& none, std::uint16_t& base);

/// The setup name held by a first line: everything after its first 12 characters.
std::string SetupNameOf(const std::string& firstLine);

/// The file text: each key followed by its value, in key order, CR LF ended.
std::string FormatSetupFile(const std::array<std::string, kSetupKeyCount>& values);

} // namespace quorbit
