// Terms and coefficients in one chosen variable: the coefficients rebuild
// the poly, terms and degrees of a known poly, and the remainder in a chosen
// variable (pseudo-remainder over Z, true remainder modulo a prime).
#include <gtest/gtest.h>

#include <random>

#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"
#include "poly/poly_terms.h"
#include "poly_support.h"
#include "raised.h"

using namespace tolmex;
using namespace polytest;

namespace {

// 3 x1^2 x2 x3^2 + 5 x1^2 x3 + x2^4 - 7 x3 + 2
Poly sample() {
    Poly x = var_poly(1), y = var_poly(2), z = var_poly(3);
    Poly t1 = product(product(int_poly(3).get(), power(x.get(), 2).get()).get(),
                      product(y.get(), power(z.get(), 2).get()).get());
    Poly t2 = product(product(int_poly(5).get(), power(x.get(), 2).get()).get(), z.get());
    Poly t3 = power(y.get(), 4);
    Poly t4 = product(int_poly(-7).get(), z.get());
    return sum(sum(sum(t1.get(), t2.get()).get(), sum(t3.get(), t4.get()).get()).get(),
               int_poly(2).get());
}

Poly times_power(const PolyNode* p, int k, int32_t e) {
    Poly r;
    times_level_power(p, k, e, r);
    return r;
}

}  // namespace

TEST(PolyTerms, CoefficientsRebuildThePoly) {
    POLYTEST_SEED_TRACE();
    use_vars(3);
    std::mt19937_64 rng(seed());
    for (int32_t m : {0, 7}) {
        Ring ring(m);
        for (int round = 0; round < 10; ++round) {
            Poly p = random_poly(rng, Shape{3, 8, 4, 2, false});
            for (int k = 1; k <= 3; ++k) {
                Poly total = int_poly(0);
                for (int32_t e = 0; e <= 4; ++e) {
                    Poly c;
                    level_coefficient(p.get(), k, e, c);
                    ASSERT_TRUE(well_formed(c.get()));
                    EXPECT_FALSE(poly_involves_level(c.get(), k));
                    total = sum(total.get(), times_power(c.get(), k, e).get());
                }
                EXPECT_TRUE(same_poly(total.get(), p.get(), 3)) << "level " << k;
            }
        }
    }
}

TEST(PolyTerms, TermsDegreesAndCounts) {
    Ring ring(0);
    use_vars(3);
    Poly p = sample();
    EXPECT_EQ(total_degree(p.get()), 5);
    EXPECT_EQ(monomial_count(p.get()), 5);
    EXPECT_EQ(main_term_count(p.get()), 2);  // x1^2 (...) and the rest
    Poly lt, t2, t3, c;
    leading_term(p.get(), lt);
    EXPECT_EQ(text(lt.get(), 3), text(product(int_poly(3).get(), monomial_poly(int_number(1), {2, 1, 2}).get()).get(), 3));
    ASSERT_TRUE(main_term(p.get(), 2, t2));
    level_coefficient(p.get(), 1, 0, c);
    EXPECT_TRUE(same_poly(t2.get(), c.get(), 3));
    EXPECT_FALSE(main_term(p.get(), 3, t3));
    EXPECT_TRUE(poly_iszero(t3.get()));
    // A poly free of x1: its main variable is x2, with terms y^4 and the rest.
    Poly q = sum(power(var_poly(2).get(), 4).get(), var_poly(3).get());
    EXPECT_EQ(main_term_count(q.get()), 2);
    Poly inner;
    int level = 0;
    unwrap_main(q.get(), inner, level);
    EXPECT_EQ(level, 2);
    wrap_to_top(inner, level);
    EXPECT_TRUE(poly_equal(inner.get(), q.get()));
    EXPECT_EQ(monomial_count(int_poly(0).get()), 0);
    EXPECT_EQ(total_degree(int_poly(4).get()), 0);
}

TEST(PolyTerms, RemainderInAChosenVariable) {
    POLYTEST_SEED_TRACE();
    use_vars(2);
    std::mt19937_64 rng(seed() + 3);
    for (int32_t m : {0, 101}) {
        Ring ring(m);
        for (int round = 0; round < 10; ++round) {
            Poly a = random_poly(rng, Shape{2, 6, 5, 2, false});
            Poly b = sum(random_poly(rng, Shape{2, 3, 2, 1, false}).get(), power(var_poly(2).get(), 3).get());
            Poly r;
            level_remainder(a.get(), b.get(), 2, r);
            ASSERT_TRUE(well_formed(r.get()));
            EXPECT_LT(poly_involves_level(r.get(), 2) ? level_degree(r.get(), 2) : 0, level_degree(b.get(), 2));
            // lc^n a - r is a multiple of b: over Z n = deg a - deg b + 1,
            // modulo a prime the remainder is the true one (n = 0).
            Poly lc, scaled = Poly(copy_poly(a.get())), diff, q;
            level_coefficient(b.get(), 2, level_degree(b.get(), 2), lc);
            const int32_t n = m == 0 ? std::max(0, level_degree(a.get(), 2) - level_degree(b.get(), 2) + 1) : 0;
            for (int32_t i = 0; i < n; ++i) scaled = product(scaled.get(), lc.get());
            poly_sub(scaled.get(), r.get(), diff);
            EXPECT_TRUE(poly_iszero(diff.get()) || trial_poly_divide(diff.get(), b.get(), q, nullptr))
                << text(a.get(), 2) << " by " << text(b.get(), 2);
        }
    }
    Ring ring(0);
    EXPECT_EQ(unit::raised_code([] {
                  Poly r;
                  level_remainder(var_poly(1).get(), int_poly(0).get(), 1, r);
              }),
              22);
}
