// Node pools, free lists, accounting, work arrays and bit sets.
#include <gtest/gtest.h>

#include <vector>

#include "base/errors.h"
#include "base/resets.h"
#include "raised.h"
#include "storage/accounting.h"
#include "storage/bitset.h"
#include "storage/free_lists.h"
#include "storage/stash.h"
#include "storage/work_arrays.h"

using namespace tolmex;

TEST(Stash, SlugSizesRoundUpToWords) {
    EXPECT_EQ(slug_size_for(1), 4);
    EXPECT_EQ(slug_size_for(4), 4);
    EXPECT_EQ(slug_size_for(13), 16);
}

TEST(Stash, FirstSlugComesFromTheHighEndOfAFreshBlock) {
    Stash* s = open_stash(20, "test stash");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->slug_size, 20);
    char* a = static_cast<char*>(get_slug(s));
    EXPECT_EQ(s->num_blocks, 1);
    EXPECT_EQ(s->num_slugs, 26214);
    EXPECT_EQ(s->slugs_used, 1);
    char* b = static_cast<char*>(get_slug(s));
    EXPECT_EQ(a - b, 20);  // handed out downwards
    // The last slug carved sits at (n - 1) * size from the slug space start.
    char* space_start = a - 26213 * 20;
    // Walk every slug: none may leave the 512 KiB of slug space.
    int n = 2;
    char* last = b;
    while (n < 26214) {
        last = static_cast<char*>(get_slug(s));
        ++n;
    }
    EXPECT_EQ(last, space_start);
    EXPECT_EQ(s->num_blocks, 1);
    get_slug(s);  // the next one needs a second block
    EXPECT_EQ(s->num_blocks, 2);
    EXPECT_EQ(s->num_slugs, 2 * 26214);
    free_slug(s, a);
    EXPECT_EQ(s->slugs_used, 26214);
    EXPECT_EQ(get_slug(s), a);  // freed slugs are reused first
    endof_stash(s);
    // Its blocks went to the spare list; a new stash reuses them.
    Stash* t = open_stash(8, "second test stash");
    ASSERT_NE(t, nullptr);
    ASSERT_NE(extra_blocks, nullptr);
    get_slug(t);
    EXPECT_EQ(t->num_blocks, 1);
    endof_stash(t);
}

TEST(Stash, NullStashGivesNull) {
    EXPECT_EQ(get_slug(nullptr), nullptr);
    print_stash_stats(nullptr);  // prints nothing, must not crash
}

struct Rec {
    Rec* link;
    int value;
};

TEST(FreeList, PushPopAndSpliceAChain) {
    FreeList list;
    Rec r[5];
    for (int i = 0; i < 5; ++i) r[i].value = i;
    list.push(&r[0]);
    EXPECT_EQ(list.count(), 1);
    // Chain r1 -> r2 -> r3 spliced in one step in front of r0.
    r[1].link = &r[2];
    r[2].link = &r[3];
    list.splice(&r[1], &r[3]);
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.count(2), 2);  // capped walk
    EXPECT_EQ(static_cast<Rec*>(list.pop())->value, 1);
    EXPECT_EQ(static_cast<Rec*>(list.pop())->value, 2);
    EXPECT_EQ(static_cast<Rec*>(list.pop())->value, 3);
    EXPECT_EQ(static_cast<Rec*>(list.pop())->value, 0);
    EXPECT_EQ(list.pop(), nullptr);
}

TEST(Accounting, MemavailNeverWraps) {
    if (!polystash) open_node_pools(NodeSizes{16, 20, 8, 20, 12});
    uint64_t saved = totalavailablememory;
    totalavailablememory = 0;
    EXPECT_EQ(memavail(), 0u);
    get_slug(polystash);  // the pools now use more than the budget
    EXPECT_EQ(memavail(), 0u);
    totalavailablememory = 8000000000ull;  // beyond 32 bits
    uint64_t used = static_cast<uint64_t>(polystash->slug_size) * polystash->slugs_used;
    EXPECT_LE(memavail(), totalavailablememory);
    EXPECT_GE(memavail(), totalavailablememory - used - 1000000);
    totalavailablememory = saved;
}

TEST(Accounting, CappedWalksCountAtMostTheCap) {
    FreeList saved = numhead;
    std::vector<Rec> recs(70000);
    numhead = FreeList();
    for (auto& r : recs) numhead.push(&r);
    EXPECT_EQ(8 * numhead.count(60001), 480008);
    EXPECT_EQ(numhead.count(), 70000);
    numhead = saved;
}

TEST(Accounting, ReportAlwaysShowsTheHotLists) {
    testing::internal::CaptureStdout();
    garbage('g');
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("num count: "), std::string::npos);
    EXPECT_NE(out.find("im count: "), std::string::npos);
    EXPECT_NE(out.find("poly count: "), std::string::npos);
    EXPECT_NE(out.find("quoly count: "), std::string::npos);
    EXPECT_EQ(out.find("var count"), std::string::npos);  // empty list: no line
    EXPECT_NE(out.find("total garbage: "), std::string::npos);
    EXPECT_NE(out.find("system data size: "), std::string::npos);
    EXPECT_NE(out.find("total size: "), std::string::npos);
}

TEST(WorkArrays, TwentyFirstIsErrorEightyEightThenReuse) {
    first_available = 1;
    int k = 0;
    for (int i = 1; i <= 20; ++i) {
        new_worknode(k, "test");
        EXPECT_EQ(k, i);
    }
    void* first = workhead[0];
    EXPECT_EQ(unit::raised_code([&] { new_worknode(k, "test"); }), 88);
    // The return to the top level frees every work array; memory is kept.
    register_work_array_resets();
    run_resets(ResetPoint::TopLevel, 88);
    EXPECT_EQ(first_available, 1);
    new_worknode(k, "test");
    EXPECT_EQ(k, 1);
    EXPECT_EQ(workhead[0], first);
    free_work();
    EXPECT_EQ(first_available, 1);
}

TEST(BitSet, LayoutAndCapacity) {
    uint16_t set[16];
    PSet_Init(set, 16);
    PSet_Set(set, 16, 255);
    EXPECT_EQ(set[0], 0x8000);  // element 255 is bit 15 of word 0
    EXPECT_EQ(PSet_Test(set, 16, 255), 1);
    PSet_Set(set, 16, 3);
    EXPECT_EQ(set[15], 0x0008);
    EXPECT_EQ(PSet_Test(set, 16, 4), 0);
    EXPECT_EQ(PSet_Test(set, 16, 256), 0);
    PSet_Set(set, 16, 300);  // beyond the capacity: ignored
    EXPECT_EQ(PSet_Test(set, 16, 300), 0);
}
