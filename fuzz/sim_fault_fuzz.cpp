// A chip for the simulated socket from the command line's --sim-chip and --sim-fault.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "session/SimSocket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault(reinterpret_cast<const char*>(data), size);
    quorbit::SimSetup setup;
    setup.chip = "27C256";
    try {
        (void)quorbit::MakeSocketChip(setup, fault);
    } catch (const std::invalid_argument&) {
        // refused with a message for the operator: the expected way out
    }
    return 0;
}
