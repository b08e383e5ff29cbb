// The one write path of every file the program saves: a unique temporary file
// beside the target, renamed over it only once the whole content is on disk.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/SafeFile.h"

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

std::string Reason(int error) {
    return std::strerror(error);
}

/// Writes every byte, going on after short writes; 0 or the errno of the failure.
int WriteAll(int fd, const std::string& content) {
    const WriteFault& fault = InjectedFault();
    std::size_t done = 0;
    while (done < content.size()) {
        std::size_t want = content.size() - done;
        if (fault.active) {
            if (done >= fault.accepted) return fault.error;
            want = std::min(want, fault.accepted - done);
        }
        const ssize_t n = ::write(fd, content.data() + done, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

void ClearNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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

std::string ReplaceFile(const fs::path& final, const std::string& content, const struct stat* old) {
    const fs::path folder = final.has_parent_path() ? final.parent_path() : fs::path(".");
    const std::string pattern = (folder / ("." + final.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return Reason(errno);
    const std::string temp(name.data());
    CopyOwnership(fd, old);
    int error = WriteAll(fd, content);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), final.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return Reason(error);
    }
    SyncFolder(folder);
    return {};
}

std::string WriteInPlace(const fs::path& final, const std::string& content) {
    const int fd = ::open(final.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENXIO ? NoReaderReason() : Reason(errno);
    ClearNonBlocking(fd);
    int error = WriteAll(fd, content);
    if (::close(fd) != 0 && error == 0) error = errno;
    return error == 0 ? std::string() : Reason(error);
}

} // namespace

std::string WriteFileSafely(const fs::path& target, const std::string& content,
                            SpecialTarget special) {
    fs::path final;
    std::string reason;
    if (!FollowLinks(target, final, reason)) return reason;
    struct stat st {};
    if (::stat(final.c_str(), &st) != 0) {
        if (errno != ENOENT) return Reason(errno);
        return ReplaceFile(final, content, nullptr);
    }
    if (S_ISREG(st.st_mode)) {
        // The rename needs only the folder's permission: without this check a file
        // the operator protected would be replaced all the same.
        if (::access(final.c_str(), W_OK) != 0)
            return errno == EACCES || errno == EPERM || errno == EROFS
                       ? "it is write-protected (" + Reason(errno) +
                             "); the file there before is left as it was"
                       : Reason(errno);
        reason = ReplaceFile(final, content, &st);
        return reason.empty() ? reason : reason + "; the file there before is left as it was";
    }
    if (S_ISDIR(st.st_mode)) return "it is a folder, not a file";
    if (!S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode)) return "it is not a plain file";
    if (special == SpecialTarget::Refuse) return "it is a pipe or device, not a plain file";
    return WriteInPlace(final, content);
}

int OpenOutputStream(const std::string& path, std::string& reason) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) reason = "it is a folder, not a file";
        if (S_ISSOCK(st.st_mode) || S_ISBLK(st.st_mode)) reason = "it is not a plain file";
        if (!reason.empty()) return -1;
    }
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = errno == ENXIO ? NoReaderReason() : Reason(errno);
        return -1;
    }
    ClearNonBlocking(fd);
    return fd;
}

InjectedWriteFailure::InjectedWriteFailure(int error, std::size_t bytesAccepted) {
    InjectedFault() = {true, error, bytesAccepted};
}

InjectedWriteFailure::~InjectedWriteFailure() {
    InjectedFault() = {};
}

} // namespace quorbit
