// The dense evaluation GCD: over Z on operands whose first primes are
// unlucky, over Z/p against the other methods, the poly's dense view, and
// the cases where the method must decline. Random operands of every ring
// are in the driver's property test.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/mod_images.h"
#include "gcd_test_support.h"
#include "poly/poly_coefs.h"
#include "poly/poly_dense_view.h"
#include "reference_gcd.h"

using namespace tolmex;
using namespace polytest;
using namespace gcdtest;

namespace {

// x1 + x2 + 1 + k x2.
P shifted(int64_t k) { return var(1) + var(2) + P(1) + P(k) * var(2); }

TEST(DenseGcd, UnluckyFirstPrimesAreOutvoted) {
    Ring ring(0);
    use_vars(2);
    const std::vector<int32_t>& primes = gcdimpl::modular_prime_supply();
    const int64_t p0 = primes[0], p1 = primes[1];
    const P x = var(1), y = var(2);
    const P c = (x ^ 5) + P(3) * (y ^ 4) * x + P(7) * y + P(1);
    // Modulo the first two primes the cofactors agree, so their images have
    // a spurious factor; a later prime shows the true degree.
    const P a = c * shifted(0), b = c * shifted(p0 * p1);
    Poly g;
    ASSERT_TRUE(dense_mod_method(a.get(), b.get(), g));
    check_against_reference(g.get(), a.get(), b.get(), c.get(), 2);
    // A leading number divisible by the first prime: that prime is skipped.
    const P d = P(p0) * (x ^ 2) + y + P(1);
    const P e = d * (x + P(2) * y), f = d * ((y ^ 3) + x);
    ASSERT_TRUE(dense_mod_method(e.get(), f.get(), g));
    check_against_reference(g.get(), e.get(), f.get(), d.get(), 2);
}

TEST(DenseGcd, LargeCoefficientsNeedManyPrimes) {
    POLYTEST_SEED_TRACE();
    Ring ring(0);
    use_vars(3);
    const P x = var(1), y = var(2), z = var(3);
    const P g = ((x + y + z + P(1)) ^ 25) + x * y * z;  // coefficients near 10^11
    const P a = g * (((x - y) ^ 12) + P(1)), b = g * (((y + P(2) * z) ^ 12) + x);
    Poly h;
    ASSERT_TRUE(dense_mod_method(a.get(), b.get(), h));
    EXPECT_TRUE(same_poly(h.get(), g.get(), 3)) << text(h.get(), 3);
}

TEST(DenseGcd, ContentsInTheLastVariableAndCoprimeOperands) {
    Ring ring(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    // The GCD (y^2 + 1)(x + y) has a factor free of x.
    const P c = ((y ^ 2) + P(1)) * (x + y);
    const P a = c * (x * y + P(2)) * (y + P(3)), b = c * ((x ^ 2) - y) * (y - P(3));
    Poly g;
    ASSERT_TRUE(dense_mod_method(a.get(), b.get(), g));
    check_against_reference(g.get(), a.get(), b.get(), c.get(), 2);
    ASSERT_TRUE(dense_mod_method((x * y + P(1)).get(), ((x ^ 2) + y).get(), g));
    EXPECT_TRUE(poly_eq_1(g.get()));
}

TEST(DenseGcd, ModularModeAgreesWithTheOtherMethods) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 91);
    for (int32_t m : {1009, 32003, 2147483629}) {
        Ring ring(m);
        for (int nvars = 2; nvars <= 3; ++nvars) {
            use_vars(nvars);
            SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nvars));
            Poly c = random_factor(rng, nvars, true, 1);
            Poly a = product(c.get(), random_factor(rng, nvars, true, 1).get());
            Poly b = product(c.get(), random_factor(rng, nvars, false, 1).get());
            Poly g, h;
            ASSERT_TRUE(dense_modp_method(a.get(), b.get(), g));
            check_against_reference(g.get(), a.get(), b.get(), c.get(), nvars);
            ASSERT_TRUE(mod_multivar_Chinese(a.get(), b.get(), h, polynames));
            EXPECT_TRUE(poly_equal(g.get(), h.get()));
            // For a method that checks its own result only H is
            // interpolated, until a point leaves it unchanged.
            TrustImages trust;
            ASSERT_TRUE(dense_modp_method(a.get(), b.get(), h));
            EXPECT_TRUE(poly_equal(g.get(), h.get()));
        }
    }
}

TEST(DenseGcd, DeclinesWhatItCannotAfford) {
    Ring ring(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    Poly g;
    // Too sparse for its array: two terms spread over 10^6 entries.
    const P sparse = ((x ^ 1000) * (y ^ 999) + P(1)) * (x + y);
    EXPECT_FALSE(dense_mod_method(sparse.get(), ((x + y) * (x - y)).get(), g));
    // One variable is the other methods' business.
    use_vars(1);
    EXPECT_FALSE(dense_mod_method(((var(1) ^ 2) - P(1)).get(), (var(1) - P(1)).get(), g));
    // Modular mode is refused over Z and vice versa, and small fields.
    Ring small(7);
    use_vars(2);
    const P u = var(1) * var(2) + P(1), v = (var(1) ^ 20) + (var(2) ^ 20) + var(1);
    EXPECT_FALSE(dense_mod_method(u.get(), v.get(), g));
    EXPECT_FALSE(dense_modp_method(u.get(), v.get(), g));
}

TEST(DenseView, WalkAndRebuildAreInverse) {
    Ring ring(0);
    use_vars(3);
    const P x = var(1), y = var(2), z = var(3);
    const P p = P(5) * (x ^ 3) * z + (y ^ 2) + P(-4) * x * (z ^ 2) + P(9) + y * z;
    std::vector<int32_t> extent;
    ASSERT_TRUE(poly_dense_extents(p.get(), 3, extent));
    EXPECT_EQ(extent, (std::vector<int32_t>{4, 3, 3}));
    std::vector<std::pair<int64_t, Number>> terms;
    poly_dense_walk(p.get(), extent, [&](int64_t k, const Number& c) {
        Number copy;
        num_assign(c, copy);
        terms.emplace_back(k, std::move(copy));
    });
    // Visited from the lexicographically largest term down: 5 x^3 z first.
    ASSERT_EQ(terms.size(), 5u);
    EXPECT_EQ(terms.front().first, (3 * 3 + 0) * 3 + 1);
    EXPECT_EQ(terms.back().first, 0);
    for (size_t i = 1; i < terms.size(); ++i) EXPECT_LT(terms[i].first, terms[i - 1].first);
    Poly back(poly_from_dense(extent, [&](int64_t k, Number& c) {
        for (auto& [i, v] : terms)
            if (i == k) return num_assign(v, c), true;
        return false;
    }));
    EXPECT_TRUE(poly_equal(back.get(), p.get())) << text(back.get(), 3);
    Poly zero(poly_from_dense(extent, [](int64_t, Number&) { return false; }));
    EXPECT_TRUE(poly_iszero(zero.get()));
}

}  // namespace
