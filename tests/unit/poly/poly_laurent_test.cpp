// Laurent polys (negative exponents) through every modular method that
// works on arrays indexed by exponent: each either handles them or is
// bypassed for them, and every result agrees with the monomial expansion
// (products) or with a = q b + r (divisions).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "numbers/modular_state.h"
#include "poly/poly_settings.h"
#include "poly_support.h"

using namespace tolmex;
using namespace polytest;

namespace {

// A random nonzero residue.
int64_t unit_coefficient(std::mt19937_64& rng) {
    const int64_t span = modulus < 200 ? modulus - 1 : 199;
    return 1 + static_cast<int64_t>(rng() % static_cast<uint64_t>(span));
}

// Every exponent lo .. hi of x1 with a random residue, the top one 1 when
// monic is set (a dense list: the array methods would take it).
Poly dense_laurent(std::mt19937_64& rng, int32_t lo, int32_t hi, bool monic) {
    Poly acc = int_poly(0);
    for (int32_t e = lo; e <= hi; ++e) {
        const int64_t c = e == hi && monic ? 1 : unit_coefficient(rng);
        best_poly_add(std::move(acc), monomial_poly(int_number(c), {e}), acc);
    }
    return acc;
}

// The same over two variables: rows of x2 exponents lo2 .. hi2 for every
// x1 exponent lo1 .. hi1.
Poly dense_laurent2(std::mt19937_64& rng, int32_t lo1, int32_t hi1, int32_t lo2, int32_t hi2) {
    Poly acc = int_poly(0);
    for (int32_t e1 = lo1; e1 <= hi1; ++e1)
        for (int32_t e2 = lo2; e2 <= hi2; ++e2)
            best_poly_add(std::move(acc),
                          monomial_poly(int_number(unit_coefficient(rng)), {e1, e2}),
                          acc);
    return acc;
}

::testing::AssertionResult is_division(const PolyNode* a, const PolyNode* b, const Poly& q,
                                       const Poly& r) {
    if (!well_formed(q.get()) || !well_formed(r.get())) return ::testing::AssertionFailure() << "form";
    if (!poly_iszero(r.get()) && !poly_is_const(b) &&
        (r.get()->isnum ? 0 : r.get()->expo) >= b->expo)
        return ::testing::AssertionFailure() << "remainder too high";
    Poly qb, back;
    poly_mult(q.get(), b, qb, nullptr);
    poly_add(qb.get(), r.get(), back);
    return same_poly(back.get(), a, 1);
}

struct Span {
    int32_t lo, hi;
};

}  // namespace

TEST(PolyLaurent, ProductsOnEveryModularPath) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 70);
    for (int32_t m : {7, 65521, 256}) {
        Ring ring(m);
        use_vars(2);
        laurent = 1;
        // Small cut-offs: the dense and Karatsuba methods would be chosen.
        Cutoffs cut(6, 4, 25000, 8);
        // Lists led by their constant term and followed by negative
        // exponents ({-30, 0}) as well as the others.
        const Span shapes[] = {{-20, 40}, {-3, 60}, {-50, -10}, {-1, 35}, {0, 45}, {-30, 0}};
        for (const Span& sa : shapes)
            for (const Span& sb : shapes) {
                Poly a = dense_laurent(rng, sa.lo, sa.hi, false);
                Poly b = dense_laurent(rng, sb.lo, sb.hi, false);
                Poly want = from_expansion(exp_mult(expand(a.get(), 1), expand(b.get(), 1)), 1);
                Poly c;
                simplest_poly_mult(a.get(), b.get(), c);
                ASSERT_TRUE(same_poly(c.get(), want.get(), 1)) << m << " " << sa.lo << " " << sb.lo;
                k_fastest_poly_mult(a.get(), b.get(), c);
                ASSERT_TRUE(same_poly(c.get(), want.get(), 1));
                poly_mult(a.get(), b.get(), c, nullptr);
                ASSERT_TRUE(same_poly(c.get(), want.get(), 1));
            }
        if (m == 256) continue;  // the two-variable arrays are not for the fields
        Poly a2 = dense_laurent2(rng, -5, 35, -3, 6), b2 = dense_laurent2(rng, -2, 40, 0, 5);
        Poly want2 = from_expansion(exp_mult(expand(a2.get(), 2), expand(b2.get(), 2)), 2);
        Poly c2;
        fastest_poly2_mult(a2.get(), b2.get(), c2);
        EXPECT_TRUE(same_poly(c2.get(), want2.get(), 2));
    }
}

TEST(PolyLaurent, DivisionsOnEveryModularPath) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 71);
    using Method = void (*)(const PolyNode*, const PolyNode*, Poly&, Poly&);
    const Method methods[] = {
        [](const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) { basic_poly_divide(a, b, q, r); },
        simplest_poly_divide, fastest_poly_div, fast_mod_and_div};
    for (int32_t m : {7, 65521, 256}) {
        Ring ring(m);
        use_vars(1);
        laurent = 1;
        Cutoffs cut(6, 4, 25000, 8, 4);
        const Span dividends[] = {{-30, 300}, {-4, 120}, {-2, 2}, {-40, 0}},
                   divisors[] = {{-3, 40}, {-1, 9}, {-60, -2}, {-5, 0}};
        for (const Span& sa : dividends)
            for (const Span& sb : divisors) {
                Poly a = dense_laurent(rng, sa.lo, sa.hi, false);
                Poly b = dense_laurent(rng, sb.lo, sb.hi, true);
                int k = 0;
                for (Method divide : methods) {
                    Poly q, r;
                    divide(a.get(), b.get(), q, r);
                    ASSERT_TRUE(is_division(a.get(), b.get(), q, r))
                        << "method " << k << " mod " << m << " shapes " << sa.lo << ".." << sa.hi
                        << " / " << sb.lo << ".." << sb.hi;
                    ++k;
                }
            }
    }
}

// Exact and trial division of Laurent polys whose lists are led by their
// constant term (two variables, rational and modular): the leading
// coefficient of such a list is that constant alone, so the quotient comes
// out instead of an internal stop on a non-constant divisor.
TEST(PolyLaurent, ExactDivisionOfListsLedByTheirConstant) {
    for (int32_t m : {0, 7}) {
        Ring ring(m);
        use_vars(2);
        laurent = 1;
        Poly x1 = var_poly(1), x2 = var_poly(2);
        // b = x2^-1 - 3 (a list led by -3), a = b * (x1 x2 + 2).
        Poly x2inv = monomial_poly(int_number(1), {0, -1});
        Poly b = sum(x2inv.get(), int_poly(-3).get());
        ASSERT_TRUE(b.get()->isnum || b.get()->expo == 0);
        Poly c = sum(product(x1.get(), x2.get()).get(), int_poly(2).get());
        Poly a = product(b.get(), c.get());
        Poly q;
        int inexact = -1;
        gen_poly_divide(a.get(), b.get(), q, nullptr, inexact);
        EXPECT_EQ(inexact, 0) << m;
        EXPECT_TRUE(same_poly(q.get(), c.get(), 2)) << m;
        Poly t;
        EXPECT_TRUE(trial_poly_divide(a.get(), b.get(), t, nullptr)) << m;
        EXPECT_TRUE(same_poly(t.get(), c.get(), 2)) << m;
        // The lists of x2 alone (one level down, height 1): Euclidean
        // division by the list led by -3.
        Poly a2 = product(b.get(), sum(x2.get(), int_poly(5).get()).get());
        ASSERT_FALSE(a2.get()->isnum);
        const PolyNode* sa = a2.get()->sub;
        const PolyNode* sb = b.get()->sub;
        Poly q2, r2;
        basic_poly_divide(sa, sb, q2, r2);
        EXPECT_TRUE(poly_iszero(r2.get())) << m;
        Poly back;
        poly_mult(q2.get(), sb, back, nullptr);
        EXPECT_TRUE(poly_equal(back.get(), sa)) << m;
        // Not a multiple.
        Poly d = sum(a.get(), int_poly(1).get());
        EXPECT_FALSE(trial_poly_divide(d.get(), b.get(), t, nullptr)) << m;
    }
}
