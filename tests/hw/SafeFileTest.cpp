#include "hw/SafeFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "Fakes.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode;
}

/// Every name in the folder, so leftovers of a write show up.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BoundedRead, StopsOneByteAfterTheLimitAndRefusesStreamsUnopened) {
    TempDir dir;
    WriteBytes(dir / "f.bin", std::string(300, 'a'));
    std::string got = "untouched";
    EXPECT_EQ(ReadFileBounded((dir / "f.bin").string(), 101, got), "");
    EXPECT_EQ(got.size(), 101u);
    EXPECT_EQ(ReadFileBounded((dir / "f.bin").string(), 1000, got), "");
    EXPECT_EQ(got.size(), 300u);

    // A FIFO nobody writes to, /dev/zero and a folder: refused at once, untouched.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    got = "untouched";
    EXPECT_NE(ReadFileBounded((dir / "fifo").string(), 10, got).find("pipe"), std::string::npos);
    EXPECT_NE(ReadFileBounded("/dev/zero", 10, got).find("device"), std::string::npos);
    EXPECT_NE(ReadFileBounded(dir.path().string(), 10, got).find("folder"), std::string::npos);
    EXPECT_NE(ReadFileBounded((dir / "none").string(), 10, got).find("No such file"),
              std::string::npos);
    EXPECT_EQ(got, "untouched");
}

TEST(BoundedRead, AReadErrorIsAFailureNotAnEmptyFile) {
    std::string got = "untouched";
    const std::string error = ReadFileBounded("/proc/self/mem", 100, got);
    EXPECT_NE(error.find("Input/output error"), std::string::npos) << error;
    EXPECT_EQ(got, "untouched");
}

TEST(BoundedRead, StandardInputThatNeverEndsIsCutAtTheBound) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int savedStdin = ::dup(STDIN_FILENO);
    ::dup2(fds[0], STDIN_FILENO);
    // More than the bound, and the writing end stays open: no end of file comes.
    ASSERT_EQ(::write(fds[1], std::string(500, 'z').data(), 500), 500);
    std::string got;
    const std::string error = ReadFileBounded(kStandardInputName, 101, got);
    ::dup2(savedStdin, STDIN_FILENO);
    ::close(savedStdin);
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_EQ(error, "");
    EXPECT_EQ(got, std::string(101, 'z'));
}

TEST(SafeWrite, ReplacesTheFileKeepingItsModeAndNothingBeside) {
    TempDir dir;
    const auto target = dir / "image.bin";
    WriteBytes(target, "old");
    ::chmod(target.c_str(), 0640);
    WriteBytes(dir / "image.bin.tmp", "the operator's own file");
    EXPECT_EQ(WriteFileSafely(target, "new contents"), "");
    EXPECT_EQ(ReadBytes(target), "new contents");
    EXPECT_EQ(ModeOf(target) & 07777, 0640u);
    EXPECT_EQ(ReadBytes(dir / "image.bin.tmp"), "the operator's own file");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"image.bin", "image.bin.tmp"}));

    // A new file gets the usual mode for this umask.
    const mode_t mask = ::umask(022);
    EXPECT_EQ(WriteFileSafely(dir / "fresh.bin", "x"), "");
    ::umask(mask);
    EXPECT_EQ(ModeOf(dir / "fresh.bin") & 07777, 0644u);
}

TEST(SafeWrite, AFullDiskLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const auto target = dir / "image.bin";
    WriteBytes(target, "old contents");
    for (const std::size_t accepted : {std::size_t{0}, std::size_t{3}}) {
        const InjectedWriteFailure diskFull(ENOSPC, accepted);
        const std::string error = WriteFileSafely(target, "much newer contents");
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        EXPECT_NE(error.find("left as it was"), std::string::npos) << error;
    }
    EXPECT_EQ(ReadBytes(target), "old contents");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"image.bin"});
}

TEST(SafeWrite, ARealSmallFileSystemThatFillsUpLeavesTheOldFile) {
    TempDir dir;
    const auto mountPoint = dir / "small";
    fs::create_directories(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    const auto target = mountPoint / "image.bin";
    WriteBytes(target, std::string(40 * 1024, 'o'));
    const std::string error = WriteFileSafely(target, std::string(40 * 1024, 'n'));
    const std::string kept = ReadBytes(target);
    const auto names = Names(mountPoint);
    ::umount2(mountPoint.c_str(), MNT_DETACH);
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(kept, std::string(40 * 1024, 'o'));
    EXPECT_EQ(names, std::vector<std::string>{"image.bin"});
}

TEST(SafeWrite, ReadOnlyFolderIsReportedAndTheFileKept) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write in a read-only folder";
    TempDir dir;
    const auto target = dir / "image.bin";
    WriteBytes(target, "old");
    ::chmod(dir.path().c_str(), 0555);
    const std::string error = WriteFileSafely(target, "new");
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(target), "old");
}

/// Runs `body` as a user who is not root (nobody, when the test runs as root) and
/// returns what it returned.
int AsUnprivilegedUser(const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SafeWrite, AWriteProtectedFileInAWritableFolderIsNotReplaced) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777); // the folder would let anyone rename over the file
    const fs::path file = dir / "keep.bin";
    WriteBytes(file, "the operator's image");
    ::chmod(file.c_str(), 0444);
    const fs::path link = dir / "link.bin";
    fs::create_symlink("keep.bin", link);
    for (const fs::path& target : {file, link}) {
        const int outcome = AsUnprivilegedUser([&target] {
            const std::string error = WriteFileSafely(target, "new contents");
            if (error.rfind("it is write-protected (Permission denied)", 0) != 0) return 2;
            return error.find("left as it was") != std::string::npos ? 0 : 3;
        });
        EXPECT_EQ(outcome, 0) << target;
        EXPECT_EQ(ReadBytes(file), "the operator's image");
        EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"keep.bin", "link.bin"}));
    }
}

TEST(SafeWrite, ASymbolicLinkStaysALinkAndItsTargetIsReplaced) {
    TempDir dir;
    fs::create_directories(dir / "real");
    WriteBytes(dir / "real" / "chip.bin", "old");
    ::chmod((dir / "real" / "chip.bin").c_str(), 0600);
    fs::create_symlink("real/chip.bin", dir / "hop");
    fs::create_symlink("hop", dir / "link.bin");
    EXPECT_EQ(WriteFileSafely(dir / "link.bin", "new"), "");
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_TRUE(fs::is_symlink(dir / "hop"));
    EXPECT_EQ(ReadBytes(dir / "real" / "chip.bin"), "new");
    EXPECT_EQ(ModeOf(dir / "real" / "chip.bin") & 07777, 0600u);
    // A link to a name not yet there creates the file it points to.
    fs::create_symlink("real/later.bin", dir / "dangling");
    EXPECT_EQ(WriteFileSafely(dir / "dangling", "x"), "");
    EXPECT_EQ(ReadBytes(dir / "real" / "later.bin"), "x");
    // A loop of links is an error, not a hang.
    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    EXPECT_NE(WriteFileSafely(dir / "loop1", "x"), "");
}

TEST(SafeWrite, PipesAreWrittenInPlaceOrRefusedNeverWaitedOn) {
    TempDir dir;
    const auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(WriteFileSafely(fifo, "data"), "no program is reading from the pipe");
    EXPECT_EQ(WriteFileSafely(fifo, "data", SpecialTarget::Refuse),
              "it is a pipe or device, not a plain file");

    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(WriteFileSafely(fifo, "data"), "");
    char got[8] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 4);
    ::close(reader);
    EXPECT_EQ(std::string(got), "data");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"fifo"});
}

TEST(SafeWrite, ADeviceNodeIsWrittenInPlaceAndStaysADevice) {
    TempDir dir;
    const auto node = dir / "null";
    if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    EXPECT_EQ(WriteFileSafely(node, "data"), "");
    EXPECT_TRUE(fs::is_character_file(node));
    EXPECT_NE(WriteFileSafely(node, "data", SpecialTarget::Refuse), "");
    // A device that is full says so.
    const auto full = dir / "full";
    ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    EXPECT_EQ(WriteFileSafely(full, "data"), "No space left on device");
    EXPECT_NE(WriteFileSafely(dir.path(), "data").find("folder"), std::string::npos);
}

} // namespace
} // namespace quorbit::test
