#include "hw/backends/DirectPort.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "hw/backends/BackendTestSupport.h"

namespace quorbit::test {
namespace {

TEST(DirectPortDeathTest, ReachingThePortsWithoutRootSaysWhatIsNeeded) {
#if defined(__x86_64__) || defined(__i386__)
    // Without root the kernel refuses; where it has no port I/O at all, it says so.
    const char* expected = "ports 378h-37Ah was refused .*(needs root|does not offer raw port I/O)";
#else
    const char* expected = "only on x86 Linux";
#endif
    EXPECT_EXIT(
        {
            if (!DropRootPrivileges()) std::_Exit(4);
            try {
                DirectPort port;
            } catch (const PortError& e) {
                std::cerr << e.what();
                std::_Exit(3);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(3), expected);
}

} // namespace
} // namespace quorbit::test
