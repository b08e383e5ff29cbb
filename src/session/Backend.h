#pragma once
// Choosing and opening the port backend the program talks through. The one place
// that knows every backend, the simulated board among them, so it sits above the
// board link (hw) and the simulator (sim), and both front ends open their port here.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hw/PortIo.h"

namespace quorbit {

namespace sim {
class SimBoard;
}
class CountingPort;
class TracePort;

struct SimSetup {
    int model = 6; // 0 = no board attached
    std::uint16_t basePort = 0x378;
    std::string chip;             // catalog name or row of the chip in the socket; empty socket
    std::string imageFile;        // contents to load into the chip
    std::string fault;            // "ADDRESS:BIT:LEVEL": one stuck bit in the chip
    std::string saveFile;         // where to save the chip's contents at exit
    std::int64_t accessNs = 1000; // virtual time of one port access
};

struct BackendOptions {
    /// "sim", "ppdev[:/dev/parportN]", "direct" or "exec:COMMAND".
    /// Plain "ppdev" serves each base from its device below; "ppdev:DEVICE" serves
    /// 378h from DEVICE and leaves 278h and 3BCh empty (one named port, nothing
    /// else claimed behind the operator's back).
    std::string choice = "sim";
    /// When set, every access is also recorded in this file (any backend).
    std::string traceFile;
    /// Real length of one counted delay step (real ports; the simulator's clock).
    std::int64_t stepNs = kDelayStepNanoseconds;
    /// exec: send counted delays to the child as "D <steps>" lines.
    bool execDelays = false;
    /// Count every access and wait for an estimate of the real time taken.
    bool countAccesses = false;
    SimSetup sim;
    /// Not 0: this backend serves one of several boards, at this base only (ppdev
    /// claims no other port, which another board's backend may hold).
    std::uint16_t onlyBase = 0;
    /// Parport device per base address for ppdev (378h, 278h, 3BCh).
    std::string ppdev378 = "/dev/parport0", ppdev278 = "/dev/parport1", ppdev3BC = "/dev/parport2";
};

struct OpenedBackend {
    std::unique_ptr<PortIo> io; // what the board talks to (the trace wrapper owns what it wraps)
    sim::SimBoard* simBoard = nullptr; // the simulator inside, when that is the backend
    CountingPort* counter = nullptr;   // the access counts, when asked for
    TracePort* trace = nullptr;        // the trace, when asked for
    /// Things the operator should know that do not stop the program (a parport
    /// device refused while another one opened); the front end shows them.
    std::vector<std::string> warnings;
};

/// Opens the backend; throws PortError with a message for the operator on failure.
OpenedBackend OpenBackend(const BackendOptions& options);
/// Why `choice` names no backend ("" when it names one), before anything is opened.
std::string BackendChoiceProblem(const std::string& choice);

} // namespace quorbit
