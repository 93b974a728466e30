// Running out of memory in the storage layer: refused allocations end in
// error 375 and change nothing; the accounting of heap arrays; giving free
// records back to their stash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/alloc_faults.h"
#include "base/errors.h"
#include "raised.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

// Disarms the countdown when a test ends, whatever happened.
struct Disarm {
    ~Disarm() { refuse_allocation(0); }
};

struct Rec {
    Rec* link;
    int value;
};

}  // namespace

TEST(Exhaustion, RefusedSlugLeavesTheStashAsItWas) {
    Disarm d;
    Stash* s = open_stash(16, "refusal test stash");
    ASSERT_NE(s, nullptr);
    testing::internal::CaptureStdout();
    refuse_allocation(1);
    EXPECT_EQ(get_slug(s), nullptr);
    const std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("out of memory while trying to accesss stash refusal test stash"),
              std::string::npos);
    EXPECT_NE(report.find("STASH NAME: number of blocks, number of slugs, slugs_used, slug_size"),
              std::string::npos);
    EXPECT_EQ(s->num_blocks, 0);
    EXPECT_EQ(s->slugs_used, 0);
    // Refused once only: the next request is served.
    EXPECT_NE(get_slug(s), nullptr);
    EXPECT_EQ(s->slugs_used, 1);
}

TEST(Exhaustion, PoolsAndHeapRecordsRaise375) {
    Disarm d;
    if (!polystash) open_node_pools(NodeSizes{16, 20, 8, 20, 12});
    FreeList empty;
    testing::internal::CaptureStdout();
    refuse_allocation(1);
    EXPECT_EQ(unit::raised_code([&] { pool_alloc<Rec>(empty, polystash); }), kErrOutOfMemory);
    testing::internal::GetCapturedStdout();
    refuse_allocation(1);
    EXPECT_EQ(unit::raised_code([&] { heap_alloc<Rec>(empty); }), kErrOutOfMemory);
    // A record on the list is handed out without asking for memory.
    Rec r{};
    empty.push(&r);
    refuse_allocation(1);
    EXPECT_EQ(heap_alloc<Rec>(empty), &r);
    refuse_allocation(0);
}

TEST(Exhaustion, StickyRefusalLastsUntilDisarmed) {
    Disarm d;
    refuse_allocation(3, true);
    EXPECT_FALSE(allocation_refused());
    EXPECT_FALSE(allocation_refused());
    EXPECT_TRUE(allocation_refused());
    EXPECT_TRUE(allocation_refused());
    EXPECT_EQ(checked_malloc(8), nullptr);
    refuse_allocation(0);
    EXPECT_FALSE(allocation_refused());
    void* p = checked_malloc(8);
    EXPECT_NE(p, nullptr);
    std::free(p);
}

TEST(Exhaustion, ResultsBeyondTheCeilingAreRefused) {
    const uint64_t ceiling = memory_ceiling();
    EXPECT_GT(ceiling, uint64_t{1} << 20);
    EXPECT_EQ(unit::raised_code([] { require_memory(1e30); }), kErrOutOfMemory);
    EXPECT_EQ(unit::raised_code([&] { require_memory(2.0 * static_cast<double>(ceiling)); }),
              kErrOutOfMemory);
    // What might fit is never refused.
    EXPECT_EQ(unit::raised_code([] { require_memory(4096); }), -1);
    EXPECT_EQ(unit::raised_code([&] { require_memory(0.5 * static_cast<double>(ceiling)); }), -1);
}

// The room left counts the pools and the heap arrays against the budget,
// beyond 32 bits, and is 0 (never wrapped) once they use more.
TEST(Accounting, MemavailCountsHeapArraysAndNeverWraps) {
    if (!polystash) open_node_pools(NodeSizes{16, 20, 8, 20, 12});
    const uint64_t saved_budget = totalavailablememory, saved_heap = heap_array_bytes;
    totalavailablememory = 8000000000ull;
    const uint64_t before = memavail();
    EXPECT_GT(before, uint64_t{1} << 32);
    heap_array_bytes += 6000000;
    EXPECT_EQ(memavail(), before - 6000000);
    heap_array_bytes += 8000000000ull;
    EXPECT_EQ(memavail(), 0u);
    heap_array_bytes = saved_heap;
    totalavailablememory = 0;
    get_slug(polystash);
    EXPECT_EQ(memavail(), 0u);
    totalavailablememory = saved_budget;
}

TEST(Accounting, GivingBackReturnsOnlySlugsOfTheStash) {
    Stash* s = open_stash(24, "give-back test stash");
    ASSERT_NE(s, nullptr);
    FreeList list;
    std::vector<void*> heap;
    for (int i = 0; i < 10; ++i) list.push(get_slug(s));
    // Records made on the heap, mixed in, as the free lists may hold.
    for (int i = 0; i < 3; ++i) {
        heap.push_back(std::malloc(24));
        list.push(heap.back());
    }
    for (int i = 0; i < 5; ++i) list.push(get_slug(s));
    EXPECT_EQ(s->slugs_used, 15);
    EXPECT_EQ(give_back_to_stash(s, list), 15);
    EXPECT_EQ(s->slugs_used, 0);
    // Only the heap records are left on the list.
    EXPECT_EQ(list.count(), 3);
    while (void* p = list.pop()) {
        EXPECT_NE(std::find(heap.begin(), heap.end(), p), heap.end());
        std::free(p);
    }
    // A second time there is nothing to give: the count stays at 0.
    EXPECT_EQ(give_back_to_stash(s, list), 0);
    EXPECT_EQ(s->slugs_used, 0);
}
