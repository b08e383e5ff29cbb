// quorbit-cli run as a separate program against the simulated board.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

#include "Fakes.h"

namespace quorbit::test {
namespace {

struct CliResult {
    int status;
    std::string out;
};

CliResult RunCli(const std::string& args, const TempDir& dir) {
    const std::string command = std::string(QUORBIT_CLI_PATH) + " --config-dir " +
                                dir.path().string() + " " + args + " 2>&1";
    CliResult r{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> chunk{};
    while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe))
        r.out += chunk.data();
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

TEST(CliDetect, FindsTheSimulatedBoardAndPrintsTheLogLines) {
    TempDir dir;
    const auto r = RunCli("--sim-model 5 --sim-port 3BC detect", dir);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(">  Port Selection changed to 3BCh\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(">  QUORBIT-5 Device was FOUND at Port: 3BC\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "quorbit6.ini"));
    // Where the port file went is told outside the log lines.
    const std::string where = "Port and model saved in " + (dir / "quorbit6.ini").string() + "\n";
    EXPECT_NE(r.out.find(where), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(">  Port and model saved"), std::string::npos) << r.out;
}

TEST(CliDetect, NoBoardExitsWithOne) {
    TempDir dir;
    const auto r = RunCli("--sim-model 0 detect", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Can't Locate Quorbit Board at Any LPT port."), std::string::npos);
}

TEST(CliDetect, ForcedModelOnAChosenPort) {
    TempDir dir;
    const auto r = RunCli("--sim-model 0 --port 278 --model 4 detect", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Port Selection changed to 278h"), std::string::npos);
    EXPECT_NE(r.out.find("QUORBIT-4 Device was FORCED by Operator"), std::string::npos);
}

TEST(CliDetect, PortIsReadLikeTheSimulatorsPortInAnyLetterCase) {
    TempDir dir;
    for (const char* port : {"3Bc", "0x3bc", "3BCH", "3bch"}) {
        const auto r =
            RunCli(std::string("--sim-model 0 --model 4 --port ") + port + " detect", dir);
        EXPECT_EQ(r.status, 0) << port << ": " << r.out;
        EXPECT_NE(r.out.find("Port Selection changed to 3BCh"), std::string::npos) << port;
    }
    const auto r = RunCli("--port 37 detect", dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("378, 278, 3BC or a card's base from 100 to FFF8"), std::string::npos)
        << r.out;
}

TEST(CliDetect, ForcedModelWithoutAnyPortIsNoUsableBoard) {
    // Nothing found and no port chosen: the chip commands would all be refused.
    TempDir dir;
    const auto r = RunCli("--sim-model 0 --model 5 detect", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("--port"), std::string::npos) << r.out;
}

TEST(CliDetect, BadUsageExitsWithTwo) {
    TempDir dir;
    EXPECT_EQ(RunCli("--model 7 detect", dir).status, 2);
    EXPECT_EQ(RunCli("--backend nonsense detect", dir).status, 2);
    EXPECT_EQ(RunCli("--sim-port FFFC detect", dir).status, 2); // past the last card base
    EXPECT_EQ(RunCli("--sim-chip NoSuchChip detect", dir).status, 2);
    EXPECT_EQ(RunCli("frobnicate", dir).status, 2);
}

} // namespace
} // namespace quorbit::test
