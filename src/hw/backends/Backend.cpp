#include "hw/backends/Backend.h"

#include <algorithm>
#include <cctype>

#include "sim/SimBoard.h"

namespace quorbit {

bool ParseBasePort(const std::string& text, std::uint16_t& port) {
    std::string t;
    for (char c : text)
        t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (t.rfind("0X", 0) == 0) t = t.substr(2);
    if (!t.empty() && t.back() == 'H') t.pop_back();
    if (t == "378")
        port = 0x378;
    else if (t == "278")
        port = 0x278;
    else if (t == "3BC")
        port = 0x3BC;
    else
        return false;
    return true;
}

OpenedBackend OpenBackend(const BackendOptions& options) {
    OpenedBackend opened;
    if (options.spec == "sim") {
        auto board = std::make_unique<sim::SimBoard>(options.sim.model, options.sim.basePort);
        opened.simBoard = board.get();
        opened.io = std::move(board);
    } else {
        throw PortError("Unknown port backend \"" + options.spec +
                        "\": use sim, ppdev[:/dev/parportN], direct or exec:COMMAND");
    }
    return opened;
}

} // namespace quorbit
