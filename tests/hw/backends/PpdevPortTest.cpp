#include "hw/backends/PpdevPort.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "Fakes.h"
#include "hw/backends/BackendTestSupport.h"
#include "session/Backend.h"

namespace quorbit::test {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

std::string OpenError(const BackendOptions& options) {
    try {
        OpenBackend(options);
    } catch (const PortError& e) {
        return e.what();
    }
    return "(opened)";
}

TEST(PpdevPort, NoDeviceAtAllNamesEachDeviceAndTheDriverToLoad) {
    BackendOptions options = Backend("ppdev");
    options.ppdev378 = "/nonexistent/parport0";
    options.ppdev278 = "/nonexistent/parport1";
    options.ppdev3BC = "/nonexistent/parport2";
    EXPECT_THAT(OpenError(options),
                AllOf(HasSubstr("/nonexistent/parport0 does not exist"),
                      HasSubstr("/nonexistent/parport1"), HasSubstr("/nonexistent/parport2"),
                      HasSubstr("modprobe ppdev")));
}

TEST(PpdevPort, NamedDeviceServesOnlyThatOne) {
    const std::string error = OpenError(Backend("ppdev:/nonexistent/parport7"));
    EXPECT_THAT(error, HasSubstr("/nonexistent/parport7 does not exist"));
    EXPECT_THAT(error, Not(HasSubstr("/dev/parport1")));
    EXPECT_THAT(OpenError(Backend("ppdev:")), HasSubstr("name the device"));
}

TEST(PpdevPort, FileThatIsNoParallelPortIsToldApart) {
    EXPECT_THAT(OpenError(Backend("ppdev:/dev/null")),
                HasSubstr("/dev/null is not a parallel port device"));
}

TEST(PpdevPort, SameDeviceForTwoBasesIsClaimedOnce) {
    // Both bases name one missing device: it is tried (and reported) once only.
    BackendOptions options = Backend("ppdev");
    options.ppdev378 = "/nonexistent/parport0";
    options.ppdev278 = "/nonexistent/parport0";
    options.ppdev3BC = "/nonexistent/parport2";
    const std::string error = OpenError(options);
    const auto first = error.find("/nonexistent/parport0");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(error.find("/nonexistent/parport0", first + 1), std::string::npos) << error;
}

TEST(PpdevPortDeathTest, RefusedPermissionNamesTheDeviceAndGroupLp) {
    TempDir dir;
    const auto device = dir / "parport0";
    WriteBytes(device, "");
    std::filesystem::permissions(device, std::filesystem::perms::none);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    EXPECT_EXIT(
        {
            if (!DropRootPrivileges()) std::_Exit(4);
            std::cerr << OpenError(Backend("ppdev:" + device.string()));
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(3), "parport0: permission denied.*group lp");
}

} // namespace
} // namespace quorbit::test
