// quorbit-cli with HEX and S-record images, pipes, a card's port base and the
// JSON progress stream, against the simulated board.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "Fakes.h"
#include "buffers/RecordText.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

struct Result {
    int status = -1;
    std::string out, err;
};

struct FormatsCli : ::testing::Test {
    TempDir dir;
    std::vector<std::uint8_t> chip = sim::RandomContents(32768, 77);

    FormatsCli() { WriteBytes(dir / "chip.bin", std::string(chip.begin(), chip.end())); }

    /// Runs a shell line in the temporary folder; QCLI stands for the program with
    /// its port file kept there and a 27C256 holding chip.bin in the socket.
    Result Run(const std::string& line) const {
        const std::string cli = "'" QUORBIT_CLI_PATH "' --config-dir '" + dir.path().string() +
                                "' --sim-chip 27C256 --sim-image chip.bin";
        std::string command = line;
        for (std::size_t at; (at = command.find("QCLI")) != std::string::npos;)
            command.replace(at, 4, cli);
        command =
            "cd '" + dir.path().string() + "' && (" + command + ") > stdout.txt 2> stderr.txt";
        Result r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadBytes(dir / "stdout.txt");
        r.err = ReadBytes(dir / "stderr.txt");
        return r;
    }
};

TEST_F(FormatsCli, ReadAsHexAndSRecordThenVerifyEach) {
    for (const char* format : {"ihex", "srec"}) {
        Result r = Run(std::string("QCLI read -d 27C256 --format ") + format + " -o image.txt");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string file = ReadBytes(dir / "image.txt");
        EXPECT_EQ(file[0], std::string(format) == "ihex" ? ':' : 'S');
        r = Run("QCLI verify -d 27C256 image.txt"); // the content tells the format
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr("Device Contents MATCHES with Buffer Contents"));
    }
    // Forced raw, the record text is an image longer than the chip: refused.
    const Result r = Run("QCLI verify -d 27C256 --format raw image.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.out, HasSubstr("bytes) but the Eprom 27C256 holds 32768 bytes"));
}

TEST_F(FormatsCli, BadRecordIsExitTwoNamingFileAndLine) {
    std::string text = IntelLine(0, 0, {1, 2}) + IntelLine(0, 2, {3, 4}) + IntelEnd();
    text[text.find("\r\n:") + 5] = 'Z'; // a non-hex character in line 2
    WriteBytes(dir / "bad.hex", text);
    Result r = Run("QCLI verify -d 27C256 bad.hex");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.out, HasSubstr("The Intel HEX file bad.hex was not loaded: line 2: "));
    // A wrong checksum is named with the one the record gives and the right one.
    for (const auto& [name, lines] :
         {std::pair<std::string, std::string>{"sum.hex", IntelLine(0, 0, {1, 2}) +
                                                             ":020002000304FF\r\n" + IntelEnd()},
          {"sum.s19", SLine('1', 2, 0, {1, 2}) + "S1050002030400\r\n" + SEnd()}}) {
        WriteBytes(dir / name, lines);
        r = Run("QCLI verify -d 27C256 " + name);
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_THAT(r.out, HasSubstr(" file " + name + " was not loaded: line 2: checksum " +
                                     (name == "sum.hex" ? "FFh, but the record's bytes give F5h"
                                                        : "00h, but the record's bytes give F1h")));
    }
    // Blanks at the end of a line, as editors leave them, are no part of the record.
    std::string padded = IntelLine(0, 0x100, {chip[0x100], chip[0x101]}) + IntelEnd();
    padded.insert(padded.find("\r\n"), " \t ");
    padded.insert(padded.rfind("\r\n"), "  ");
    WriteBytes(dir / "padded.hex", padded);
    r = Run("QCLI verify -d 27C256 padded.hex");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("Compared where the image holds bytes: 100-101"));
}

TEST_F(FormatsCli, ARecordFileWithStrayLinesOrCutShortProgramsNothing) {
    const std::string whole = IntelLine(0, 0, {1, 2}) + IntelLine(0, 2, {3, 4}) + IntelEnd();
    WriteBytes(dir / "commented.hex", "# from the build\r\n" + whole);
    WriteBytes(dir / "cut.hex", whole.substr(0, whole.find(":0000")));
    WriteBytes(dir / "binary.hex", std::string(chip.begin(), chip.end()));
    for (const auto& [file, reason] :
         {std::pair<std::string, std::string>{"commented.hex", "line 1: not a record"},
          {"cut.hex", "it has no end record (:00000001FF): the file is cut short"},
          {"binary.hex", "not an Intel HEX file: no line of it is a record"}}) {
        const Result r = Run("QCLI --sim-save saved.bin --yes program -d 27C256 " + file);
        EXPECT_EQ(r.status, 2) << file;
        EXPECT_THAT(r.out, HasSubstr("The Intel HEX file " + file + " was not loaded: " + reason));
        EXPECT_EQ(ReadBytes(dir / "saved.bin"), std::string(chip.begin(), chip.end())) << file;
    }
}

TEST_F(FormatsCli, StandardOutputCarriesTheImageAndStandardInputTakesIt) {
    Result r = Run("QCLI read -d 27C256 -o - > piped.bin");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir / "piped.bin"), std::string(chip.begin(), chip.end()));
    EXPECT_THAT(r.err, HasSubstr("32768 bytes Read from Device")); // log lines moved aside
    r = Run("QCLI read -d 27C256 --format srec -o - | QCLI verify -d 27C256 -");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Device Contents MATCHES with Buffer Contents"));
    r = Run("printf 'not an image' | QCLI verify -d 27C256 --format ihex -");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.out, HasSubstr("The Intel HEX file - was not loaded: "));
}

TEST_F(FormatsCli, BoardOnACardBaseIsFoundAndRead) {
    Result r = Run("QCLI --sim-port D100 --port D100 read -d 27C256 -o card.bin");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("QUORBIT-6 Device was FOUND at Port: D100"));
    EXPECT_EQ(ReadBytes(dir / "card.bin"), std::string(chip.begin(), chip.end()));
    r = Run("QCLI --sim-port D100 --port FFFF detect");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("100 to FFF8"));
}

TEST_F(FormatsCli, JsonProgressParsesLineByLineAndEndsWithTheResult) {
    Result r = Run("QCLI --progress json read -d 27C256 -o out.bin");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.err);
    std::string line, last;
    int count = 0;
    long long previousDone = -1;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] != '{') continue;
        ++count;
        EXPECT_THAT(line, MatchesRegex(R"re(\{"op":"read","done":[0-9]+,"total":32768,)re"
                                       R"re("elapsed_ms":[0-9]+(,"result":"(ok|failed)")?\})re"));
        const long long done = std::stoll(line.substr(line.find("\"done\":") + 7));
        EXPECT_GE(done, previousDone);
        previousDone = done;
        last = line;
    }
    EXPECT_GE(count, 1);
    EXPECT_THAT(last, HasSubstr(R"("done":32768)"));
    EXPECT_THAT(last, HasSubstr(R"("result":"ok"})"));

    WriteBytes(dir / "other.bin", std::string(32768, '\x00'));
    r = Run("QCLI verify -d 27C256 --progress json other.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err.substr(r.err.rfind('{')), HasSubstr(R"("result":"failed"})"));
}

} // namespace
} // namespace quorbit::test
