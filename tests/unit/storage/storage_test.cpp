// Node pools, free lists and the accounting report.
#include <gtest/gtest.h>

#include <vector>

#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

using namespace tolmex;

// A fresh stash serves its slugs from one block until it is used up, then
// from a second; a freed slug is served again first.
TEST(Stash, BlocksAreUsedUpThenFreedSlugsReused) {
    Stash* s = open_stash(20, "test stash");
    ASSERT_NE(s, nullptr);
    char* a = static_cast<char*>(get_slug(s));
    EXPECT_EQ(s->num_blocks, 1);
    const int64_t per_block = s->num_slugs;
    while (s->slugs_used < per_block) get_slug(s);
    EXPECT_EQ(s->num_blocks, 1);
    get_slug(s);
    EXPECT_EQ(s->num_blocks, 2);
    EXPECT_EQ(s->num_slugs, 2 * per_block);
    free_slug(s, a);
    EXPECT_EQ(get_slug(s), a);
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
