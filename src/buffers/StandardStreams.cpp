// Images through pipes: "-" as the output file writes standard output.
#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "buffers/ImageFile.h"

namespace quorbit {

std::string WriteStandardOutput(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::strerror(errno);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

} // namespace quorbit
