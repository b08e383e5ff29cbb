// Bounded reading of image and text files: never waits on a pipe, never reads
// an endless device, reports read errors instead of taking them as the end.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hw/SafeFile.h"
#include "hw/StopRequest.h"

namespace quorbit {
namespace {

/// Why a file of this type is not read as an image; empty when it may be.
/// Block devices have an end and a size, so they are read like files.
std::string UnreadableTypeReason(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not a file";
    if (S_ISFIFO(mode))
        return "it is a pipe (FIFO), not a file (it could wait for a writer or never end)";
    if (S_ISSOCK(mode)) return "it is a socket, not a file";
    if (S_ISCHR(mode))
        return "it is a character device, not a file (it could wait for data or never end)";
    return {};
}

/// Waits until the descriptor has data or its end; false when the operator asked
/// to stop meanwhile (standard input from a terminal or a pipe may never come).
bool WaitForData(int fd) {
    for (;;) {
        if (StopRequested()) return false;
        pollfd ready{fd, POLLIN, 0};
        // Looked at again now and then: a stop signal may come just before the wait.
        const int n = ::poll(&ready, 1, 200);
        if (n > 0 || (n < 0 && errno != EINTR)) return true; // the read tells the rest
    }
}

/// Reads until the end or `limit` bytes. Standard input may have been left
/// non-blocking by whoever started us: then wait for data rather than fail. A
/// file on disk is read to its end whatever comes meanwhile: it never waits, and
/// a stop is taken up by the step that follows.
std::string ReadUpTo(int fd, std::size_t limit, std::string& content) {
    struct stat st {};
    const bool mayWait = ::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
    std::string data;
    std::array<char, 65536> chunk{};
    while (data.size() < limit) {
        if (mayWait && !WaitForData(fd)) return kStoppedByOperator;
        const std::size_t want = std::min(chunk.size(), limit - data.size());
        const ssize_t n = ::read(fd, chunk.data(), want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue; // waited above
        if (n < 0) return std::string("read error: ") + std::strerror(errno);
        if (n == 0) break;
        data.append(chunk.data(), static_cast<std::size_t>(n));
    }
    content = std::move(data);
    return {};
}

std::string ReadNamedFile(const std::string& path, std::size_t limit, std::string& content) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (std::string reason = UnreadableTypeReason(st.st_mode); !reason.empty()) return reason;
    // Without O_NONBLOCK a pipe put in the file's place after the check would
    // hold the open until some writer came.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    std::string reason;
    if (::fstat(fd, &st) != 0)
        reason = std::strerror(errno);
    else
        reason = UnreadableTypeReason(st.st_mode);
    if (reason.empty()) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        reason = ReadUpTo(fd, limit, content);
    }
    ::close(fd);
    return reason;
}

} // namespace

std::string ReadFileBounded(const std::string& path, std::size_t limit, std::string& content) {
    if (path == kStandardInputName) return ReadUpTo(STDIN_FILENO, limit, content);
    return ReadNamedFile(path, limit, content);
}

} // namespace quorbit
