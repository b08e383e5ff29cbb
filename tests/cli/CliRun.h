#pragma once
// Runs the real quorbit-cli in a temporary folder and collects what it printed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Fakes.h"

namespace quorbit::test {

struct CliResult {
    int status = -1;
    std::string out, err;
    [[nodiscard]] bool OutHas(const std::string& text) const {
        return out.find(text) != std::string::npos;
    }
    [[nodiscard]] bool ErrHas(const std::string& text) const {
        return err.find(text) != std::string::npos;
    }
};

struct CliInTempDir : ::testing::Test {
    TempDir dir;

    void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        WriteBytes(dir / name, std::string(bytes.begin(), bytes.end()));
    }
    [[nodiscard]] std::vector<std::uint8_t> FileBytes(const std::string& name) const {
        const std::string text = ReadBytes(dir / name);
        return {text.begin(), text.end()};
    }

    [[nodiscard]] std::string Path(const std::string& name) const { return (dir / name).string(); }

    /// Runs the program in the temporary folder with the port file kept there too;
    /// `prefix` goes before it on the shell line (variables, a pipe's first half).
    [[nodiscard]] CliResult Run(const std::string& args, const std::string& prefix = "") const {
        const std::string command = "cd '" + dir.path().string() + "' && " + prefix +
                                    "'" QUORBIT_CLI_PATH "' --config-dir '" + dir.path().string() +
                                    "' " + args + " > stdout.txt 2> stderr.txt";
        CliResult r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadBytes(dir / "stdout.txt");
        r.err = ReadBytes(dir / "stderr.txt");
        return r;
    }
};

} // namespace quorbit::test
