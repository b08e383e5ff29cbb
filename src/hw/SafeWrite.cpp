// The one write path of every file the program saves: a unique temporary file
// beside the target, renamed over it only once the whole content is on disk; a
// pipe or device written in place, never waited on past the operator's stop.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "hw/SafeFile.h"
#include "hw/StopRequest.h"

namespace quorbit {
namespace {

namespace fs = std::filesystem;

struct WriteFault {
    bool active = false;
    int error = 0;
    std::size_t accepted = 0;
};

WriteFault& InjectedFault() {
    static WriteFault fault;
    return fault;
}

/// What WriteAll returns when the operator's stop ended a wait for a reader.
constexpr int kStopped = -1;

std::string Reason(int error) {
    return error == kStopped ? kStoppedByOperator : std::strerror(error);
}

/// Waits until the descriptor takes data; false when the operator asks to stop
/// while it takes none (a pipe whose reader stopped reading may never take any).
/// A reader that keeps reading gets everything, the records of a stop included.
bool WaitForRoom(int fd) {
    for (;;) {
        pollfd ready{fd, POLLOUT, 0};
        // Looked at again now and then: a stop signal may come just before the wait.
        const int n = ::poll(&ready, 1, 200);
        if (n > 0 || (n < 0 && errno != EINTR)) return true; // the write tells the rest
        if (StopRequested()) return false;
    }
}

/// Writes every byte, going on after short writes; 0, the errno of the failure,
/// or kStopped. A file on disk never waits; into a pipe or a device, each piece
/// is one the descriptor has room for, so that a reader that stopped reading
/// holds the write only until the operator's stop.
int WriteAll(int fd, std::string_view content) {
    const WriteFault& fault = InjectedFault();
    struct stat st {};
    const bool mayWait = ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
    std::size_t done = 0;
    while (done < content.size()) {
        std::size_t want = content.size() - done;
        if (fault.active) {
            if (done >= fault.accepted) return fault.error;
            want = std::min(want, fault.accepted - done);
        }
        if (mayWait) {
            if (!WaitForRoom(fd)) return kStopped;
            want = std::min<std::size_t>(want, PIPE_BUF); // what a ready pipe takes at once
        }
        const ssize_t n = ::write(fd, content.data() + done, want);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n < 0) return errno;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

std::string NoReaderReason() {
    return "no program is reading from the pipe";
}

/// The file a chain of symbolic links ends at (which may not exist yet).
bool FollowLinks(fs::path path, fs::path& final, std::string& reason) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            final = path;
            return true;
        }
        std::error_code ec;
        const fs::path link = fs::read_symlink(path, ec);
        if (ec) {
            reason = ec.message();
            return false;
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    reason = Reason(ELOOP);
    return false;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

/// Keeps the old file's permission bits (and, where allowed, its owner).
void CopyOwnership(int fd, const struct stat* old) {
    if (!old) {
        ::fchmod(fd, NewFileMode());
        return;
    }
    ::fchmod(fd, old->st_mode & 07777);
    if (::geteuid() == 0 && ::fchown(fd, old->st_uid, old->st_gid) != 0) {
        // Not fatal: the content is what matters, the owner is a courtesy.
    }
}

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

constexpr const char* kOldFileKept = "; the file there before is left as it was";

/// The temporary files PublishOutputsAtAbruptEnd renames, and the names they go to.
struct AbruptEnd {
    std::atomic<bool> claimed{false}; // an output holds the slot
    std::atomic<bool> used{false};    // and its names are in place
    char temp[PATH_MAX] = {};
    char final[PATH_MAX] = {};
};
// Enough for the outputs of several boards at once (a trace each).
AbruptEnd g_abruptEnds[16];

} // namespace

void PublishOutputsAtAbruptEnd() noexcept {
    for (AbruptEnd& end : g_abruptEnds)
        if (end.used.load()) ::rename(end.temp, end.final);
}

void OutputFile::PublishOnAbruptEnd() {
    const std::string final = final_.string();
    if (temp_.empty() || abruptSlot_ >= 0 || temp_.size() >= PATH_MAX || final.size() >= PATH_MAX)
        return;
    for (int slot = 0; slot < static_cast<int>(std::size(g_abruptEnds)); ++slot) {
        AbruptEnd& end = g_abruptEnds[slot];
        // Taken by a flag of its own first: another board's thread may look for a
        // slot at the same time, and a signal must not see the names half written.
        bool free = false;
        if (!end.claimed.compare_exchange_strong(free, true)) continue;
        std::memcpy(end.temp, temp_.c_str(), temp_.size() + 1);
        std::memcpy(end.final, final.c_str(), final.size() + 1);
        end.used.store(true);
        abruptSlot_ = slot;
        return;
    }
}

void OutputFile::Unpublish() {
    if (abruptSlot_ >= 0) {
        g_abruptEnds[abruptSlot_].used.store(false);
        g_abruptEnds[abruptSlot_].claimed.store(false);
    }
    abruptSlot_ = -1;
}

OutputFile::~OutputFile() {
    Abandon();
}

std::string OutputFile::Open(const fs::path& target, SpecialTarget special) {
    Abandon();
    // A pipe or device is found through every link, /dev/stdout's among them
    // (its target, "pipe:[...]", is no name a file could be made under).
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        if (special == SpecialTarget::Refuse) return "it is a pipe or device, not a plain file";
        fd_ = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) return errno == ENXIO ? NoReaderReason() : Reason(errno);
        // Left non-blocking: the writes wait for room themselves, and give up on a stop.
        return {};
    }
    std::string reason;
    if (!FollowLinks(target, final_, reason)) return reason;
    const struct stat* old = nullptr;
    if (::stat(final_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return "it is a folder, not a file";
        if (!S_ISREG(st.st_mode)) return "it is not a plain file";
        // The rename needs only the folder's permission: without this check a file
        // the operator protected would be replaced all the same.
        if (::access(final_.c_str(), W_OK) != 0)
            return errno == EACCES || errno == EPERM || errno == EROFS
                       ? "it is write-protected (" + Reason(errno) + ")" + kOldFileKept
                       : Reason(errno);
        old = &st;
        keepsOld_ = true;
    } else if (errno != ENOENT) {
        return Reason(errno);
    }
    const fs::path folder = final_.has_parent_path() ? final_.parent_path() : fs::path(".");
    const std::string pattern = (folder / ("." + final_.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) return Failed(errno);
    temp_ = name.data();
    CopyOwnership(fd_, old);
    return {};
}

void OutputFile::Adopt(int fd) {
    Abandon();
    fd_ = fd;
}

std::string OutputFile::Write(std::string_view data) {
    if (fd_ < 0) return Reason(EBADF);
    const int error = WriteAll(fd_, data);
    return error == 0 ? std::string() : Failed(error);
}

std::string OutputFile::Commit() {
    if (fd_ < 0) return Reason(EBADF);
    int error = 0;
    if (!temp_.empty() && ::fsync(fd_) != 0) error = errno;
    if (::close(fd_) != 0 && error == 0) error = errno;
    fd_ = -1;
    if (error == 0 && !temp_.empty() && ::rename(temp_.c_str(), final_.c_str()) != 0) error = errno;
    Unpublish(); // after the rename: a signal meanwhile finds the file in place or renames it
    if (error != 0) {
        const std::string reason = Failed(error);
        Abandon();
        return reason;
    }
    if (!temp_.empty()) SyncFolder(final_.has_parent_path() ? final_.parent_path() : ".");
    temp_.clear();
    return {};
}

void OutputFile::Abandon() {
    Unpublish(); // before the temporary file goes: a signal must not put it in place
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    keepsOld_ = false;
}

std::string OutputFile::Failed(int error) const {
    return Reason(error) + (keepsOld_ && error != kStopped ? kOldFileKept : "");
}

std::string WriteFileSafely(const fs::path& target, const std::string& content,
                            SpecialTarget special) {
    OutputFile file;
    std::string reason = file.Open(target, special);
    if (reason.empty()) reason = file.Write(content);
    if (reason.empty()) reason = file.Commit();
    return reason;
}

InjectedWriteFailure::InjectedWriteFailure(int error, std::size_t bytesAccepted) {
    InjectedFault() = {true, error, bytesAccepted};
}

InjectedWriteFailure::~InjectedWriteFailure() {
    InjectedFault() = {};
}

} // namespace quorbit
