// The backend options of quorbit-cli, end to end: what the operator sees when
// a backend cannot be had or breaks, and the exit status scripts rely on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "Fakes.h"
#include "cli/Cli.h"
#include "hw/backends/BackendTestSupport.h"

namespace quorbit::test {
namespace {

using ::testing::HasSubstr;

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun RunCli(std::vector<std::string> args) {
    TempDir dir; // an empty configuration folder: no port remembered
    args.insert(args.begin(), {"quorbit-cli", "--config-dir", dir.path().string()});
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    CliRun run;
    run.status = cli::Run(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(BackendCli, MissingParportDevicesExitWithStatus2AndTheFix) {
    const auto run =
        RunCli({"--backend", "ppdev", "--ppdev-378", "/nonexistent/parport0", "--ppdev-278",
                "/nonexistent/parport1", "--ppdev-3bc", "/nonexistent/parport2", "detect"});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("/nonexistent/parport0 does not exist"));
    EXPECT_THAT(run.err, HasSubstr("modprobe ppdev"));
}

TEST(BackendCli, ExecAgainstAnEmptyPortFindsNoBoard) {
    const auto run = RunCli({"--backend", "exec:" + HelperCommand("absent_board.sh"), "detect"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.out, HasSubstr("Port 378 Not Responding"));
    EXPECT_THAT(run.out, HasSubstr("Can't Locate Quorbit Board at Any LPT port."));
}

TEST(BackendCli, TraceFileThatCannotBeCreatedExitsWithStatus2) {
    const auto run = RunCli({"--trace", "/nonexistent-folder/t.txt", "detect"});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("Cannot open the trace file /nonexistent-folder/t.txt"));
}

TEST(BackendCli, UnknownBackendListsTheChoices) {
    const auto run = RunCli({"--backend", "lpt9", "detect"});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("use sim, ppdev[:/dev/parportN], direct or exec:COMMAND"));
}

} // namespace
} // namespace quorbit::test
