#include "link/PortBase.h"

#include "app/TextFile.h"

namespace quorbit {

bool ParseBasePort(const std::string& text, std::uint16_t& port) {
    std::uint64_t value = 0;
    if (!ParseHexNumber(text, 4, value) || value < kLowestBasePort || value > kHighestBasePort)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace quorbit
