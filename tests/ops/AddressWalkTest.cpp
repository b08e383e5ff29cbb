// The shared address walk: every byte of the chip exactly once, in address order,
// with the registers that address it.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "ops/AddressWalk.h"

namespace quorbit::test {
namespace {

/// Walks `bytes` bytes and checks that byte n is visited n-th, with bank and page
/// counters that match its address.
void ExpectEveryByteOnceInOrder(App& app, std::int32_t bytes) {
    std::int32_t visited = 0;
    bool inOrder = true;
    const Board& b = app.board;
    const bool complete = WalkDevice(app, bytes, [&](std::uint8_t) {
        inOrder = inOrder && b.Address == visited && b.AdrBank == visited / 65536 &&
                  b.AdrPage == (visited % 65536) / 256 && b.Reg2Shadow == visited % 256;
        ++visited;
        return true;
    });
    EXPECT_TRUE(complete);
    EXPECT_EQ(visited, bytes);
    EXPECT_TRUE(inOrder);
}

TEST(AddressWalk, CoversEveryCatalogSizeAndSizesThatAreNotAPowerOfTwo) {
    ChipRig r;
    for (std::int32_t kb : {4, 32, 64, 128, 1024})
        ExpectEveryByteOnceInOrder(r.app, kb * 1024);
    // 96 KB: the first bank is whole, only the last one ends early.
    ExpectEveryByteOnceInOrder(r.app, 96 * 1024);
    ExpectEveryByteOnceInOrder(r.app, 65536 + 256);
}

TEST(AddressWalk, StopsAtTheFirstRefusedByte) {
    ChipRig r;
    std::int32_t visited = 0;
    EXPECT_FALSE(WalkDevice(r.app, 4096, [&](std::uint8_t) { return ++visited < 300; }));
    EXPECT_EQ(visited, 300);
    EXPECT_EQ(r.app.board.Address, 299);
}

} // namespace
} // namespace quorbit::test
