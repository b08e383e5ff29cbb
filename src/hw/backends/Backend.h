#pragma once
// Choosing and opening the port backend the program talks through.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hw/PortIo.h"

namespace quorbit {

namespace sim {
class SimBoard;
}

struct SimSetup {
    int model = 6; // 0 = no board attached
    std::uint16_t basePort = 0x378;
    std::string chip;      // catalog name or row of the chip in the socket; empty socket
    std::string imageFile; // contents to load into the chip
    std::string saveFile;  // where to save the chip's contents at exit
};

struct BackendOptions {
    /// "sim", "ppdev[:/dev/parportN]", "direct" or "exec:COMMAND".
    std::string spec = "sim";
    std::string traceFile;
    SimSetup sim;
    /// Parport device per base address for ppdev (378h, 278h, 3BCh).
    std::string ppdev378 = "/dev/parport0", ppdev278 = "/dev/parport1", ppdev3BC = "/dev/parport2";
};

struct OpenedBackend {
    std::unique_ptr<PortIo> io;                 // what the board talks to (trace wrapper included)
    sim::SimBoard* simBoard = nullptr;          // the simulator inside, when that is the backend
    std::vector<std::unique_ptr<PortIo>> owned; // inner backends the wrapper uses
};

/// Opens the backend; throws PortError with a message for the operator on failure.
OpenedBackend OpenBackend(const BackendOptions& options);

/// Parses "378", "378h", "0x378", "3BC": the three printer port bases only.
bool ParseBasePort(const std::string& text, std::uint16_t& port);

} // namespace quorbit
