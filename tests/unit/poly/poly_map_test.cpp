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

Poly scaled(int64_t c, const Poly& p) { return product(int_poly(c).get(), p.get()); }

}  // namespace

TEST(PolyMap, RandomPolysGiveTheMappedExpansion) {
    std::mt19937_64 rng(seed());
    POLYTEST_SEED_TRACE();
    Ring ring(0);
    for (int nvars = 1; nvars <= 3; ++nvars) {
        use_vars(nvars);
        for (int round = 0; round < 40; ++round) {
            Shape s;
            s.nvars = nvars;
            s.terms = 1 + round % 12;
            s.max_deg = 4;
            s.digits = 1 + round % 3;
            Poly p = random_poly(rng, s);
            Poly m = mapped(p);
            EXPECT_TRUE(well_formed(m.get())) << text(p.get(), nvars);
            Poly want = from_expansion(remainders(expand(p.get(), nvars)), nvars);
            EXPECT_TRUE(same_poly(m.get(), want.get(), nvars));
        }
    }
}

TEST(PolyMap, VanishingTermsLeaveWellFormedPolys) {
    Ring ring(0);
    use_vars(2);
    const Poly x = var_poly(1), y = var_poly(2);
    // Everything vanishes: the constant 0.
    Poly all = sum(scaled(10, x).get(), int_poly(15).get());
    Poly zero = mapped(all);
    EXPECT_TRUE(poly_is_const(zero.get()));
    EXPECT_TRUE(poly_iszero(zero.get()));
    // 5x + (5y + 3): the x term vanishes and the rest reads as the number 3.
    Poly p = sum(scaled(5, x).get(), sum(scaled(5, y).get(), int_poly(3).get()).get());
    Poly three = mapped(p);
    EXPECT_TRUE(poly_is_const(three.get()));
    EXPECT_TRUE(same_poly(three.get(), int_poly(3).get(), 2));
    // (5y + 1)x + 5y: the coefficient of x becomes the constant 1 and the
    // constant term vanishes.
    Poly q = sum(product(sum(scaled(5, y).get(), int_poly(1).get()).get(), x.get()).get(),
                 scaled(5, y).get());
    Poly just_x = mapped(q);
    EXPECT_TRUE(well_formed(just_x.get()));
    EXPECT_TRUE(same_poly(just_x.get(), x.get(), 2));
    // x(5y^2 + y) + 6: a deeper term vanishes, the rest stays in place.
    Poly r = sum(product(x.get(), sum(scaled(5, power(y.get(), 2)).get(), y.get()).get()).get(),
                 int_poly(6).get());
    Poly xy1 = mapped(r);
    EXPECT_TRUE(well_formed(xy1.get()));
    EXPECT_TRUE(same_poly(xy1.get(), sum(product(x.get(), y.get()).get(), int_poly(1).get()).get(), 2));
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
