// quorbit-cli among odd files and folders: pipes, device nodes, links, a deleted
// working folder, unreadable inputs, failed saves. Nothing may hang, be destroyed
// or be reported as saved when it was not.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "Fakes.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
    [[nodiscard]] bool OutHas(const std::string& text) const {
        return out.find(text) != std::string::npos;
    }
    [[nodiscard]] bool ErrHas(const std::string& text) const {
        return err.find(text) != std::string::npos;
    }
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

struct CliFiles : ::testing::Test {
    TempDir dir; // the program runs in dir/work; its output is caught in dir

    CliFiles() { fs::create_directories(dir / "work"); }

    std::string Work(const std::string& name) const { return (dir / "work" / name).string(); }

    /// Runs the program in dir/work; `before` runs first in the same shell. A run
    /// that hangs is stopped after 20 s and shows as status 124.
    Result Run(const std::string& args, const std::string& before = "") const {
        const std::string command = "cd '" + (dir / "work").string() + "' && " + before +
                                    " timeout 20 '" QUORBIT_CLI_PATH "' --config-dir '" +
                                    dir.path().string() + "' " + args + " > '" +
                                    (dir / "stdout.txt").string() + "' 2> '" +
                                    (dir / "stderr.txt").string() + "'";
        Result r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadBytes(dir / "stdout.txt");
        r.err = ReadBytes(dir / "stderr.txt");
        return r;
    }
};

/// True once the process has ended (a zombie that nobody reaps has ended too).
bool ExitedOrZombie(pid_t pid) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    const std::string stat = ReadBytes("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

constexpr const char* kRead = "--sim-chip 27C256 --sim-image pattern:address read -d 27C256 -o ";

std::string PatternImage() {
    const auto bytes = sim::AddressPatternContents(32768);
    return {bytes.begin(), bytes.end()};
}

TEST_F(CliFiles, ADeletedWorkingFolderIsAClearErrorNotACrash) {
    for (const char* verb : {"detect", "read -d 27C256 -o x.bin"}) {
        const Result r = Run(verb, "mkdir gone && cd gone && rmdir ../gone &&");
        EXPECT_EQ(r.status, 2) << verb << ": " << r.err;
        EXPECT_TRUE(r.ErrHas("The working folder cannot be found")) << r.err;
        EXPECT_FALSE(r.ErrHas("terminate")) << r.err;
    }
}

TEST_F(CliFiles, ReadIntoAPipeWritesThroughItAndLeavesAPipe) {
    ASSERT_EQ(::mkfifo(Work("pipe").c_str(), 0600), 0);
    // Nobody reads it: refused at once, not waited on, not replaced by a file.
    Result r = Run(std::string(kRead) + "pipe");
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_TRUE(r.OutHas("no program is reading from the pipe")) << r.out;
    EXPECT_FALSE(r.OutHas("Sucessfully Saved"));
    EXPECT_TRUE(fs::is_fifo(Work("pipe")));
    // With a reader at the other end the chip's contents go through it.
    r = Run(std::string(kRead) + "pipe", "(cat pipe > caught.bin &) ;");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(fs::is_fifo(Work("pipe")));
    for (int i = 0; i < 200 && fs::file_size(Work("caught.bin")) < 32768; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadBytes(Work("caught.bin")), PatternImage());
}

TEST_F(CliFiles, ReadOntoADeviceNodeKeepsTheNode) {
    if (::mknod(Work("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here";
    Result r = Run(std::string(kRead) + "null");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(fs::is_character_file(Work("null")));
    // A device that takes nothing is a failed save, not a success.
    ASSERT_EQ(::mknod(Work("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    r = Run(std::string(kRead) + "full");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.OutHas("No space left on device")) << r.out;
    EXPECT_FALSE(r.OutHas("Sucessfully Saved"));
}

TEST_F(CliFiles, ReadThroughALinkReplacesItsTargetAndKeepsTheLinkAndTheMode) {
    WriteBytes(dir / "work" / "real.bin", "old");
    ::chmod(Work("real.bin").c_str(), 0604);
    fs::create_symlink("real.bin", Work("link.bin"));
    WriteBytes(dir / "work" / "link.bin.tmp", "the operator's own file");
    const Result r = Run(std::string(kRead) + "link.bin");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(fs::is_symlink(Work("link.bin")));
    EXPECT_EQ(ReadBytes(Work("real.bin")), PatternImage());
    struct stat st {};
    ::stat(Work("real.bin").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadBytes(Work("link.bin.tmp")), "the operator's own file");
    std::size_t names = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "work"))
        ++names;
    EXPECT_EQ(names, 3u); // no temporary file left beside them
}

TEST_F(CliFiles, ReadErrorsEndTheLoadAndNothingIsLoaded) {
    Result r = Run("--sim-chip 27C256 --sim-image /proc/self/mem blank -d 27C256");
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_TRUE(r.ErrHas("/proc/self/mem")) << r.err;
    EXPECT_TRUE(r.ErrHas("Input/output error")) << r.err;
    EXPECT_FALSE(r.OutHas("Device IS BLANK"));
    r = Run("--sim-chip 27C256 --sim-image fill:FF verify -d 27C256 /proc/self/mem");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.OutHas("Could not read the code file /proc/self/mem: read error: "
                         "Input/output error"))
        << r.out;
    EXPECT_FALSE(r.OutHas("bytes long"));
}

TEST_F(CliFiles, EndlessAndWaitingImagesEndAtOnceWithTheirMessage) {
    ASSERT_EQ(::mkfifo(Work("fifo").c_str(), 0600), 0);
    for (const std::string image : {"/dev/zero", "fifo"}) {
        Result r = Run("--sim-chip 27C256 --sim-image fill:FF verify -d 27C256 " + image);
        EXPECT_EQ(r.status, 2) << image << r.out << r.err;
        EXPECT_TRUE(r.OutHas("Could not read the code file " + image + ": it is a")) << r.out;
        EXPECT_FALSE(r.OutHas("bytes long"));
        r = Run("--sim-chip 27C256 --sim-image " + image + " blank -d 27C256");
        EXPECT_EQ(r.status, 2) << image << r.err;
        EXPECT_TRUE(r.ErrHas("Cannot read simulator image " + image + ": it is a")) << r.err;
    }
    // A simulator image bigger than the chip is refused, not cut; the refused run
    // writes nothing, not even its (empty) trace over the last one.
    WriteBytes(dir / "work" / "big.bin", std::string(32769, 'x'));
    WriteBytes(dir / "work" / "trace.txt", "the last run's trace");
    const Result r = Run("--trace trace.txt --sim-chip 27C256 --sim-image big.bin blank -d 27C256");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.ErrHas("bigger than the chip's 32768 bytes")) << r.err;
    EXPECT_EQ(ReadBytes(Work("trace.txt")), "the last run's trace");
}

TEST_F(CliFiles, AFailedSimulatorSaveIsAFailedRun) {
    Result r = Run("--sim-chip 27C256 --sim-image fill:FF --sim-save nodir/a.bin blank -d 27C256");
    EXPECT_TRUE(r.OutHas("Device IS BLANK (ERASED)")) << r.out;
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Count(r.err, "Could not save the simulated chip to nodir/a.bin"), 1u) << r.err;
    r = Run("--sim-chip 27C256 --sim-image fill:FF --sim-save a.bin blank -d 27C256");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(Work("a.bin")), std::string(32768, '\xFF'));
}

/// Runs `line` in dir with dir/full a small file system holding the files of
/// dir/seed, filled to its last block; false when none can be mounted here (it is
/// mounted in a user namespace of its own: no root needed).
bool OnAFullDisk(const fs::path& dir, const std::string& line) {
    fs::create_directories(dir / "full");
    fs::remove(dir / "status.txt");
    WriteBytes(dir / "full.sh", "cd '" + dir.string() +
                                    "'\nmount -t tmpfs -o size=64k none full || exit 99\n"
                                    "cp seed/* full/\nhead -c 1M /dev/zero > full/fill\n" +
                                    line + "\n");
    const int raw =
        std::system(("unshare -rm sh '" + (dir / "full.sh").string() + "' 2> /dev/null").c_str());
    return WIFEXITED(raw) && WEXITSTATUS(raw) != 99 && fs::exists(dir / "status.txt");
}

// On a full disk no output of a run replaces the file it was to replace: the
// trace, the image, the simulator's chip and the port file in --config-dir each
// keep the old file, say so once, and fail the run; none is kept elsewhere.
TEST_F(CliFiles, OnAFullDiskEveryOutputKeepsTheOldFile) {
    const std::string old(8000, 'o'); // more than the disk has left once it is full
    fs::create_directories(dir / "seed");
    for (const char* name : {"trace.txt", "read.bin", "saved.bin", "quorbit6.ini"})
        WriteBytes(dir / "seed" / name, old);
    for (const auto& [args, file] : std::vector<std::pair<std::string, std::string>>{
             {"--config-dir .. --trace ../full/trace.txt " + std::string(kRead) + "x.bin",
              "trace.txt"},
             {"--config-dir .. " + std::string(kRead) + "../full/read.bin", "read.bin"},
             {"--config-dir .. --sim-chip 27C256 --sim-save ../full/saved.bin blank -d 27C256",
              "saved.bin"},
             {"--config-dir ../full detect", "quorbit6.ini"}}) {
        SCOPED_TRACE(args);
        if (!OnAFullDisk(dir.path(), "(cd work && XDG_CONFIG_HOME=../xdg timeout 20 '" +
                                         std::string(QUORBIT_CLI_PATH) + "' " + args +
                                         ") > out.txt 2> err.txt; echo $? > status.txt; cp full/" +
                                         file + " kept; ls -A full > names.txt"))
            GTEST_SKIP() << "no small file system can be mounted here";
        const std::string err = ReadBytes(dir / "err.txt");
        EXPECT_EQ(ReadBytes(dir / "status.txt"), "2\n") << ReadBytes(dir / "out.txt") << err;
        EXPECT_EQ(Count(err, "No space left on device; the file there before is left as it was"),
                  1u)
            << err;
        EXPECT_EQ(ReadBytes(dir / "kept"), old);
        EXPECT_EQ(Count(ReadBytes(dir / "names.txt"), "\n"), 5u) << ReadBytes(dir / "names.txt");
        EXPECT_FALSE(fs::exists(dir / "xdg"));
    }
}

TEST_F(CliFiles, AnUnusableConfigFolderIsNamedOnceAndNothingIsDone) {
    WriteBytes(dir / "plain-file", "");
    const std::string env = "XDG_CONFIG_HOME='" + (dir / "xdg").string() + "'";
    for (const std::string& folder : {(dir / "missing").string(), (dir / "plain-file").string()}) {
        const std::string command = "cd '" + (dir / "work").string() + "' && " + env +
                                    " timeout 20 '" QUORBIT_CLI_PATH "' --config-dir '" + folder +
                                    "' --trace trace.txt detect > /dev/null 2> '" +
                                    (dir / "e.txt").string() + "'";
        const int raw = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(raw), 2);
        const std::string err = ReadBytes(dir / "e.txt");
        EXPECT_EQ(Count(err, "--config-dir " + folder + ": "), 1u) << err;
        // Not kept somewhere the operator did not name, and the board not touched.
        EXPECT_FALSE(fs::exists(dir / "xdg" / "quorbit" / "quorbit6.ini"));
        EXPECT_FALSE(fs::exists(dir / "work" / "trace.txt"));
    }
}

TEST_F(CliFiles, APortBaseThatWouldWrapPastFFFFIsRefused) {
    WriteBytes(dir / "quorbit6.ini", "[QUORBIT6 SETUP]\r\nIO_PORT = FFFF\r\nMODEL = 6 \r\n");
    const Result r = Run("--trace trace.txt detect");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const std::string trace = ReadBytes(dir / "work" / "trace.txt");
    EXPECT_EQ(trace.find(" FFFF "), std::string::npos);
    EXPECT_EQ(trace.find("O 1 "), std::string::npos);
    EXPECT_EQ(trace.find("O 0 "), std::string::npos);
    EXPECT_NE(ReadBytes(dir / "quorbit6.ini").find("IO_PORT = 378"), std::string::npos);
}

TEST_F(CliFiles, NoTwoOptionsMayNameOneFile) {
    // Each command's file options, pointed two at a time at one file under two
    // spellings: refused before anything is opened, the file left as it was,
    // unless both only read it.
    struct Role {
        const char* option; // "" for the positional image
        const char* spelling;
    };
    const Role image{"", "img.bin"}, output{"-o ", "./img.bin"},
        trace{"--trace ", "../work/img.bin"}, simImage{"--sim-image ", "img.bin"},
        simSave{"--sim-save ", "link.bin"};
    fs::create_symlink("img.bin", Work("link.bin"));
    struct Command {
        const char* verb;
        std::vector<Role> roles;
    };
    for (const Command& c : {Command{"program -d 27C256 --yes", {image, trace, simImage, simSave}},
                             Command{"read -d 27C256", {output, trace, simImage, simSave}}}) {
        for (std::size_t a = 0; a < c.roles.size(); ++a) {
            for (std::size_t b = a + 1; b < c.roles.size(); ++b) {
                WriteBytes(dir / "work" / "img.bin", PatternImage());
                std::string args = "--sim-chip 27C256 " + std::string(c.verb);
                for (const std::size_t i : {a, b})
                    args += std::string(" ") + c.roles[i].option + c.roles[i].spelling;
                if (c.roles[0].option == output.option && a != 0) args += " -o other.bin";
                SCOPED_TRACE(args);
                const auto reads = [&](const Role& role) {
                    return std::string(role.option) == image.option ||
                           std::string(role.option) == simImage.option;
                };
                const bool bothRead = reads(c.roles[a]) && reads(c.roles[b]);
                const Result r = Run(args);
                EXPECT_EQ(ReadBytes(Work("img.bin")), PatternImage());
                if (bothRead) {
                    EXPECT_EQ(r.status, 0) << r.out << r.err; // the chip holds the image
                    continue;
                }
                EXPECT_EQ(r.status, 2) << r.out << r.err;
                EXPECT_TRUE(r.ErrHas("name the same file")) << r.err;
                EXPECT_EQ(ReadBytes(Work("img.bin")), PatternImage());
                EXPECT_FALSE(fs::exists(Work("other.bin")));
            }
        }
    }
}

// The same rule for a file the run learns of from a setup: the setup's code
// file may not be written by the trace, the simulator's save or the read, and a
// slot restored, changed and saved again is one file read whole, then replaced.
TEST_F(CliFiles, NoOutputMayNameTheCodeFileOfASetup) {
    WriteBytes(dir / "work" / "code.bin", PatternImage());
    ASSERT_EQ(Run("setup save 2 -d 27C256 -f code.bin").status, 0);
    for (const std::string output : {"--trace code.bin", "--sim-save ./code.bin"}) {
        for (const std::string verb : {"--yes program", "blank", "read -o other.bin"}) {
            const Result r = Run("--setup 2 --sim-chip 27C256 " + output + " " + verb);
            EXPECT_EQ(r.status, 2) << output << " " << verb << r.out << r.err;
            EXPECT_TRUE(r.ErrHas("--setup 2's code file " + Work("code.bin"))) << r.err;
            EXPECT_TRUE(r.ErrHas("name the same file")) << r.err;
            EXPECT_EQ(ReadBytes(Work("code.bin")), PatternImage());
        }
    }
    Result r = Run("--setup 2 --sim-chip 27C256 read -o code.bin");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_TRUE(r.ErrHas("-o code.bin and --setup 2's code file")) << r.err;
    EXPECT_EQ(ReadBytes(Work("code.bin")), PatternImage());
    EXPECT_FALSE(fs::exists(Work("other.bin")));
    r = Run("--trace QBSetup2.INI --setup 2 setup save 3");
    EXPECT_EQ(r.status, 2) << r.out;
    r = Run("--setup 2 setup save 2 --speed 10");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(ReadBytes(Work("QBSetup2.INI")).find("Slider1.Value = 10"), std::string::npos);
}

TEST_F(CliFiles, AnImageOnStandardOutputNeverCarriesTheTrace) {
    // Standard output is a file here, so /dev/stdout is that file.
    Result r = Run(std::string("--trace /dev/stdout ") + kRead + "-");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(r.ErrHas("--trace /dev/stdout and -o - name the same file")) << r.err;
    EXPECT_TRUE(r.out.empty());
    // Another name of standard output, a pipe here, carries the image as "-" does:
    // the log lines go to standard error.
    const std::string piped = "cd '" + (dir / "work").string() + "' && { timeout 20 '" +
                              QUORBIT_CLI_PATH "' --config-dir '" + dir.path().string() + "' " +
                              kRead + "/dev/stdout 2> '" + (dir / "e.txt").string() +
                              "'; echo $? > '" + (dir / "status.txt").string() + "'; } | cat > '" +
                              (dir / "piped.bin").string() + "'";
    ASSERT_EQ(std::system(piped.c_str()), 0);
    EXPECT_EQ(ReadBytes(dir / "status.txt"), "0\n") << ReadBytes(dir / "e.txt");
    EXPECT_EQ(ReadBytes(dir / "piped.bin"), PatternImage());
    EXPECT_NE(ReadBytes(dir / "e.txt").find(">  File Sucessfully Saved as /dev/stdout\n"),
              std::string::npos)
        << ReadBytes(dir / "e.txt");
    // "-" is standard error, not a file of that name.
    r = Run(std::string("--trace - ") + kRead + "-");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, PatternImage());
    EXPECT_TRUE(r.ErrHas("\nO 378 40\n")) << r.err.substr(0, 200);
    EXPECT_FALSE(fs::exists(Work("-")));
}

// A port link that breaks is a failure of the run (exit 1) whenever it breaks: at
// the start, while the command looks for the board, or midway through the chip
// command. A trace that cannot be written is an output lost (exit 2).
TEST_F(CliFiles, EachFailureIsPrintedOnceOnErrorAndOnceInTheLog) {
    struct Case {
        std::string args;
        std::string failure;
        int status = 1;
    };
    const std::string dies = "-b 'exec:sh " QUORBIT_TEST_HELPERS "/dies_after_one_read.sh' ";
    const std::string chatty = "-b 'exec:echo zz; cat > /dev/null' ";
    // A board that dies after 20000 reads: well into the blank check of a 27C256.
    const std::string diesMidway = "-b 'exec:" QUORBIT_SIM_BOARD_CHILD " 6 11 20000' ";
    WriteBytes(dir / "work" / "x.bin", PatternImage());
    for (const Case& c :
         {Case{"-b exec:true detect", "child 'true' exited with status 0"},
          Case{"-b exec:false blank -d 2", "child 'false' exited with status 1"},
          Case{"--trace /dev/full detect", "No space left on device", 2},
          // The link breaking while the command looks for the board: the command
          // ends there, not with a second report and a wrong reason.
          Case{dies + "read -d 27C256 -o x.bin", "exited with status 3"},
          Case{chatty + "read -d 27C256 -o x.bin", "printed 'zz' without being asked"},
          Case{chatty + "--port 378 --model 6 program -d 27C256 x.bin --yes",
               "printed 'zz' without being asked"},
          Case{diesMidway + "blank -d 27C256", "exited with status 3"}}) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(Count(r.err, c.failure), 1u) << c.args << "\n" << r.err;
        EXPECT_EQ(Count(r.out, c.failure), 1u) << c.args << "\n" << r.out;
        EXPECT_EQ(Count(r.out, ">  Operation stopped: "), 1u) << r.out;
        EXPECT_FALSE(r.ErrHas("is not available")) << r.err;
        EXPECT_FALSE(r.ErrHas("Please select the device")) << r.err;
    }
}

TEST_F(CliFiles, AGrandchildOfTheExecChildIsStoppedWithIt) {
    // The child starts a process that keeps its output open, then exits.
    const Result r = Run("-b 'exec:sleep 60 & echo $! > grandchild.pid; exit 0' detect");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("exited with status 0")) << r.out;
    EXPECT_FALSE(r.OutHas("did not answer")) << r.out;
    const pid_t grandchild = std::atoi(ReadBytes(dir / "work" / "grandchild.pid").c_str());
    ASSERT_GT(grandchild, 0);
    bool gone = false;
    for (int i = 0; i < 300 && !gone; ++i) {
        gone = ExitedOrZombie(grandchild);
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!gone) ::kill(grandchild, SIGKILL);
    EXPECT_TRUE(gone) << "process " << grandchild << " still running";
}

} // namespace
} // namespace quorbit::test
