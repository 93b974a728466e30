// Sums, products and powers of polys, checked against an independent
// monomial expansion in every ground ring, with every product method forced
// by the cutoffs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "poly/poly_arith.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "poly_support.h"
#include "raised.h"
#include "numbers/decimal.h"
#include "numbers/modular_state.h"

using namespace tolmex;
using namespace polytest;

namespace {

const std::vector<int32_t> kRings{0, 7, 6, 65521, 2147483629, 2147483646, 256, 65536};

// The methods a product can be forced into.
enum class Method { Schoolbook, Karatsuba, DenseSchoolbook, DenseKaratsuba, PlainRows, ListKaratsuba, OuterPairs, Kronecker, MultiModular };

// Schoolbook rows without the dense accumulator of the integer products,
// and Karatsuba on term lists without the integer arrays.
// OuterPairs: the accumulator takes one slab per pair of outer exponents
// whenever the product has three levels or more. Kronecker: every dense
// integer product goes through one big-integer product; MultiModular:
// through convolutions modulo word primes. Off: the other methods without
// Kronecker products.
struct PlainRows {
    PlainRows(bool rows, bool lists, bool outer_pairs = false, bool kronecker = false, bool multimodular = false) {
        polyimpl::packed_products = !rows;
        polyimpl::dense_integer_products = !lists;
        if (outer_pairs) polyimpl::packed_slab_cells = 1;
        polyimpl::kronecker_ratio = polyimpl::modconv_ratio = kronecker || multimodular ? 0 : 1e300;
        polyimpl::modconv_products = multimodular;
    }
    ~PlainRows() {
        polyimpl::packed_products = true;
        polyimpl::dense_integer_products = true;
        polyimpl::packed_slab_cells = polyimpl::kPackedSlabCells;
        polyimpl::kronecker_ratio = polyimpl::kKroneckerRatio;
        polyimpl::modconv_ratio = polyimpl::kModconvRatio;
        polyimpl::modconv_products = true;
    }
};

Cutoffs force(Method m) {
    switch (m) {
        case Method::PlainRows:
        case Method::OuterPairs:
        case Method::Kronecker:
        case Method::MultiModular:
        case Method::Schoolbook: return Cutoffs(1 << 30, 1 << 30, 0, 1 << 30);
        case Method::ListKaratsuba:
        case Method::Karatsuba: return Cutoffs(2, 2, 0, 2);
        case Method::DenseSchoolbook: return Cutoffs(1 << 30, 2, 25000, 2);
        case Method::DenseKaratsuba: return Cutoffs(3, 2, 25000, 2);
    }
    return Cutoffs(20, 10, 25000, 140);
}

std::vector<Shape> shapes(int nvars) {
    std::vector<Shape> v;
    v.push_back({nvars, 25, 6, 1});                    // dense-ish, small coefficients
    v.push_back({nvars, 12, 40, 3});                   // sparse, 64-bit accumulator cells
    v.push_back({nvars, 14, 6, 15});                   // 15 digits: 128-bit accumulator cells
    v.push_back({nvars, 18, 5, 100});                  // 100-digit coefficients
    v.push_back({nvars, 20, 5, 25});                   // 3 to 4 digits: wide accumulator cells
    if (nvars == 1) v.push_back({1, 60, 70, 2});       // long one-variable lists
    return v;
}

TEST(PolyAdd, FamiliesMatchTheExpansionAndRespectOwnership) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed());
    for (int32_t m : kRings) {
        Ring ring(m);
        for (int nv = 1; nv <= 5; ++nv) {
            use_vars(nv);
            for (const Shape& s : shapes(nv)) {
                SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nv));
                Poly a = random_poly(rng, s), b = random_poly(rng, s);
                const Expansion ea = expand(a.get(), nv), eb = expand(b.get(), nv);
                const Expansion sum = exp_add(ea, eb, false), dif = exp_add(ea, eb, true);
                Poly c;
                poly_add(a.get(), b.get(), c);
                ASSERT_TRUE(well_formed(c.get()));
                EXPECT_TRUE(expand(c.get(), nv) == sum);
                poly_sub(a.get(), b.get(), c);
                ASSERT_TRUE(well_formed(c.get()));
                EXPECT_TRUE(expand(c.get(), nv) == dif);
                EXPECT_TRUE(expand(a.get(), nv) == ea);
                EXPECT_TRUE(expand(b.get(), nv) == eb);
                // better_: consumes the first, copies the second.
                Poly a1(copy_poly(a.get()));
                better_poly_add(std::move(a1), b.get(), c);
                EXPECT_TRUE(well_formed(c.get()));
                EXPECT_TRUE(expand(c.get(), nv) == sum);
                a1 = Poly(copy_poly(a.get()));
                better_poly_sub(std::move(a1), b.get(), c);
                EXPECT_TRUE(well_formed(c.get()));
                EXPECT_TRUE(expand(c.get(), nv) == dif);
                EXPECT_TRUE(expand(b.get(), nv) == eb);
                // best_: consumes both.
                Poly a2(copy_poly(a.get())), b2(copy_poly(b.get()));
                best_poly_sub(std::move(a2), std::move(b2), c);
                EXPECT_TRUE(well_formed(c.get()));
                EXPECT_TRUE(expand(c.get(), nv) == dif);
                // The destination may be an operand; a - a is the single 0.
                poly_sub(a.get(), a.get(), a);
                EXPECT_TRUE(poly_iszero(a.get()));
            }
        }
    }
}

TEST(PolyAdd, SimplestFamilyOnModularOneVariablePolys) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 1);
    use_vars(1);
    for (int32_t m : {2, 7, 6, 65521, 2147483629, 256, 65536}) {
        Ring ring(m);
        for (int round = 0; round < 20; ++round) {
            Poly a = random_poly(rng, {1, 30, 40, 1}), b = random_poly(rng, {1, 30, 40, 1});
            const Expansion ea = expand(a.get(), 1), eb = expand(b.get(), 1);
            Poly c;
            simplest_poly_add(Poly(copy_poly(a.get())), Poly(copy_poly(b.get())), c);
            EXPECT_TRUE(well_formed(c.get()));
            EXPECT_TRUE(expand(c.get(), 1) == exp_add(ea, eb, false));
        }
    }
}

TEST(PolyMult, EveryMethodMatchesTheExpansion) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 2);
    for (int32_t m : kRings) {
        Ring ring(m);
        for (int nv = 1; nv <= 5; ++nv) {
            use_vars(nv);
            for (const Shape& s : shapes(nv)) {
                Poly a = random_poly(rng, s), b = random_poly(rng, s);
                const Expansion ea = expand(a.get(), nv), eb = expand(b.get(), nv);
                const Expansion want = exp_mult(ea, eb), square = exp_mult(ea, ea);
                for (Method meth : {Method::Schoolbook, Method::Karatsuba, Method::DenseSchoolbook,
                                    Method::DenseKaratsuba, Method::PlainRows, Method::ListKaratsuba,
                                    Method::OuterPairs, Method::Kronecker, Method::MultiModular}) {
                    SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nv) +
                                 " method " + std::to_string(static_cast<int>(meth)));
                    Cutoffs cut = force(meth);
                    PlainRows rows(meth == Method::PlainRows, meth == Method::ListKaratsuba,
                                   meth == Method::OuterPairs, meth == Method::Kronecker,
                                   meth == Method::MultiModular);
                    Poly c;
                    poly_mult(a.get(), b.get(), c, nullptr);
                    ASSERT_TRUE(well_formed(c.get()));
                    EXPECT_TRUE(expand(c.get(), nv) == want) << text(c.get(), nv);
                    // The in-place splits are undone.
                    ASSERT_TRUE(well_formed(a.get()));
                    EXPECT_TRUE(expand(a.get(), nv) == ea);
                    EXPECT_TRUE(expand(b.get(), nv) == eb);
                    poly_mult(a.get(), a.get(), c, nullptr);
                    ASSERT_TRUE(well_formed(c.get()));
                    EXPECT_TRUE(expand(c.get(), nv) == square);
                    EXPECT_TRUE(expand(a.get(), nv) == ea);
                }
            }
        }
    }
}

TEST(PolyMult, LaurentProductsThroughKaratsuba) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 3);
    for (int32_t m : {0, 7, 65536}) {
        Ring ring(m);
        laurent = 1;
        for (int nv = 1; nv <= 3; ++nv) {
            use_vars(nv);
            Shape s{nv, 24, 9, 2, true};
            for (int round = 0; round < 4; ++round) {
                Poly a = random_poly(rng, s), b = random_poly(rng, s);
                ASSERT_TRUE(well_formed(a.get()));
                const Expansion ea = expand(a.get(), nv), eb = expand(b.get(), nv);
                for (Method meth : {Method::Schoolbook, Method::Karatsuba}) {
                    Cutoffs cut = force(meth);
                    Poly c;
                    poly_mult(a.get(), b.get(), c, nullptr);
                    ASSERT_TRUE(well_formed(c.get()));
                    EXPECT_TRUE(expand(c.get(), nv) == exp_mult(ea, eb));
                    EXPECT_TRUE(expand(a.get(), nv) == ea);
                    EXPECT_TRUE(expand(b.get(), nv) == eb);
                }
            }
        }
    }
}

TEST(PolyMult, IntegerArraysAgreeWithTermLists) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 8);
    Ring ring(0);
    for (int nv : {1, 2}) {
        use_vars(nv);
        for (int digits : {2, 30, 80}) {
            // Dense operands long enough for Karatsuba at every level.
            Poly a = dense_poly(rng, nv, nv == 1 ? 90 : 30, digits);
            Poly b = dense_poly(rng, nv, nv == 1 ? 70 : 24, digits);
            const Expansion want = exp_mult(expand(a.get(), nv), expand(b.get(), nv));
            for (int way : {0, 1, 2, 3}) {
                const bool plain = way == 1;
                Cutoffs cut(20, 10, 25000, 140);
                PlainRows rows(plain, plain, false, way == 2, way == 3);
                Poly c;
                poly_mult(a.get(), b.get(), c, nullptr);
                ASSERT_TRUE(well_formed(c.get()));
                EXPECT_TRUE(expand(c.get(), nv) == want) << "vars " << nv << " digits " << digits;
            }
        }
    }
}

// Modulo 6 every term of 2x * 3x vanishes: the product is the single 0,
// whichever method makes it.
TEST(PolyMult, ProductsThatVanishEntirely) {
    use_vars(1);
    Ring ring(6);
    Poly two_x = product(int_poly(2).get(), var_poly(1).get());
    Poly three_x = product(int_poly(3).get(), var_poly(1).get());
    for (Method meth : {Method::Schoolbook, Method::DenseSchoolbook, Method::Karatsuba}) {
        Cutoffs cut = force(meth);
        Poly c = product(two_x.get(), three_x.get());
        EXPECT_TRUE(well_formed(c.get()));
        EXPECT_TRUE(poly_iszero(c.get()));
    }
}

TEST(PolyMult, ScalingFamilies) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 6);
    use_vars(3);
    Poly p = random_poly(rng, {3, 20, 5, 30});
    Number three = int_number(-3);
    Poly c;
    scalar_by_poly(three, p.get(), c);
    Poly k = int_poly(-3);
    EXPECT_TRUE(expand(c.get(), 3) == exp_mult(expand(k.get(), 3), expand(p.get(), 3)));
    scalar_by_poly(int_number(1), p.get(), c);
    EXPECT_TRUE(poly_equal(c.get(), p.get()));
    use_vars(1);
    Ring ring(12);
    Poly q = random_poly(rng, {1, 15, 20, 1});
    const Expansion eq = expand(q.get(), 1);
    Poly r;
    number_by_poly(4, q, r, true);  // some terms vanish mod 12
    ASSERT_TRUE(well_formed(r.get()));
    EXPECT_TRUE(expand(r.get(), 1) == exp_mult(expand(int_poly(4).get(), 1), eq));
    EXPECT_TRUE(expand(q.get(), 1) == eq);
    number_by_poly(4, q, q, false);
    EXPECT_TRUE(expand(q.get(), 1) == expand(r.get(), 1));
}

Expansion naive_power(const Expansion& e, int n, int nv, const PolyNode* one) {
    Expansion r = expand(one, nv);
    for (int i = 0; i < n; ++i) r = exp_mult(r, e);
    return r;
}

TEST(PolyPower, AllRulesMatchRepeatedProducts) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 7);
    for (int32_t m : {0, 5, 7, 6, 256, 65536, 65521}) {
        Ring ring(m);
        for (int nv = 1; nv <= 3; ++nv) {
            use_vars(nv);
            Poly one = int_poly(1);
            for (int n : {1, 2, 3, 5, 7, 12}) {
                SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nv) +
                             " n " + std::to_string(n));
                Poly p = random_poly(rng, {nv, 3, 2, 2});
                const Expansion want = naive_power(expand(p.get(), nv), n, nv, one.get());
                Poly q(copy_poly(p.get()));
                compute_power(q, n, nullptr);
                ASSERT_TRUE(well_formed(q.get()));
                EXPECT_TRUE(expand(q.get(), nv) == want);
            }
        }
    }
}

TEST(PolyPower, PthPowerShortcut) {
    use_vars(2);
    for (int32_t m : {5, 7, 256}) {
        Ring ring(m);
        Poly x, y, p;
        base_poly(x, 1);
        base_poly(y, 2);
        poly_add(x.get(), y.get(), p);
        poly_add(p.get(), int_poly(3).get(), p);
        for (int n : {m, m + 3, 2 * m + 1, m * m + 2}) {
            if (m == 256 && n > 600) continue;
            Poly fast(copy_poly(p.get()));
            compute_power(fast, n, nullptr);
            // The same by binary powering with no shortcut: raise to n in
            // steps below the modulus.
            Poly slow;
            poly_set(1, slow);
            for (int i = 0; i < n; ++i) poly_mult(slow.get(), p.get(), slow, nullptr);
            EXPECT_TRUE(same_poly(fast.get(), slow.get(), 2)) << "modulus " << m << " n " << n;
        }
    }
}

TEST(PolyPower, ConstantsAndTheZeroExponent) {
    use_vars(1);
    Poly x = var_poly(1), r;
    poly_power(x.get(), 0, r, nullptr);
    EXPECT_TRUE(poly_eq_1(r.get()));
    poly_power(int_poly(0).get(), 0, r, nullptr);
    EXPECT_TRUE(poly_eq_1(r.get()));
    poly_power(int_poly(-3).get(), 5, r, nullptr);
    EXPECT_TRUE(poly_equal(r.get(), int_poly(-243).get()));
    Ring ring(7);
    poly_power(int_poly(3).get(), 6, r, nullptr);
    EXPECT_TRUE(poly_eq_1(r.get()));
    poly_power(int_poly(0).get(), 6, r, nullptr);
    EXPECT_TRUE(poly_iszero(r.get()));
}

// An exponent pushed beyond 32 bits, at the top level or an inner one, by a
// product or a power, is error 376.
TEST(PolyPower, ExponentOverflowIsAnError) {
    use_vars(2);
    Poly x = var_poly(1), c;
    Poly big = power(x.get(), 1 << 30);
    EXPECT_EQ(unit::raised_code([&] { poly_mult(big.get(), big.get(), c, nullptr); }),
              kErrExponentTooLarge);
    // Just inside the range is fine.
    poly_mult(big.get(), power(x.get(), (1 << 30) - 1).get(), c, nullptr);
    EXPECT_EQ(c.get()->expo, 2147483647);
    Poly p(copy_poly(big.get()));
    EXPECT_EQ(unit::raised_code([&] { compute_power(p, 2, nullptr); }), kErrExponentTooLarge);
    // y^(2^30) x times itself.
    Poly yx = product(power(var_poly(2).get(), 1 << 30).get(), x.get());
    EXPECT_EQ(unit::raised_code([&] { poly_mult(yx.get(), yx.get(), c, nullptr); }),
              kErrExponentTooLarge);
    Ring ring(7);
    Poly q(copy_poly(yx.get()));
    EXPECT_EQ(unit::raised_code([&] { compute_power(q, 7, nullptr); }), kErrExponentTooLarge);
}

}  // namespace


// Kronecker slots at their limits: coefficients of the largest magnitude of
// their size with every sign pattern (all borrows taken), cancellations that
// leave zero slots between borrows, a negative product integer, and slot
// widths on both sides of the limb boundaries as the sizes vary.
TEST(PolyMult, KroneckerSlotsAtTheirLimits) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 11);
    Ring ring(0);
    // Both routes: one big-integer product, and convolutions modulo word
    // primes (coefficients at the bound: signs read at half the primes'
    // product).
    for (bool multimodular : {false, true}) {
        PlainRows rows(false, false, false, !multimodular, multimodular);
        for (int nv : {1, 2, 3}) {
            use_vars(nv);
            for (int bits : {1, 27, 28, 36, 63, 64, 65, 100, 190}) {
                mpz_t big;
                mpz_init(big);
                mpz_ui_pow_ui(big, 2, static_cast<unsigned long>(bits));
                mpz_sub_ui(big, big, 1);  // 2^bits - 1
                char* digits = mpz_get_str(nullptr, 10, big);
                const std::string text_of_top(digits);
                free(digits);
                mpz_clear(big);
                for (int pattern = 0; pattern < 4; ++pattern) {
                    // Every monomial of total degree <= 3 with coefficient
                    // +-(2^bits - 1): all +, all -, alternating, random.
                    Poly a = int_poly(0), b = int_poly(0);
                    int k = 0;
                    for (int e0 = 0; e0 <= 3; ++e0)
                        for (int e1 = 0; e1 <= (nv > 1 ? 3 - e0 : 0); ++e1)
                            for (int e2 = 0; e2 <= (nv > 2 ? 3 - e0 - e1 : 0); ++e2, ++k) {
                                std::vector<int32_t> e{e0, e1, e2};
                                e.resize(nv);
                                const bool neg = pattern == 1 || (pattern == 2 && k % 2) || (pattern == 3 && rng() % 2);
                                const std::string plus = text_of_top, minus = "-" + text_of_top;
                                a = sum(a.get(), monomial_poly(decimal_to_number(neg ? minus : plus), e).get());
                                const bool neg_b = pattern == 2 ? !neg : neg;
                                b = sum(b.get(), monomial_poly(decimal_to_number(neg_b ? minus : plus), e).get());
                            }
                    const Expansion want = exp_mult(expand(a.get(), nv), expand(b.get(), nv));
                    Poly c;
                    poly_mult(a.get(), b.get(), c, nullptr);
                    ASSERT_TRUE(well_formed(c.get()));
                    EXPECT_TRUE(expand(c.get(), nv) == want) << "vars " << nv << " bits " << bits << " pattern " << pattern;
                    // (a)(-a) and a - a: a negative product integer, and a
                    // product of a poly by itself minus its square.
                    Poly na = product(a.get(), int_poly(-1).get());
                    poly_mult(a.get(), na.get(), c, nullptr);
                    ASSERT_TRUE(well_formed(c.get()));
                    EXPECT_TRUE(expand(c.get(), nv) == exp_mult(expand(a.get(), nv), expand(na.get(), nv)));
                }
            }
        }
        // (x - 1)(x + 1) = x^2 - 1: a zero slot between a borrow and the top.
        use_vars(1);
        Poly xm = sum(var_poly(1).get(), int_poly(-1).get()), xp = sum(var_poly(1).get(), int_poly(1).get());
        Poly c;
        poly_mult(xm.get(), xp.get(), c, nullptr);
        EXPECT_EQ(text(c.get(), 1), text(sum(product(var_poly(1).get(), var_poly(1).get()).get(), int_poly(-1).get()).get(), 1));
    }
}
