// quorbit-cli --estimate: the counts it prints are the ones a trace of the same
// run adds up to, and the time follows from them and the step length.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <regex>
#include <sstream>
#include <sys/wait.h>

#include "Fakes.h"

namespace quorbit::test {
namespace {

struct Run {
    int status = -1;
    std::string out;
};

Run RunCli(const TempDir& dir, const std::string& args) {
    const std::string command = "cd '" + dir.path().string() +
                                "' && '" QUORBIT_CLI_PATH "' --config-dir '" + dir.path().string() +
                                "' " + args + " 2>/dev/null";
    Run r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> chunk{};
    while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe))
        r.out += chunk.data();
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

struct Counts {
    long long accesses = -1, sleepMs = -1, steps = -1;
    long long pulseSteps = 0; // steps of a length of their own ("D <steps> <ns>")
    double pulseSeconds = 0;  // and the time they make
};

Counts FromEstimate(const std::string& out, double& seconds, long long& stepNs) {
    Counts c;
    std::smatch m;
    if (std::regex_search(out, m, std::regex("Port accesses: (\\d+)\n")))
        c.accesses = std::stoll(m[1]);
    if (std::regex_search(out, m, std::regex("Timed waits: (\\d+) ms\n")))
        c.sleepMs = std::stoll(m[1]);
    if (std::regex_search(out, m, std::regex("Counted steps: (\\d+)\n")))
        c.steps = std::stoll(m[1]);
    if (std::regex_search(
            out, m, std::regex("Pulse steps: (\\d+) \\(([0-9.]+) s at their own lengths\\)\n"))) {
        c.pulseSteps = std::stoll(m[1]);
        c.pulseSeconds = std::stod(m[2]);
    }
    seconds = -1;
    stepNs = -1;
    if (std::regex_search(out, m,
                          std::regex("Estimated time on a real port: ([0-9.]+) s \\(1 us per "
                                     "access, (\\d+) ns per step\\)\n"))) {
        seconds = std::stod(m[1]);
        stepNs = std::stoll(m[2]);
    }
    return c;
}

Counts FromTrace(const std::string& trace) {
    Counts c{0, 0, 0};
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("O ", 0) == 0 || line.rfind("I ", 0) == 0)
            ++c.accesses;
        else if (line.rfind("S ", 0) == 0)
            c.sleepMs += std::stoll(line.substr(2));
        else if (line.rfind("D ", 0) == 0) {
            std::istringstream fields(line.substr(2));
            long long steps = 0, stepNs = 0;
            fields >> steps;
            if (fields >> stepNs) {
                c.pulseSteps += steps;
                c.pulseSeconds += static_cast<double>(steps * stepNs) * 1e-9;
            } else {
                c.steps += steps;
            }
        } else
            ADD_FAILURE() << "unexpected trace line " << line;
    }
    return c;
}

void ExpectEstimateMatchesTrace(const std::string& args, long long stepNs,
                                const std::vector<std::uint8_t>& image = {}) {
    TempDir dir;
    if (!image.empty()) WriteBytes(dir / "image.bin", std::string(image.begin(), image.end()));
    const Run r = RunCli(dir, "--trace trace.txt " + args);
    ASSERT_EQ(r.status, 0) << r.out;
    double seconds = 0;
    long long printedStep = 0;
    const Counts printed = FromEstimate(r.out, seconds, printedStep);
    const Counts traced = FromTrace(ReadBytes(dir / "trace.txt"));
    EXPECT_GT(traced.accesses, 0);
    if (!image.empty()) {
        EXPECT_GT(traced.pulseSteps, 0) << "a program gives pulses";
    }
    EXPECT_EQ(printed.accesses, traced.accesses) << r.out;
    EXPECT_EQ(printed.sleepMs, traced.sleepMs);
    EXPECT_EQ(printed.steps, traced.steps);
    EXPECT_EQ(printed.pulseSteps, traced.pulseSteps);
    EXPECT_NEAR(printed.pulseSeconds, traced.pulseSeconds, 0.0015);
    EXPECT_EQ(printedStep, stepNs);
    const double expected = static_cast<double>(traced.accesses) * 1e-6 +
                            static_cast<double>(traced.sleepMs) * 1e-3 +
                            static_cast<double>(traced.steps * stepNs) * 1e-9 + traced.pulseSeconds;
    EXPECT_NEAR(seconds, expected, 0.0015);
}

TEST(CliEstimate, CountsMatchTheTraceOfTheSameRun) {
    ExpectEstimateMatchesTrace("--sim-chip 27C256 --sim-image fill:00 --estimate read -d 27C256 "
                               "-o chip.bin",
                               25);
    // After the verb too, with another step length: the same counts, another time.
    ExpectEstimateMatchesTrace("--sim-chip 2764 blank -d 2764 --step-ns 500 --estimate", 500);
    // A program: its pulses' steps have a length of their own, told apart.
    std::vector<std::uint8_t> image(256);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7);
    ExpectEstimateMatchesTrace("--sim-chip 27C256 --estimate --yes program -d 27C256 image.bin", 25,
                               image);
}

TEST(CliEstimate, ABadStepLengthIsBadUsage) {
    TempDir dir;
    EXPECT_EQ(RunCli(dir, "--step-ns 0 --estimate devices").status, 2);
    EXPECT_EQ(RunCli(dir, "--step-ns x blank -d 27C256").status, 2);
}

} // namespace
} // namespace quorbit::test
