// The measure of the room left on the stack.
#include <gtest/gtest.h>

#include <cstddef>

#include "base/stack.h"

using namespace tolmex;

namespace {

// Recurses with frames of about 1 KB until the stack is nearly full;
// returns the depth reached, and the room seen at each of the first levels.
__attribute__((noinline)) int descend(int depth, size_t* rooms, int keep) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth < keep) rooms[depth] = stack_room();
    if (stack_nearly_full() || depth > 100000) return depth;
    const int reached = descend(depth + 1, rooms, keep);
    return reached + frame[0] - frame[0];  // the frame outlives the call
}

}  // namespace

TEST(Stack, RoomShrinksWithDepthAndTheReserveStopsBeforeTheLimit) {
    // A limit far below the real stack, so that running out is only measured.
    constexpr size_t kLimit = size_t{1} << 20;
    note_stack_start(kLimit);
    EXPECT_GT(stack_room(), kLimit - 4096);
    EXPECT_FALSE(stack_nearly_full());
    size_t rooms[8] = {};
    const int depth = descend(0, rooms, 8);
    for (int i = 1; i < 8; ++i) EXPECT_LT(rooms[i] + 1000, rooms[i - 1]) << i;
    // The reserve is a quarter of a 1 MB limit: between 600 and 800 frames
    // of 1 KB fit in the other three quarters (frames are a little larger).
    EXPECT_GT(depth, 400);
    EXPECT_LT(depth, 800);
    EXPECT_FALSE(stack_nearly_full());  // back at the start
}

TEST(Stack, TheReserveIsAtLeast128KAndAtMost1M) {
    note_stack_start(size_t{256} << 10);  // a quarter would be 64 KB
    EXPECT_FALSE(stack_nearly_full());    // 256 KB left, 128 KB kept
    note_stack_start(size_t{100} << 10);  // less room than the reserve
    EXPECT_TRUE(stack_nearly_full());
    note_stack_start(size_t{64} << 20);   // a quarter would be 16 MB
    EXPECT_FALSE(stack_nearly_full());
}
