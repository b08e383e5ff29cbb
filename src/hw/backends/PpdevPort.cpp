#include "hw/backends/PpdevPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hw/backends/RealTime.h"

#if defined(__linux__)
#include <csignal>
#include <ctime>

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace quorbit {
namespace {

std::string HexBase(std::uint16_t base) {
    std::ostringstream out;
    out << std::hex << std::uppercase << base << "h";
    return out.str();
}

bool IsMissing(int error) {
    return error == ENOENT || error == ENODEV || error == ENXIO;
}

/// What went wrong with a device, and what the operator can do about it.
struct Problem {
    std::string what;
    std::string fix; // empty when there is nothing obvious to do
};

Problem Diagnose(const std::string& device, int error) {
    switch (error) {
    case ENOENT:
        return {device + " does not exist", "load the ppdev driver (sudo modprobe ppdev)"};
    case ENODEV:
    case ENXIO:
        return {device + " has no parallel port behind it",
                "load parport_pc (sudo modprobe parport_pc) and check that the port is enabled in "
                "the BIOS"};
    case EACCES:
    case EPERM:
        return {device + ": permission denied",
                "add your user to group lp (sudo usermod -aG lp $USER), then log in again"};
    case ENOTTY:
    case EINVAL:
        return {device + " is not a parallel port device", ""};
    case EINTR:
    case EBUSY:
        return {device + " is held by another program",
                "stop the printer spooler or the other program using the port"};
    default:
        return {device + ": " + std::strerror(error), ""};
    }
}

std::string Text(const Problem& problem) {
    return problem.fix.empty() ? problem.what : problem.what + " (" + problem.fix + ")";
}

bool SameDevice(const std::string& a, const std::string& b) {
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(a, ea);
    const auto cb = std::filesystem::weakly_canonical(b, eb);
    return (ea || eb) ? a == b : ca == cb;
}

const PpdevMapping* EarlierUse(const std::vector<PpdevMapping>& tried, const std::string& device) {
    for (const auto& earlier : tried)
        if (SameDevice(earlier.device, device)) return &earlier;
    return nullptr;
}

/// Every device's problem, and each distinct fix once.
std::string NothingOpened(const std::vector<Problem>& problems) {
    std::string message = "ppdev backend: no parallel port could be opened: ";
    std::vector<std::string> fixes;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        message += (i ? "; " : "") + problems[i].what;
        const std::string& fix = problems[i].fix;
        if (!fix.empty() && std::find(fixes.begin(), fixes.end(), fix) == fixes.end())
            fixes.push_back(fix);
    }
    for (const auto& fix : fixes)
        message += ". To fix: " + fix;
    return message;
}

#if defined(__linux__)

void IgnoreAlarm(int) {}

/// Claims the port, giving up after a few seconds: the driver makes the claim
/// wait for as long as another program holds the port, and the alarm is what
/// interrupts that wait. The timer signals this thread only.
int ClaimWithin(int fd, int seconds) {
    struct sigaction quiet = {};
    struct sigaction previous = {};
    quiet.sa_handler = IgnoreAlarm; // no SA_RESTART: the claim must be interrupted
    sigemptyset(&quiet.sa_mask);
    sigaction(SIGALRM, &quiet, &previous);
    sigset_t alarmOnly, oldMask;
    sigemptyset(&alarmOnly);
    sigaddset(&alarmOnly, SIGALRM);
    pthread_sigmask(SIG_UNBLOCK, &alarmOnly, &oldMask);

    sigevent event = {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = SIGALRM;
    event._sigev_un._tid = ::gettid();
    timer_t timer{};
    const bool timed = ::timer_create(CLOCK_MONOTONIC, &event, &timer) == 0;
    if (timed) {
        itimerspec after = {};
        after.it_value.tv_sec = seconds;
        ::timer_settime(timer, 0, &after, nullptr);
    }
    const int result = ::ioctl(fd, PPCLAIM);
    const int error = errno;
    if (timed) ::timer_delete(timer);
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    return result == 0 ? 0 : error;
}

/// Opens and claims the device with the data lines driven; -1 and the errno on failure.
int OpenClaimed(const std::string& device, int& error) {
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    error = ClaimWithin(fd, 3);
    if (error == 0) {
        // Compatibility mode: the board is driven by plain register writes, not by
        // an IEEE 1284 handshake a card may have been left in.
        int mode = IEEE1284_MODE_COMPAT;
        int forward = 0;
        if (::ioctl(fd, PPSETMODE, &mode) == 0 && ::ioctl(fd, PPDATADIR, &forward) == 0) return fd;
        error = errno;
        ::ioctl(fd, PPRELEASE);
    }
    ::close(fd);
    return -1;
}

void ReleaseAndClose(int fd) {
    ::ioctl(fd, PPRELEASE);
    ::close(fd);
}

#else

int OpenClaimed(const std::string&, int& error) {
    error = ENOSYS;
    return -1;
}
void ReleaseAndClose(int) {}

#endif

} // namespace

std::vector<PpdevMapping> ParportBases(const std::string& folder) {
    std::vector<PpdevMapping> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("parport", 0) != 0 || name.size() == 7) continue;
        std::ifstream in(entry.path() / "base-addr");
        unsigned long base = 0;
        if (!(in >> base) || base < 0x100 || base > 0xFFF8) continue;
        found.push_back({static_cast<std::uint16_t>(base), "/dev/" + name});
    }
    std::sort(found.begin(), found.end(),
              [](const PpdevMapping& a, const PpdevMapping& b) { return a.device < b.device; });
    return found;
}

PpdevPort::PpdevPort(const std::vector<PpdevMapping>& mappings, std::int64_t stepNs)
    : waits_(stepNs) {
#if !defined(__linux__)
    throw PortError("ppdev backend: the ppdev driver exists only on Linux");
#endif
    std::vector<Problem> problems;
    std::vector<PpdevMapping> tried;
    for (const auto& mapping : mappings) {
        // Claiming one port twice would make the second claim wait for the first.
        if (const PpdevMapping* earlier = EarlierUse(tried, mapping.device)) {
            warnings_.push_back("ppdev: " + mapping.device + " is already named for " +
                                HexBase(earlier->base) + "; " + HexBase(mapping.base) +
                                " is left empty");
            continue;
        }
        tried.push_back(mapping);
        int error = 0;
        const int fd = OpenClaimed(mapping.device, error);
        if (fd >= 0) {
            channels_.push_back({mapping.base, mapping.device, fd});
            continue;
        }
        problems.push_back(Diagnose(mapping.device, error));
        if (!IsMissing(error))
            warnings_.push_back("ppdev: " + HexBase(mapping.base) +
                                " left empty: " + Text(problems.back()));
    }
    if (channels_.empty()) throw PortError(NothingOpened(problems));
}

PpdevPort::~PpdevPort() {
    for (const auto& channel : channels_)
        ReleaseAndClose(channel.fd);
}

PpdevPort::Channel* PpdevPort::Find(std::uint16_t port, int& offset) {
    for (auto& channel : channels_) {
        if (port >= channel.base && port <= channel.base + 2) {
            offset = port - channel.base;
            return &channel;
        }
    }
    return nullptr;
}

void PpdevPort::Control(const Channel& channel, unsigned long request, unsigned char* value,
                        const char* action) {
#if defined(__linux__)
    if (::ioctl(channel.fd, request, value) == 0) return;
    throw PortError(std::string("ppdev backend: ") + action + " of " + channel.device + " (" +
                    HexBase(channel.base) + ") failed: " + std::strerror(errno));
#else
    (void)channel, (void)request, (void)value, (void)action;
#endif
}

void PpdevPort::PortOut(std::uint16_t port, std::uint8_t value) {
#if defined(__linux__)
    int offset = 0;
    Channel* channel = Find(port, offset);
    unsigned char byte = value;
    // The status register (offset 1) is read-only; a write to it goes nowhere.
    if (channel && offset == 0) Control(*channel, PPWDATA, &byte, "writing the data register");
    if (channel && offset == 2)
        Control(*channel, PPWCONTROL, &byte, "writing the control register");
#else
    (void)port, (void)value;
#endif
}

std::uint8_t PpdevPort::PortIn(std::uint16_t port) {
    unsigned char byte = 0xFF; // an empty port: the lines float high
#if defined(__linux__)
    int offset = 0;
    Channel* channel = Find(port, offset);
    if (!channel) return byte;
    if (offset == 0) Control(*channel, PPRDATA, &byte, "reading the data register");
    if (offset == 1) Control(*channel, PPRSTATUS, &byte, "reading the status register");
    if (offset == 2) Control(*channel, PPRCONTROL, &byte, "reading the control register");
#else
    (void)port;
#endif
    return byte;
}

void PpdevPort::Sleep(int milliseconds) {
    waits_.Milliseconds(milliseconds);
}

void PpdevPort::BusySteps(std::int64_t steps) {
    waits_.Steps(steps);
}

void PpdevPort::PulseSteps(std::int64_t steps, std::int64_t stepNs) {
    waits_.Pulse(steps, stepNs);
}

std::string PpdevPort::Describe() const {
    std::string text = "parallel port through ppdev:";
    for (std::size_t i = 0; i < channels_.size(); ++i)
        text += (i ? ", " : " ") + HexBase(channels_[i].base) + " on " + channels_[i].device;
    return text;
}

} // namespace quorbit
