#pragma once
// Reading and writing the program's files so that nothing can hang it and
// nothing the operator owns is lost: reads are bounded and never wait on a pipe,
// writes go to a unique temporary file beside the target and replace it only
// when the whole content is on disk.
#include <cstddef>
#include <filesystem>
#include <string>

namespace quorbit {

/// The name that stands for standard input where an image is read (and for
/// standard output or standard error where an image or the trace is written).
inline constexpr const char* kStandardInputName = "-";

/// Reads at most `limit` bytes of `path` into `content` (replaced only on success).
/// A caller that allows N bytes passes N + 1 and refuses a result longer than N:
/// an endless input then ends like an oversized file. A pipe, socket or
/// character device is refused before it is opened (except "-", standard input,
/// read with the same bound); the open never waits for a writer. Returns an
/// empty string on success, else the reason for the operator.
std::string ReadFileBounded(const std::string& path, std::size_t limit, std::string& content);

/// What the writer does with a pipe or a character device (a terminal, a device
/// node) in the target's place.
enum class SpecialTarget {
    WriteDirectly, // write into it as it is: it is not a file that can be replaced
    Refuse,        // refuse it with a message (files the program must read back)
};

/// Writes `content` to `target`. A regular file (or a new name) is written to a
/// unique temporary file in the same folder, flushed to disk and renamed over the
/// target, which keeps its permission bits; a symbolic link is followed and its
/// final target replaced, the link itself kept. A pipe or character device is
/// written directly or refused (see SpecialTarget); a pipe nobody reads is refused
/// instead of waited on. On failure the temporary file is removed, the old file
/// stays as it was and the reason returned says so. Empty string on success.
std::string WriteFileSafely(const std::filesystem::path& target, const std::string& content,
                            SpecialTarget special = SpecialTarget::WriteDirectly);

/// Opens `path` for a stream of writes that go to disk as they are made (the
/// trace): created or truncated, symbolic links followed, a pipe with no reader
/// or a folder, socket or block device refused; never waits. Returns the file
/// descriptor, or -1 with `reason` set.
int OpenOutputStream(const std::string& path, std::string& reason);

/// For tests: while it lives, every write of WriteFileSafely fails with `error`
/// once `bytesAccepted` bytes of the current file have been written, as a full
/// disk (ENOSPC) or a failing medium (EIO) would make it.
class InjectedWriteFailure {
  public:
    explicit InjectedWriteFailure(int error, std::size_t bytesAccepted = 0);
    ~InjectedWriteFailure();
    InjectedWriteFailure(const InjectedWriteFailure&) = delete;
    InjectedWriteFailure& operator=(const InjectedWriteFailure&) = delete;
};

} // namespace quorbit
