// The exact irreducibility test over Q: moduli that split modulo every
// prime yet are irreducible, and products of every shape.
#include <gtest/gtest.h>

#include "gcd/rat_irreducible.h"
#include "numbers/modular_state.h"
#include "poly/polyvars.h"
#include "gcd_test_support.h"

using namespace tolmex;
using namespace polytest;

namespace {

using gcdtest::P;

TEST(RatIrreducible, SplittingEverywhereIsNotSplittingOverQ) {
    Ring z(0);
    use_vars(1);
    const P x = gcdtest::var(1);
    PolyVar* v = polynames;
    // Irreducible over Q, reducible modulo every prime.
    EXPECT_TRUE(rat_irreducible((( x ^ 4) + P(1)).get(), v));
    EXPECT_TRUE(rat_irreducible(((x ^ 4) - P(10) * (x ^ 2) + P(1)).get(), v));
    // Irreducible and irreducible modulo some primes.
    EXPECT_TRUE(rat_irreducible(((x ^ 2) - P(2)).get(), v));
    EXPECT_TRUE(rat_irreducible(((x ^ 6) + (x ^ 3) + P(1)).get(), v));
    EXPECT_TRUE(rat_irreducible((x + P(5)).get(), v));
    // Reducible: linear factors, two quadratics (Sophie Germain), a square.
    EXPECT_FALSE(rat_irreducible(((x ^ 2) - P(1)).get(), v));
    EXPECT_FALSE(rat_irreducible(((x ^ 4) + P(4)).get(), v));
    EXPECT_FALSE(rat_irreducible((((x ^ 2) + P(1)) ^ 2).get(), v));
    EXPECT_FALSE(rat_irreducible((((x ^ 3) - P(2)) * ((x ^ 3) + x + P(7))).get(), v));
    EXPECT_EQ(lintmode, 0);
}

}  // namespace
