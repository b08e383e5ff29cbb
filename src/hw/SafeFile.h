#pragma once
// Reading and writing the program's files so that nothing can hang it and
// nothing the operator owns is lost: reads are bounded and never wait on a pipe,
// writes go to a unique temporary file beside the target and replace it only
// when the whole content is on disk.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorbit {

/// The name that stands for standard input where an image is read (and for
/// standard output or standard error where an image or the trace is written).
inline constexpr const char* kStandardInputName = "-";

/// The reason a read or write gives when the operator's stop ended its wait for
/// standard input or for a reader of a pipe: not a fault of the file.
inline constexpr const char* kStoppedByOperator = "stopped by the operator";

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

/// A file written piece by piece that replaces what was there only once it is
/// whole: a regular file (or a new name) is written to a unique temporary file
/// beside it, which Commit flushes to disk and renames over it (its permission
/// bits kept, a symbolic link followed and kept); a failed or abandoned file
/// leaves the old one as it was and no temporary file. A pipe or character
/// device is written in place (or refused, see SpecialTarget); a pipe nobody
/// reads is refused at Open instead of waited on, and a write into a pipe whose
/// reader stopped reading waits only until the operator's stop
/// (kStoppedByOperator).
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile(); // abandons a file not committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// "" or the reason the target cannot be written.
    std::string Open(const std::filesystem::path& target,
                     SpecialTarget special = SpecialTarget::WriteDirectly);
    /// Writes into a descriptor already open (standard error), in place; closed by Commit.
    void Adopt(int fd);
    /// "" or the reason (then nothing more should be written).
    std::string Write(std::string_view data);
    /// Puts the file in place; "" or the reason, the old file kept.
    std::string Commit();
    /// Drops what was written: the old file stays, the temporary file goes.
    void Abandon();
    /// A stream that tells how far the program got (the trace): should the
    /// program be ended at once (PublishOutputsAtAbruptEnd), what was written so
    /// far is put in place all the same.
    void PublishOnAbruptEnd();

  private:
    [[nodiscard]] std::string Failed(int error) const;
    void Unpublish();

    int fd_ = -1;
    int abruptSlot_ = -1;
    std::filesystem::path final_;
    std::string temp_;      // the temporary file beside the target; empty when in place
    bool keepsOld_ = false; // a file was there before: failures say it is kept
};

/// Puts in place what the OutputFiles marked PublishOnAbruptEnd have written so
/// far; for a signal handler that ends the program at once (async-signal-safe).
void PublishOutputsAtAbruptEnd() noexcept;

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
