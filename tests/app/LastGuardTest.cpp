#include "app/LastGuard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace quorbit::test {
namespace {

TEST(LastGuard, NothingLeavesMainAsAnAbort) {
    std::ostringstream err;
    EXPECT_EQ(RunWithLastGuard([] { return 1; }, err, "quorbit-cli"), 1);
    EXPECT_EQ(err.str(), "");
    // What current_path() throws in a deleted folder, if anything still asked for it.
    const auto gone = []() -> int {
        throw std::filesystem::filesystem_error(
            "cannot get current path", std::make_error_code(std::errc::no_such_file_or_directory));
    };
    EXPECT_EQ(RunWithLastGuard(gone, err, "quorbit-cli"), 2);
    EXPECT_EQ(err.str().rfind("quorbit-cli: ", 0), 0u);
    EXPECT_NE(err.str().find("cannot get current path"), std::string::npos);
    std::ostringstream other;
    EXPECT_EQ(RunWithLastGuard([]() -> int { throw 42; }, other, "quorbit"), 2);
    EXPECT_EQ(other.str(), "quorbit: stopped by an unexpected error\n");
}

} // namespace
} // namespace quorbit::test
