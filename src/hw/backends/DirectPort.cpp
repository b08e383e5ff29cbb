#include "hw/backends/DirectPort.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "hw/backends/RealTime.h"

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#define QUORBIT_HAS_PORT_IO 1
#include <sys/io.h>
#else
#define QUORBIT_HAS_PORT_IO 0
#endif

namespace quorbit {
namespace {

constexpr std::array<std::uint16_t, 3> kBases = {0x378, 0x278, 0x3BC};
constexpr unsigned long kRegisters = 3; // data, status, control

/// Offset of the port within one of the granted bases, or -1.
int OffsetInBases(std::uint16_t port) {
    for (std::uint16_t base : kBases)
        if (port >= base && port < base + kRegisters) return port - base;
    return -1;
}

std::string RangeText(std::uint16_t base) {
    std::ostringstream out;
    out << std::hex << std::uppercase << base << "h-" << base + kRegisters - 1 << "h";
    return out.str();
}

#if QUORBIT_HAS_PORT_IO
void GiveUpPorts(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        ::ioperm(kBases[i], kRegisters, 0);
}
#endif

} // namespace

DirectPort::DirectPort(std::int64_t stepNs) : waits_(stepNs) {
#if QUORBIT_HAS_PORT_IO
    for (std::size_t i = 0; i < kBases.size(); ++i) {
        if (::ioperm(kBases[i], kRegisters, 1) == 0) continue;
        const int error = errno;
        GiveUpPorts(i);
        // Containers and some virtual machines have no port I/O at all, root or not.
        const std::string fix =
            error == ENOSYS || error == EINVAL
                ? "this system does not offer raw port I/O; use --backend ppdev"
                : "direct port access needs root (or the CAP_SYS_RAWIO capability); run as "
                  "root or use --backend ppdev";
        throw PortError("direct backend: access to I/O ports " + RangeText(kBases[i]) +
                        " was refused (" + std::strerror(error) + "): " + fix);
    }
#else
    throw PortError("direct backend: raw port I/O exists only on x86 Linux; use --backend ppdev");
#endif
}

DirectPort::~DirectPort() {
#if QUORBIT_HAS_PORT_IO
    GiveUpPorts(kBases.size());
#endif
}

void DirectPort::PortOut(std::uint16_t port, std::uint8_t value) {
    const int offset = OffsetInBases(port);
    if (offset != 0 && offset != 2) return;
#if QUORBIT_HAS_PORT_IO
    ::outb(value, port);
#else
    (void)value;
#endif
}

std::uint8_t DirectPort::PortIn(std::uint16_t port) {
    if (OffsetInBases(port) < 0) return 0xFF;
#if QUORBIT_HAS_PORT_IO
    return ::inb(port);
#else
    return 0xFF;
#endif
}

void DirectPort::Sleep(int milliseconds) {
    waits_.Milliseconds(milliseconds);
}

void DirectPort::BusySteps(std::int64_t steps) {
    waits_.Steps(steps);
}

void DirectPort::PulseSteps(std::int64_t steps, std::int64_t stepNs) {
    waits_.Pulse(steps, stepNs);
}

std::string DirectPort::Describe() const {
    return "direct port I/O on 378h, 278h and 3BCh";
}

} // namespace quorbit
