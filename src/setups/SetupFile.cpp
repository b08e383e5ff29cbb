#include "setups/SetupFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "link/PortBase.h"

namespace quorbit {

const std::array<SetupKey, kSetupKeyCount>& SetupKeys() {
    using V = SetupValue;
    static const std::array<SetupKey, kSetupKeyCount> keys{{
        {"SetupName = ", "SetupName", V::Name},
        {"sFILE = ", "sFILE", V::CodeFile},
        {"Device.Index = ", "Device", V::ListIndex},
        {"Voltage_button(0).Value = ", "Voltage_button(0)", V::TrueFalse},
        {"Voltage_button(1).Value = ", "Voltage_button(1)", V::TrueFalse},
        {"Voltage_button(2).Value = ", "Voltage_button(2)", V::TrueFalse},
        {"Voltage_button(3).Value = ", "Voltage_button(3)", V::TrueFalse},
        {"CheckBlankPriorProgramming.Value = ", "CheckBlankPriorProgramming", V::CheckState},
        {"VerifyAfterProgramming.Value = ", "VerifyAfterProgramming", V::CheckState},
        {"LPTSelection(0).Value = ", "LPTSelection(0)", V::TrueFalse},
        {"LPTSelection(1).Value = ", "LPTSelection(1)", V::TrueFalse},
        {"LPTSelection(2).Value = ", "LPTSelection(2)", V::TrueFalse},
        {"PortSelected.Text = ", "PortSelected", V::Text},
        {"HiLow_button(0).Value = ", "HiLow_button(0)", V::TrueFalse},
        {"HiLow_button(1).Value = ", "HiLow_button(1)", V::TrueFalse},
        {"HiLow_button(2).Value = ", "HiLow_button(2)", V::TrueFalse},
        {"Slider1.Value = ", "Slider1", V::Number},
        {"CheckCode.Value = ", "CheckCode", V::CheckState},
        {"CheckData.Value = ", "CheckData", V::CheckState},
    }};
    return keys;
}

namespace {

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::optional<std::size_t> KeyOf(const std::string& line) {
    const auto& keys = SetupKeys();
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const std::size_t length = std::strlen(keys[k].text);
        if (line.compare(0, length, keys[k].text) == 0) return k;
        // "sFILE =" with an empty value, its trailing blank trimmed by an editor.
        if (line.size() + 1 == length && line.compare(0, length - 1, keys[k].text, length - 1) == 0)
            return k;
    }
    return std::nullopt;
}

} // namespace

std::string ShownSetupText(const std::string& line) {
    constexpr std::size_t kShown = 60;
    std::string shown;
    for (const char c : line.substr(0, kShown)) {
        const auto u = static_cast<unsigned char>(c);
        shown += u >= 0x20 && u < 0x7F ? c : '?';
    }
    return line.size() > kShown ? shown + "..." : shown;
}

std::vector<SetupLine> ParseSetupFile(const std::string& text, std::vector<std::string>* problems) {
    std::vector<SetupLine> lines;
    std::array<int, kSetupKeyCount> seenOn{}; // line number of each key, 0 while unseen
    std::size_t start = 0;
    int number = 0;
    auto problem = [problems](int line, const std::string& what) {
        if (problems) problems->push_back("line " + std::to_string(line) + ": " + what);
    };
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++number;
        start = end + 1;
        if (line.empty()) continue;
        const auto key = KeyOf(line);
        if (!key) {
            problem(number, ShownSetupText(line) + " - not a setup line (a misspelt key?)");
            continue;
        }
        const SetupKey& k = SetupKeys()[*key];
        if (seenOn[*key] != 0) {
            problem(number, ShownSetupText(line) + " - " + k.control + " was set on line " +
                                std::to_string(seenOn[*key]) + " already");
            continue;
        }
        seenOn[*key] = number;
        const std::size_t length = std::min(std::strlen(k.text), line.size());
        lines.push_back({number, *key, line.substr(length)});
    }
    for (std::size_t k = 0; k < kSetupKeyCount; ++k) {
        if (seenOn[k] != 0) continue;
        const SetupKey& key = SetupKeys()[k];
        problem(static_cast<int>(k) + 1, std::string("the ") + key.text + "line is missing");
    }
    return lines;
}

std::optional<bool> ParseTrueFalse(const std::string& rest) {
    const std::string word = Lower(Trimmed(rest));
    if (word == "true") return true;
    if (word == "false") return false;
    return std::nullopt;
}

std::optional<int> ParseSetupNumber(const std::string& rest) {
    const std::string text = Trimmed(rest);
    if (text.empty()) return std::nullopt;
    // Digits only, with one optional sign and one optional decimal point: no hex,
    // exponents, "inf" or "nan" that strtod would also take.
    std::size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    errno = 0;
    const double value = std::nearbyint(std::strtod(text.c_str(), nullptr));
    if (errno == ERANGE || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

bool ParseSetupPort(const std::string& rest, bool& none, std::uint16_t& base) {
    const std::string text = Trimmed(rest);
    none = Lower(text) == "none";
    return none || ParseBasePort(text, base);
}

std::string SetupNameOf(const std::string& firstLine) {
    return firstLine.size() > 12 ? firstLine.substr(12) : std::string();
}

std::string FormatSetupFile(const std::array<std::string, kSetupKeyCount>& values) {
    std::string text;
    for (std::size_t k = 0; k < kSetupKeyCount; ++k)
        text += SetupKeys()[k].text + values[k] + "\r\n";
    return text;
}

} // namespace quorbit
