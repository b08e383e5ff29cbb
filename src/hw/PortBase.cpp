#include "hw/PortBase.h"

#include <algorithm>
#include <cctype>

namespace quorbit {

bool ParseBasePort(const std::string& text, std::uint16_t& port) {
    std::string t;
    for (char c : text)
        t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (t.rfind("0X", 0) == 0) t = t.substr(2);
    if (!t.empty() && t.back() == 'H') t.pop_back();
    if (t.empty() || t.size() > 4 || !std::all_of(t.begin(), t.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c));
        }))
        return false;
    const unsigned long value = std::stoul(t, nullptr, 16);
    if (value < kLowestBasePort || value > kHighestBasePort) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace quorbit
