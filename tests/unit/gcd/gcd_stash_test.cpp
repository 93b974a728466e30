// The GCD stash: hits on repetition, the look-up order of the operands,
// emptying on a change of ring, the purge within the memory budget, the
// depth of pending entries.
#include <gtest/gtest.h>

#include "gcd/gcd_stash.h"
#include "gcd_test_support.h"
#include "poly/poly_gcd_support.h"
#include "raised.h"
#include "storage/accounting.h"

using namespace tolmex;
using namespace polytest;
using namespace gcdtest;

namespace {

class GcdStash : public ::testing::Test {
protected:
    void SetUp() override {
        load_aux_primes();
        free_gcd_stash();
        gcd_tally = {};
        lookupgcd = 1;
        memory_ = initial_memory;
    }
    void TearDown() override {
        lookupgcd = 0;
        initial_memory = memory_;
        free_gcd_stash();
    }
    uint64_t memory_ = 0;
};

// A pair whose GCD goes through the stash (primitive parts of more than 200
// nodes together) and is found cheaply: b divides a.
struct Pair {
    P a, b, c;
};
Pair stashable_pair(int shift) {
    use_vars(2);
    const P x = var(1), y = var(2);
    const P c = (x + P(2) * y + P(shift)) ^ 12;
    return {c * (x - y + P(2)), c, c};
}

TEST_F(GcdStash, RepetitionHitsAndTheResultIsTheSame) {
    Ring z(0);
    Pair p = stashable_pair(1);
    Poly first = gcd_of(p.a.get(), p.b.get());
    EXPECT_TRUE(is_gcd_of_multiples(first.get(), p.a.get(), p.b.get(), p.c.get()));
    EXPECT_EQ(gcd_tally.stash_hits, 0);
    const int64_t mass = gcd_stash_mass();
    EXPECT_GT(mass, 0);
    EXPECT_EQ(mass, mass_gcd_stash());
    Poly again = gcd_of(p.a.get(), p.b.get());
    EXPECT_EQ(gcd_tally.stash_hits, 1);
    EXPECT_TRUE(poly_equal(first.get(), again.get()));
    // The operands the other way round find the same entry.
    Poly swapped = gcd_of(p.b.get(), p.a.get());
    EXPECT_EQ(gcd_tally.stash_hits, 2);
    EXPECT_EQ(gcd_stash_mass(), mass);
    EXPECT_EQ(polygcd_stack_depth, 0);
    // Off: nothing filed.
    free_gcd_stash();
    lookupgcd = 0;
    Poly off = gcd_of(p.a.get(), p.b.get());
    EXPECT_EQ(gcd_stash_mass(), 0);
}

TEST_F(GcdStash, ModularKeysAreMonicAndAChangeOfModulusEmpties) {
    int64_t before = 0;
    {
        Ring m(32003);
        Pair p = stashable_pair(3);
        Poly g1 = gcd_of(p.a.get(), p.b.get());
        before = gcd_stash_mass();
        EXPECT_GT(before, 0);
        EXPECT_EQ(prev_modulus, 32003);
        // Scaled by units the pair has the same monic key.
        Poly a3, b5;
        scalar_by_poly(int_number(3), p.a.get(), a3);
        scalar_by_poly(int_number(5), p.b.get(), b5);
        Poly g2 = gcd_of(a3.get(), b5.get());
        EXPECT_EQ(gcd_tally.stash_hits, 1);
        EXPECT_TRUE(poly_equal(g1.get(), g2.get()));
    }
    {
        Ring m(32009);
        Pair p = stashable_pair(3);
        Poly g = gcd_of(p.a.get(), p.b.get());
        EXPECT_EQ(gcd_tally.stash_hits, 1);  // nothing filed under 32003 answered
        EXPECT_EQ(prev_modulus, 32009);
        EXPECT_GT(gcd_stash_mass(), 0);
        EXPECT_EQ(gcd_stash_mass(), mass_gcd_stash());
    }
    // Switching stashing on again under another ring empties the table.
    Ring z(0);
    gcd_stash_switched_on();
    EXPECT_EQ(gcd_stash_mass(), 0);
    EXPECT_EQ(prev_modulus, -1);
}

TEST_F(GcdStash, PurgeKeepsWithinTheBudget) {
    Ring z(0);
    use_vars(2);
    // Fill several chains directly, then shrink the budget.
    std::vector<GcdStashSlot> slots;
    for (int k = 0; k < 40; ++k) {
        Pair p = stashable_pair(k + 10);
        GcdStashSlot slot;
        EXPECT_FALSE(gcdhash(p.a.get(), p.b.get(), slot));
        GcdStashSlot again;
        EXPECT_TRUE(gcdhash(p.b.get(), p.a.get(), again));
        EXPECT_EQ(slot.node, again.node);
    }
    const int64_t full = mass_gcd_stash();
    EXPECT_EQ(full, gcdmass);
    initial_memory = static_cast<uint64_t>(full);  // now more than half of it is used
    purge_gcd_stash(-1);
    EXPECT_LE(gcdmass, full * 2 / 3);
    EXPECT_EQ(gcdmass, mass_gcd_stash());
    // The next look-up purges before filing (stack depth 0).
    initial_memory = static_cast<uint64_t>(gcdmass);
    Pair p = stashable_pair(99);
    GcdStashSlot slot;
    gcdhash(p.a.get(), p.b.get(), slot);
    const int64_t entry =
        int64_t{big_node_total(p.a.get()) + big_node_total(p.b.get())} * int64_t{sizeof(PolyNode) / 4};
    EXPECT_LE(gcdmass - entry, static_cast<int64_t>(initial_memory) * 2 / 3);
    EXPECT_EQ(gcdmass, mass_gcd_stash());
}

TEST_F(GcdStash, PendingEntriesAndTheirDepth) {
    Ring z(0);
    Pair p = stashable_pair(5);
    Poly g;
    GcdStashSlot slot;
    EXPECT_FALSE(gcd_stash_find(p.a.get(), p.b.get(), g, slot, 200));
    EXPECT_EQ(polygcd_stack_depth, 1);
    gcd_stash_store(slot, p.c.get());
    EXPECT_EQ(polygcd_stack_depth, 0);
    EXPECT_TRUE(gcd_stash_find(p.a.get(), p.b.get(), g, slot, 200));
    EXPECT_TRUE(poly_equal(g.get(), p.c.get()));
    // Below the cutoff nothing is looked up.
    EXPECT_FALSE(gcd_stash_find(p.c.get(), p.c.get(), g, slot, 100000));
    EXPECT_EQ(slot.node, nullptr);
    // An entry of an emptied stash is never filed.
    Pair q = stashable_pair(6);
    EXPECT_FALSE(gcd_stash_find(q.a.get(), q.b.get(), g, slot, 200));
    free_gcd_stash();
    EXPECT_EQ(lookupgcd, 0);
    gcd_stash_store(slot, q.c.get());
    EXPECT_EQ(gcd_stash_mass(), 0);
    lookupgcd = 1;
    // A depth that would go negative is an internal error.
    EXPECT_FALSE(gcd_stash_find(q.a.get(), q.b.get(), g, slot, 200));
    polygcd_stack_depth = 0;
    EXPECT_EQ(unit::raised_code([&] { gcd_stash_store(slot, q.c.get()); }), 0);
}

}  // namespace
