// Mapping the coefficients of a poly (the change of ground ring's walk):
// the result is the mapped expansion, terms that vanish are gone, and the
// representation invariants hold again.
#include <gmp.h>
#include <gtest/gtest.h>

#include <vector>

#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "poly_support.h"

using namespace tolmex;
using namespace polytest;

namespace {

constexpr int64_t kModulus = 5;

// Each coefficient to its least non-negative remainder modulo 5, as an
// integer: many coefficients vanish.
void remainder_mod_5(Number& x) {
    int64_t v = 0;
    ASSERT_TRUE(to_int64(x, v));
    set_int64(((v % kModulus) + kModulus) % kModulus, x);
}

Expansion remainders(const Expansion& e) {
    Expansion r;
    mpz_t c;
    mpz_init(c);
    for (const auto& [m, coef] : e.terms()) {
        mpz_fdiv_r_ui(c, *coef, kModulus);
        r.add(m, c);
    }
    mpz_clear(c);
    return r;
}

Poly mapped(const Poly& p) {
    Poly c(copy_poly(p.get()));
    poly_map_coefficients(c.raw(), remainder_mod_5);
    return c;
}

}  // namespace

TEST(PolyMap, RandomPolysGiveTheMappedExpansion) {
    std::mt19937_64 rng(seed());
    POLYTEST_SEED_TRACE();
    Ring ring(0);
    for (int nvars = 1; nvars <= 3; ++nvars) {
        use_vars(nvars);
        for (int round = 0; round < 40; ++round) {
            // One-digit coefficients vanish often: whole polys, terms and
            // coefficients of wrapper nodes.
            Poly p = random_poly(rng, {nvars, 1 + round % 12, 4, 1 + round % 3});
            Poly m = mapped(p);
            EXPECT_TRUE(well_formed(m.get())) << text(p.get(), nvars);
            Poly want = from_expansion(remainders(expand(p.get(), nvars)), nvars);
            EXPECT_TRUE(same_poly(m.get(), want.get(), nvars));
        }
    }
}

TEST(PolyMap, ExactCopiesKeepTheDigitsInLintMode) {
    Ring rational(0);
    use_vars(1);
    // 1000000007^3 x^2 + x: a coefficient of several digits.
    Number n = int_number(1);
    for (int i = 0; i < 3; ++i) {
        Number t = int_number(1000000007);
        fast_mult(n, t, n);
    }
    Poly p = sum(monomial_poly(n, {2}).get(), var_poly(1).get());
    Poly copy;
    {
        Ring modular(7);
        copy.reset(copy_poly_exact(p.get()));
    }
    EXPECT_TRUE(same_poly(copy.get(), p.get(), 1));
}
