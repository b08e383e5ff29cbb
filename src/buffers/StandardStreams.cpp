// Images through pipes: "-" reads standard input and writes standard output.
#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "buffers/ImageFile.h"

namespace quorbit {

std::string ReadStandardInput(std::size_t limit, std::string& bytes) {
    std::string data;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::strerror(errno);
        if (n == 0) break;
        data.append(chunk, static_cast<std::size_t>(n));
        // Stop at once past the limit: a stream without end must not fill memory.
        if (data.size() > limit)
            return "standard input holds more than " + std::to_string(limit) + " bytes";
    }
    bytes = std::move(data);
    return {};
}

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
