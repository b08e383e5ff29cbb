#include "hw/PortIo.h"

#include <chrono>

namespace quorbit {

std::int64_t PortIo::NowNs() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace quorbit
