// The port/model file: its format, lenient reading, and where it is kept.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "Fakes.h"
#include "app/SystemServices.h"
#include "hw/SafeFile.h"
#include "link/Detection.h"
#include "link/PortFile.h"
#include "session/Options.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

TEST(PortFileFormat, WritesTheFourLinesAndReadsThemBack) {
    const std::string text = FormatPortFile(0x3BC, 6, LocalTime{2026, 3, 4, 5, 6, 7});
    EXPECT_EQ(text, "[QUORBIT6 SETUP]\r\nDATE = 03-04-2026 05:06:07\r\nIO_PORT = 3BC\r\n"
                    "MODEL =  6 \r\n");
    const auto back = ParsePortFile(text);
    EXPECT_EQ(back.port, 0x3BC);
    EXPECT_EQ(back.model, 6);
    EXPECT_EQ(back.keys, "PORTMODEL");
    EXPECT_FALSE(back.fastPort);

    // The window's fast port option is a fifth line, and not a key naming the board.
    const std::string fast = FormatPortFile(0x378, 5, LocalTime{2026, 3, 4, 5, 6, 7}, true);
    EXPECT_EQ(fast, FormatPortFile(0x378, 5, LocalTime{2026, 3, 4, 5, 6, 7}) + "FAST_PORT = 1\r\n");
    EXPECT_TRUE(ParsePortFile(fast).fastPort);
    EXPECT_EQ(ParsePortFile(fast).keys, "PORTMODEL");
    EXPECT_FALSE(ParsePortFile("FAST_PORT = 0\r\n").fastPort);
}

TEST(PortFileFormat, ReadsLeniently) {
    // Any order, LF-only lines, junk lines, trailing garbage after the numbers.
    auto p = ParsePortFile("junk\nMODEL = 5xyz\nDATE = whenever\nIO_PORT = 278 and more\n");
    EXPECT_EQ(p.port, 0x278);
    EXPECT_EQ(p.model, 5);
    EXPECT_EQ(p.keys, "MODELPORT");

    p = ParsePortFile("IO_PORT = \r\nMODEL = \r\n"); // empty numbers are 0
    EXPECT_EQ(p.port, 0);
    EXPECT_EQ(p.model, 0);

    p = ParsePortFile("io_port = 378\nMODEL=6\n"); // keys are matched exactly
    EXPECT_FALSE(p.port);
    EXPECT_FALSE(p.model);
    EXPECT_EQ(p.keys, "");

    p = ParsePortFile("IO_PORT = 378\nIO_PORT = 3bc\n"); // a key twice: last wins
    EXPECT_EQ(p.port, 0x3BC);
    EXPECT_EQ(p.keys, "PORTPORT");

    EXPECT_EQ(LenientDecimal("  5.5"), 6); // nearest integer, halves to even
    EXPECT_EQ(LenientDecimal("4.5"), 4);
    EXPECT_EQ(LenientDecimal("99999999999999"), 0); // no model, no overflow
    EXPECT_EQ(LenientHex("FFFFFFFFFF"), 0);
    EXPECT_EQ(ParsePortFile(std::string("IO_PORT = 3\0BC", 14)).port, 3);
}

TEST(PortFileAtStartUp, BothKeysMeanNoScan) {
    Rig rig(5, 0x278);
    WriteBytes(rig.dir / "app" / "quorbit6.ini", "MODEL = 5\r\nIO_PORT = 278\r\n");
    App& app = *rig.app;
    Form_Load(app);
    EXPECT_EQ(app.board.BoardModel, 5);
    EXPECT_EQ(app.board.DataPort, 0x278);
    EXPECT_EQ(app.board.RegSelect[0], 0x05);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "MODEL 5 - PC port 278h");
    EXPECT_TRUE(app.ui.LPTSelection[1].selected());
    EXPECT_EQ(app.ui.SystemLog.caption, ""); // start-up ends with an empty log
    // The file was rewritten with a fresh date.
    const std::string rewritten = ReadBytes(rig.dir / "app" / "quorbit6.ini");
    EXPECT_NE(rewritten.find("DATE = 12-08-2026"), std::string::npos);
}

TEST(PortFileAtStartUp, TheFastPortOptionIsKeptBesideTheBoard) {
    Rig rig(5, 0x278);
    const auto file = rig.dir / "app" / "quorbit6.ini";
    WriteBytes(file, "MODEL = 5\r\nIO_PORT = 278\r\nFAST_PORT = 1\r\n");
    App& app = *rig.app;
    Form_Load(app);
    // Read and kept; whether a run uses it is the window's choice, not the core's.
    EXPECT_EQ(app.DetectedPort, 0x278);
    EXPECT_TRUE(app.PortFileFastPort);
    EXPECT_FALSE(app.board.FastPort);
    EXPECT_NE(ReadBytes(file).find("FAST_PORT = 1"), std::string::npos);

    Fire(app.ui.FastPortAccess.onClick);
    EXPECT_TRUE(app.board.FastPort);
    EXPECT_EQ(app.ui.FastPortAccess.value, 1);
    Fire(app.ui.FastPortAccess.onClick);
    EXPECT_FALSE(app.board.FastPort);
    EXPECT_EQ(app.ui.FastPortAccess.value, 0);
    EXPECT_EQ(ReadBytes(file).find("FAST_PORT"), std::string::npos);
    EXPECT_NE(app.ui.SystemLog.caption.find("Fast port access switched OFF"), std::string::npos);
    Form_Load(app);
    EXPECT_FALSE(app.PortFileFastPort);
    EXPECT_EQ(app.DetectedPort, 0x278);
}

TEST(PortFileAtStartUp, OnlyOneKeyLeavesTheBoardUnshown) {
    Rig rig(6);
    WriteBytes(rig.dir / "app" / "quorbit6.ini", "IO_PORT = 3BC\r\n");
    App& app = *rig.app;
    Form_Load(app);
    // A port was read, so no scan runs; but nothing is shown.
    EXPECT_EQ(app.board.DataPort, 0x3BC);
    EXPECT_EQ(app.DetectedPort, 0);
    EXPECT_EQ(app.board.BoardModel, 0);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "NO HARDWARE FOUND !!!");
    EXPECT_EQ(app.ui.readyLamp.caption, "NotReady");
}

TEST(PortFileAtStartUp, ABaseWhoseRegistersWouldPassFFFFIsRefused) {
    auto port = std::make_unique<RecordingPort>();
    RecordingPort& recorder = *port;
    Rig rig(std::move(port));
    App& app = *rig.app;
    for (const char* base : {"FFFF", "FFFE"}) {
        WriteBytes(rig.dir / "app" / "quorbit6.ini",
                   std::string("IO_PORT = ") + base + "\r\nMODEL = 6\r\n");
        rig.ClearLog();
        recorder.log.clear();
        LoadPortFile(app);
        EXPECT_EQ(app.board.DataPort, 0) << base;
        EXPECT_EQ(app.PortFileKeys, "MODEL");
        EXPECT_EQ(rig.LogLines(),
                  std::vector<std::string>{std::string("Port file IO_PORT = ") + base +
                                           " refused: its status and control ports would pass "
                                           "FFFF"});
        EXPECT_TRUE(recorder.Writes().empty()) << base;
    }
    // The highest base that fits is taken.
    EXPECT_TRUE(PortBaseFits(0xFFFD));
    EXPECT_FALSE(PortBaseFits(0xFFFE));
}

TEST(PortFileAtStartUp, GarbageFileFallsBackToAScan) {
    Rig rig(6);
    WriteBytes(rig.dir / "app" / "quorbit6.ini", std::string("\x01\xFF\x00garbage\n\n", 12));
    App& app = *rig.app;
    Form_Load(app);
    EXPECT_EQ(app.board.BoardModel, 6);
    EXPECT_EQ(app.board.DataPort, 0x378);
}

TEST(PortFileAtStartUp, UnreadableFileIsReportedAndTheScanStillRuns) {
    Rig rig(6);
    std::filesystem::create_directories(rig.dir / "app" / "quorbit6.ini"); // a folder
    App& app = *rig.app;
    Form_Load(app);
    ASSERT_FALSE(rig.dialogs.boxes.empty());
    EXPECT_NE(rig.dialogs.boxes[0].text.find("quorbit6.ini"), std::string::npos);
    EXPECT_EQ(app.board.BoardModel, 6);
}

TEST(PortFileAtStartUp, PipeInPlaceOfTheFileIsReportedNotReadFrom) {
    // Reading a pipe waits for a writer that may never come; a device may never end.
    Rig rig(6);
    const auto file = rig.dir / "app" / "quorbit6.ini";
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    // A second name for the pipe: the saved port file may replace the first.
    const auto pipe = rig.dir / "pipe";
    ASSERT_EQ(::link(file.c_str(), pipe.c_str()), 0);
    std::thread writer([&file] {
        std::ofstream out(file, std::ios::binary);
        out << "IO_PORT = 278\r\nMODEL = 5\r\n";
    });
    App& app = *rig.app;
    Form_Load(app);
    // Let the writer go whether or not the start-up read it.
    const int release = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    if (release >= 0) ::close(release);

    ASSERT_FALSE(rig.dialogs.boxes.empty());
    EXPECT_NE(rig.dialogs.boxes[0].text.find("quorbit6.ini"), std::string::npos);
    EXPECT_NE(rig.dialogs.boxes[0].text.find("not a plain file"), std::string::npos);
    EXPECT_EQ(app.board.BoardModel, 6); // the ports were scanned instead
    EXPECT_EQ(app.board.DataPort, 0x378);
    // Nor is the pipe replaced by the saved file: that goes to the per-user folder.
    EXPECT_TRUE(std::filesystem::is_fifo(file));
    EXPECT_TRUE(std::filesystem::is_regular_file(rig.dir / "user" / "quorbit6.ini"));
}

TEST(PortFileLocation, ReadOnlyProgramFolderUsesThePerUserFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    Rig rig(6);
    ::chmod((rig.dir / "app").c_str(), 0555);
    Form_Load(*rig.app);
    ::chmod((rig.dir / "app").c_str(), 0755);
    EXPECT_TRUE(std::filesystem::exists(rig.dir / "user" / "quorbit6.ini"));
}

TEST(PortFileLocation, MissingProgramFolderUsesThePerUserFolder) {
    Rig rig(6);
    std::filesystem::remove_all(rig.dir / "app");
    Form_Load(*rig.app);
    EXPECT_TRUE(std::filesystem::exists(rig.dir / "user" / "quorbit6.ini"));
    // The next start reads it back from there: no scan is needed.
    Rig second(6);
    second.app->svc.portFileFolder = rig.app->svc.portFileFolder;
    second.app->svc.userConfigFolder = rig.app->svc.userConfigFolder;
    Form_Load(*second.app);
    EXPECT_EQ(second.app->PortFileKeys, "PORTMODEL");
}

TEST(PortFileLocation, AnInstalledProgramsFolderIsNeverChosenWhateverTheRights) {
    TempDir dir;
    const auto program = dir / "lib" / "quorbit";
    const std::string user = (dir / "user").string();
    std::filesystem::create_directories(program);
    // A build or unpacked folder keeps the file beside the program.
    EXPECT_EQ(PortFileFolder(program.string(), "", user), program.string());
    // The install's marker makes it the system's folder, writable or not.
    std::ofstream(program / kInstalledMarkerName) << "installed\n";
    ASSERT_TRUE(InstalledProgramFolder(program.string()));
    EXPECT_EQ(::access(program.c_str(), W_OK), 0);
    EXPECT_EQ(PortFileFolder(program.string(), "", user), user);
    // A folder named on the command line still wins, and is the only one: an
    // unusable one does not send the file somewhere the operator did not name.
    const auto chosen = dir / "chosen";
    std::filesystem::create_directories(chosen);
    EXPECT_EQ(PortFileFolder(program.string(), chosen.string(), user), chosen.string());
    EXPECT_EQ(PortFileFolder(program.string(), (dir / "missing").string(), user),
              (dir / "missing").string());
    // A folder of that name is no marker.
    std::filesystem::remove(program / kInstalledMarkerName);
    std::filesystem::create_directories(program / kInstalledMarkerName);
    EXPECT_EQ(PortFileFolder(program.string(), "", user), program.string());
}

TEST(PortFileLocation, ConfigDirMovesThePortFileButNotTheProgramsSoundsAndHelp) {
    TempDir dir;
    GlobalOptions options;
    options.configDir = dir.path().string();
    const OpenedBackend opened = OpenBackend(options.backend);
    const Services services = BackendServices(opened, options);
    EXPECT_EQ(services.portFileFolder, dir.path().string());
    EXPECT_EQ(services.appFolder, ExecutableFolder());
}

TEST(PortFileLocation, UnwritableEverywhereIsReportedNotFatal) {
    Rig rig(6);
    // Neither candidate folder takes a byte.
    App& app = *rig.app;
    {
        const InjectedWriteFailure diskFull(ENOSPC);
        Form_Load(app);
    }
    EXPECT_EQ(app.board.BoardModel, 6);
    bool reported = false;
    for (const auto& box : rig.dialogs.boxes)
        reported |= box.text.find("Could not save the port and model file") != std::string::npos;
    EXPECT_TRUE(reported);
}

} // namespace
} // namespace quorbit::test
