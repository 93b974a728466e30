// Division of polys: the operators, pseudo-division, Euclidean and
// divide-and-conquer division, exact and trial division, checked by the
// identities they must satisfy.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "poly/poly_eval.h"
#include "poly_support.h"
#include "raised.h"
#include "numbers/modular_state.h"

using namespace tolmex;
using namespace polytest;

namespace {

// The main-variable degree and leading coefficient after the common
// wrapper levels of a and b.
int32_t main_degree(const PolyNode* p) { return p->isnum ? 0 : p->expo; }

// A random poly whose leading coefficient in x1 is 1.
Poly monic_poly(std::mt19937_64& rng, const Shape& s) {
    Poly p = random_poly(rng, s);
    int32_t d = main_degree(p.get());
    Poly lead = var_poly(1);
    compute_power(lead, d + 1, nullptr);
    return sum(p.get(), lead.get());
}

TEST(PolyDivide, PseudoDivisionIdentity) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 20);
    for (int32_t m : {0, 7, 6, 65521}) {
        Ring ring(m);
        for (int nv = 1; nv <= 4; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 6; ++round) {
                Poly a = random_poly(rng, {nv, 14, 6, round % 2 ? 30 : 2});
                Poly b = random_poly(rng, {nv, 5, 3, 3});
                if (poly_is_const(b.get()) || main_degree(b.get()) == 0) continue;
                Poly q, r;
                pseudo_div(a.get(), b.get(), &q, &r, nullptr);
                ASSERT_TRUE(well_formed(q.get()));
                ASSERT_TRUE(well_formed(r.get()));
                if (!poly_iszero(r.get())) {
                    EXPECT_LT(main_degree(r.get()), main_degree(b.get()));
                }
                // lc^k a = q b + r, or a = q b + r when lc is invertible.
                Poly lhs(copy_poly(a.get()));
                const PolyNode* lc = b.get()->sub;
                const bool field = modularmode && mod_is_prime && poly_is_const(lc);
                if (!field && main_degree(a.get()) >= main_degree(b.get())) {
                    Poly lk(copy_poly(lc));
                    if (!poly_is_const(lk.get())) lk = Poly(term_node(0, lk.release()));
                    compute_power(lk, main_degree(a.get()) - main_degree(b.get()) + 1, nullptr);
                    lhs = product(lk.get(), a.get());
                }
                Poly rhs = sum(product(q.get(), b.get()).get(), r.get());
                EXPECT_TRUE(same_poly(rhs.get(), lhs.get(), nv)) << "modulus " << m;
                Poly r2;
                pseudo_div_no_q(a.get(), b.get(), r2, nullptr);
                EXPECT_TRUE(poly_equal(r2.get(), r.get()));
            }
        }
    }
}

TEST(PolyDivide, OperatorsUndoAProduct) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 21);
    for (int32_t m : {0, 7, 65521, 2147483629, 256}) {
        Ring ring(m);
        for (int nv = 1; nv <= 5; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 5; ++round) {
                SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nv));
                Poly a = random_poly(rng, {nv, 10, 4, round % 2 ? 100 : 2});
                // The quotient operator pseudo-divides unless the leading
                // coefficient in x1 is invertible: monic over Z, a number in
                // a field.
                Poly b = monic_poly(rng, {nv, 4, 2, 2});
                if (m != 0) b = product(int_poly(3).get(), b.get());
                if (poly_is_const(b.get())) continue;
                Poly ab = product(a.get(), b.get());
                Poly q, r;
                poly_mod_or_div(ab.get(), b.get(), q, '\\', nullptr);
                poly_mod_or_div(ab.get(), b.get(), r, '|', nullptr);
                EXPECT_TRUE(same_poly(q.get(), a.get(), nv));
                EXPECT_TRUE(poly_iszero(r.get())) << text(r.get(), nv);
            }
        }
    }
}

TEST(PolyDivide, ExactDivisionAndTheInexactFlag) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 22);
    for (int32_t m : {0, 7, 6, 65521}) {
        Ring ring(m);
        for (int nv = 1; nv <= 5; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 5; ++round) {
                SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nv));
                Poly a = random_poly(rng, {nv, 8, 4, round % 2 ? 100 : 3});
                Poly b = random_poly(rng, {nv, 4, 3, 3});
                if (poly_is_const(b.get())) continue;
                Poly ab = product(a.get(), b.get());
                if (poly_iszero(ab.get())) continue;
                Poly q;
                int inexact = -1;
                if (m == 6) {
                    // Only a unit leading coefficient can be divided by.
                    int32_t lc = leading_coef(b.get())->num.lint();
                    if (lc % 2 == 0 || lc % 3 == 0) continue;
                }
                gen_poly_divide(ab.get(), b.get(), q, nullptr, inexact);
                EXPECT_EQ(inexact, 0);
                EXPECT_TRUE(same_poly(q.get(), a.get(), nv));
                // No non-constant b divides ab + 1.
                Poly ab1 = sum(ab.get(), int_poly(1).get());
                gen_poly_divide(ab1.get(), b.get(), q, nullptr, inexact);
                EXPECT_EQ(inexact, 1);
            }
        }
    }
}

TEST(PolyDivide, InexactCoefficientQuotientsAreCaught) {
    // 3x / 2x is not a poly over the integers, though the remainder of the
    // truncated coefficient quotient would vanish.
    use_vars(1);
    Poly x = var_poly(1);
    Poly a = product(int_poly(3).get(), x.get()), b = product(int_poly(2).get(), x.get());
    Poly q;
    int inexact = 0;
    gen_poly_divide(a.get(), b.get(), q, nullptr, inexact);
    EXPECT_EQ(inexact, 1);
    use_vars(2);
    Poly y = var_poly(2), xv = var_poly(1);
    Poly a2 = product(product(int_poly(3).get(), xv.get()).get(), y.get());
    Poly b2 = product(product(int_poly(2).get(), xv.get()).get(), y.get());
    gen_poly_divide(a2.get(), b2.get(), q, nullptr, inexact);
    EXPECT_EQ(inexact, 1);
}

TEST(PolyDivide, RemainderAndQuotientOperatorsOnSmallCases) {
    use_vars(1);
    Poly x = var_poly(1);
    Poly x2(copy_poly(x.get()));
    compute_power(x2, 2, nullptr);
    // (x^2 + 3x + 5) | 2 = x^2 + x + 1 with pos_mod on.
    Poly p = sum(sum(x2.get(), product(int_poly(3).get(), x.get()).get()).get(), int_poly(5).get());
    Poly r;
    pos_mod = 1;
    poly_mod_or_div(p.get(), int_poly(2).get(), r, '|', nullptr);
    Poly want = sum(sum(x2.get(), x.get()).get(), int_poly(1).get());
    EXPECT_TRUE(same_poly(r.get(), want.get(), 1));
    // 7 | (x + 1) = 7, 7 \ (x + 1) = 0.
    Poly xp1 = sum(x.get(), int_poly(1).get());
    poly_mod_or_div(int_poly(7).get(), xp1.get(), r, '|', nullptr);
    EXPECT_TRUE(poly_equal(r.get(), int_poly(7).get()));
    poly_mod_or_div(int_poly(7).get(), xp1.get(), r, '\\', nullptr);
    EXPECT_TRUE(poly_iszero(r.get()));
    // Over Z: x^2 | (2x + 1) = 1 and x^2 \ (2x + 1) = 2x - 1.
    Poly b = sum(product(int_poly(2).get(), x.get()).get(), int_poly(1).get());
    poly_mod_or_div(x2.get(), b.get(), r, '|', nullptr);
    EXPECT_TRUE(poly_equal(r.get(), int_poly(1).get()));
    poly_mod_or_div(x2.get(), b.get(), r, '\\', nullptr);
    Poly q_want = sum(product(int_poly(2).get(), x.get()).get(), int_poly(-1).get());
    EXPECT_TRUE(same_poly(r.get(), q_want.get(), 1));
    {
        // Modulo 7: remainder 2, quotient 4x + 5.
        Ring ring(7);
        Poly x7 = var_poly(1), x27(copy_poly(x7.get()));
        compute_power(x27, 2, nullptr);
        Poly b7 = sum(product(int_poly(2).get(), x7.get()).get(), int_poly(1).get());
        poly_mod_or_div(x27.get(), b7.get(), r, '|', nullptr);
        EXPECT_TRUE(poly_equal(r.get(), int_poly(2).get()));
        poly_mod_or_div(x27.get(), b7.get(), r, '\\', nullptr);
        Poly q7 = sum(product(int_poly(4).get(), x7.get()).get(), int_poly(5).get());
        EXPECT_TRUE(same_poly(r.get(), q7.get(), 1));
    }
    // Division by the constant 0 is error 22.
    EXPECT_TRUE(raises_error([&] { poly_mod_or_div(p.get(), int_poly(0).get(), r, '|', nullptr); }));
}

TEST(PolyDivide, LevelSkippingRewraps) {
    use_vars(2);
    Poly y = var_poly(2);
    Poly y2(copy_poly(y.get()));
    compute_power(y2, 2, nullptr);
    Poly a = sum(y2.get(), int_poly(1).get()), b = sum(y.get(), int_poly(1).get());
    Poly q, r;
    poly_mod_or_div(a.get(), b.get(), q, '\\', nullptr);
    poly_mod_or_div(a.get(), b.get(), r, '|', nullptr);
    // y - 1 under one wrapper node; the remainder 2 is a constant.
    ASSERT_TRUE(well_formed(q.get()));
    ASSERT_FALSE(q.get()->isnum);
    EXPECT_EQ(q.get()->expo, 0);
    EXPECT_EQ(q.get()->next, nullptr);
    EXPECT_TRUE(same_poly(q.get(), sum(y.get(), int_poly(-1).get()).get(), 2));
    EXPECT_TRUE(poly_equal(r.get(), int_poly(2).get()));
    // A divisor free of x divides every coefficient: (x y + x + y^2) | (y + 1).
    Poly x = var_poly(1);
    Poly c = sum(sum(product(x.get(), y.get()).get(), x.get()).get(), y2.get());
    poly_mod_or_div(c.get(), b.get(), r, '|', nullptr);
    EXPECT_TRUE(same_poly(r.get(), int_poly(1).get(), 2));
    poly_mod_or_div(c.get(), b.get(), q, '\\', nullptr);
    EXPECT_TRUE(same_poly(q.get(), sum(x.get(), sum(y.get(), int_poly(-1).get()).get()).get(), 2));
}

TEST(PolyDivide, LaurentDivisionIsError205) {
    Ring ring(0);
    laurent = 1;
    use_vars(1);
    Poly x = var_poly(1), inv(copy_poly(x.get()));
    inv.get()->expo = -1;
    Poly a = sum(inv.get(), int_poly(1).get()), r;
    EXPECT_TRUE(raises_error([&] { poly_mod_or_div(a.get(), x.get(), r, '|', nullptr); }));
}

TEST(PolyDivide, ModularOneVariableMethodsAgree) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 23);
    use_vars(1);
    for (int32_t m : {7, 65521, 2147483629, 256, 65536}) {
        Ring ring(m);
        for (int round = 0; round < 12; ++round) {
            const int db = 3 + static_cast<int>(rng() % 40), da = db + static_cast<int>(rng() % 200);
            Poly a = random_poly(rng, {1, da, da, 1}), b = random_poly(rng, {1, db, db, 1});
            if (poly_is_const(b.get())) continue;
            Poly q0, r0;
            {
                Cutoffs cut(1 << 30, 1 << 30, 0, 1 << 30, 1 << 30);
                simplest_poly_divide(a.get(), b.get(), q0, r0);
            }
            ASSERT_TRUE(well_formed(q0.get()));
            if (!poly_iszero(r0.get())) {
                EXPECT_LT(main_degree(r0.get()), main_degree(b.get()));
            }
            Poly check = sum(product(q0.get(), b.get()).get(), r0.get());
            EXPECT_TRUE(same_poly(check.get(), a.get(), 1)) << "modulus " << m;
            for (int variant = 0; variant < 3; ++variant) {
                Poly q, r;
                if (variant == 0) {
                    fastest_poly_div(a.get(), b.get(), q, r);
                } else {
                    Cutoffs cut(2, 2, variant == 1 ? 25000 : 0, 2, 2);
                    basic_poly_divide(a.get(), b.get(), q, r);  // the fast method
                }
                EXPECT_TRUE(same_poly(q.get(), q0.get(), 1)) << "variant " << variant;
                EXPECT_TRUE(same_poly(r.get(), r0.get(), 1)) << "variant " << variant;
            }
        }
    }
}

TEST(PolyDivide, DivideAndConquerOnMonicDivisors) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 24);
    for (int32_t m : {0, 65521}) {
        Ring ring(m);
        use_vars(1);
        for (int round = 0; round < 10; ++round) {
            const int db = 4 + static_cast<int>(rng() % 30), da = db + static_cast<int>(rng() % 150);
            Poly a = random_poly(rng, {1, da, da, 3});
            Poly b = monic_poly(rng, {1, db, db - 1, 2});
            Cutoffs cut(3, 2, 25000, 2, 2);
            Poly q0, r0, q, r;
            mod_and_div(a.get(), b.get(), q0, r0);
            fast_mod_and_div(a.get(), b.get(), q, r);
            EXPECT_TRUE(same_poly(q.get(), q0.get(), 1));
            EXPECT_TRUE(same_poly(r.get(), r0.get(), 1));
            EXPECT_TRUE(well_formed(b.get()));  // restored after the in-place splits
        }
    }
}

TEST(PolyDivide, TrialDivisionVerdicts) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 25);
    for (int32_t m : {0, 65521}) {
        Ring ring(m);
        for (int nv = 2; nv <= 4; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 6; ++round) {
                Poly a = random_poly(rng, {nv, 8, 3, 4}), b = random_poly(rng, {nv, 4, 2, 2});
                if (poly_is_const(b.get())) continue;
                Poly ab = product(a.get(), b.get());
                Poly ab1 = sum(ab.get(), b.get());
                ab1 = sum(ab1.get(), int_poly(1).get());  // ab + b + 1: not a multiple
                for (int t : {1, 0}) {
                    const int saved = try_rat;
                    try_rat = t;
                    Poly q;
                    EXPECT_TRUE(trial_poly_divide(ab.get(), b.get(), q, nullptr));
                    EXPECT_TRUE(same_poly(q.get(), a.get(), nv));
                    EXPECT_TRUE(trial_poly_divide_noq(ab.get(), b.get(), nullptr));
                    EXPECT_FALSE(trial_poly_divide(ab1.get(), b.get(), q, nullptr));
                    EXPECT_FALSE(trial_poly_divide_noq(ab1.get(), b.get(), nullptr));
                    try_rat = saved;
                }
                // The pre-tests never refute a true multiple.
                EXPECT_EQ(fast_test(2, ab.get(), b.get()), TestVerdict::NoVerdict);
                if (m == 0) {
                    EXPECT_EQ(fast_test_rat(ab.get(), b.get()), TestVerdict::NoVerdict);
                }
            }
        }
    }
}

TEST(PolyDivide, FastTestRefutesAnObviousNonMultiple) {
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    // a = x^2 + y, b = x + 1: every image x^2 + c by x + 1 leaves 1 + c,
    // which vanishes only for c = -1 (never among the points 2 .. 6).
    Poly x2(copy_poly(x.get()));
    compute_power(x2, 2, nullptr);
    Poly a = sum(x2.get(), y.get()), b = sum(x.get(), int_poly(1).get());
    EXPECT_EQ(fast_test(2, a.get(), b.get()), TestVerdict::Refuted);
}

TEST(PolyDivide, NumberQuotients) {
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    Poly p = product(int_poly(6).get(), sum(x.get(), y.get()).get());
    Poly q;
    EXPECT_TRUE(poly_quot(p.get(), int_poly(3).get(), q, 0));
    EXPECT_TRUE(same_poly(q.get(), product(int_poly(2).get(), sum(x.get(), y.get()).get()).get(), 2));
    EXPECT_FALSE(poly_quot(p.get(), int_poly(4).get(), q, 0));
    Poly t(copy_poly(p.get()));
    divide_thru(t.get(), int_number(-6));
    EXPECT_TRUE(same_poly(t.get(), product(int_poly(-1).get(), sum(x.get(), y.get()).get()).get(), 2));
    Ring ring(7);
    Number z;
    quot(int_number(3), int_number(5), z);
    EXPECT_EQ(z.lint(), 2);  // 5 * 2 = 10 = 3 mod 7
    EXPECT_TRUE(raises_error([&] { quot(int_number(3), int_number(0), z); }));
}

TEST(PolyDivide, LeadingCoefficientInvertibility) {
    use_vars(2);
    Poly y = var_poly(2);
    EXPECT_FALSE(first_coef_invrtble(int_poly(3).get(), nullptr));  // rational mode
    EXPECT_FALSE(first_coef_invrtble(y.get(), nullptr));
    {
        Ring ring(7);
        EXPECT_TRUE(first_coef_invrtble(int_poly(3).get(), nullptr));
    }
    {
        Ring ring(6);
        EXPECT_FALSE(first_coef_invrtble(int_poly(5).get(), nullptr));  // not a field
    }
    EXPECT_FALSE(modout_in_force());
}

}  // namespace

// At a nested command level error 22 returns; every division by the
// constant 0 then gives 0 and goes on (one report per operation).
TEST(PolyDivide, DemotedDivisionByZeroGivesZero) {
    for (int32_t m : {0, 7}) {
        Ring ring(m);
        use_vars(2);
        unit::NestedLevel nested;
        Poly x = var_poly(1), y = var_poly(2);
        Poly p = sum(product(x.get(), y.get()).get(), int_poly(3).get());
        Poly zero = int_poly(0), r;
        for (int op : {'|', '\\'}) {
            r = int_poly(5);
            poly_mod_or_div(p.get(), zero.get(), r, op, nullptr);
            ASSERT_TRUE(r);
            EXPECT_TRUE(poly_iszero(r.get()));
            poly_mod_or_div(int_poly(4).get(), zero.get(), r, op, nullptr);
            EXPECT_TRUE(poly_iszero(r.get()));
        }
        EXPECT_EQ(unit::NestedLevel::demoted, 4);
        Poly q = int_poly(9);
        EXPECT_TRUE(poly_quot(p.get(), zero.get(), q, 0));
        EXPECT_TRUE(poly_iszero(q.get()));
        Number z = int_number(4);
        quot(int_number(3), int_number(0), z);
        EXPECT_TRUE(num_is_zero(z));
        EXPECT_EQ(unit::NestedLevel::demoted, 6);
    }
}

// A negative power of the value 0 in an evaluation: 0 at a nested level.
TEST(PolyEval, DemotedNegativePowerOfZero) {
    for (int32_t m : {0, 7}) {
        Ring ring(m);
        use_vars(1);
        laurent = 1;
        unit::NestedLevel nested;
        Poly x = var_poly(1);
        Poly xinv(copy_poly(x.get()));
        xinv.get()->expo = -2;
        Poly l = sum(xinv.get(), x.get());
        Poly zero = int_poly(0), num, den;
        EvalPoint at0[] = {{1, zero.get()}};
        poly_eval_points(l.get(), at0, 1, num, den);
        ASSERT_TRUE(num);
        Poly r;
        all_poly_eval(l.get(), std::vector<const PolyNode*>{zero.get()}.data(), 1, r, 0);
        ASSERT_TRUE(r);
        EXPECT_TRUE(poly_iszero(r.get()));
        EXPECT_GE(unit::NestedLevel::demoted, 1);
    }
}

namespace {

// A dense random one-variable poly of degree d (every coefficient a unit
// residue), with leading coefficient `lead` (0: random).
Poly dense_onevar(std::mt19937_64& rng, int32_t d, int64_t lead) {
    Poly acc = int_poly(0);
    const uint64_t span = static_cast<uint64_t>(modulus < 200 ? modulus - 1 : 199);
    for (int32_t e = 0; e <= d; ++e) {
        int64_t c = 1 + static_cast<int64_t>(rng() % span);
        if (e == d && lead) c = lead;
        best_poly_add(std::move(acc), monomial_poly(int_number(c), {e}), acc);
    }
    return acc;
}

}  // namespace

// Every division method, on arrays and on term lists, gives the quotient
// and remainder of long division for every shape: quotients shorter and
// much longer than the divisor (the block method), dense and sparse
// dividends, prime and composite moduli (a unit leading coefficient).
TEST(PolyDivide, EveryShapeAgreesWithLongDivision) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 26);
    use_vars(1);
    struct Shape {
        int32_t db, ratio;
    };
    const Shape shapes[] = {{5, 1},  {5, 9},   {5, 40},  {30, 2},  {30, 3},
                            {30, 8}, {30, 25}, {130, 1}, {130, 4}, {130, 12}};
    for (int32_t m : {65521, 7, 2147483629, 256, 6}) {
        Ring ring(m);
        int round = 0;
        for (const Shape& s : shapes)
            for (bool sparse : {false, true}) {
                const int32_t da = s.db * s.ratio + static_cast<int32_t>(rng() % 7);
                // Monic divisors every other round; modulo 6 the leading
                // coefficient 5 is a unit.
                const bool monic = ++round % 2 == 0;
                Poly b = dense_onevar(rng, s.db, monic ? 1 : m == 6 ? 5 : 0);
                Poly a = sparse ? random_poly(rng, {1, 12, da, 1}) : dense_onevar(rng, da, 0);
                if (sparse) a = sum(a.get(), monomial_poly(int_number(1), {da}).get());
                Poly q0, r0;
                {
                    Cutoffs cut(1 << 30, 1 << 30, 0, 1 << 30, 1 << 30);
                    simplest_poly_divide(a.get(), b.get(), q0, r0);
                }
                ASSERT_TRUE(same_poly(sum(product(q0.get(), b.get()).get(), r0.get()).get(), a.get(), 1));
                // Arrays and term lists, through the dispatcher and directly
                // (the divide-and-conquer entries want a monic b on lists).
                for (int variant = 0; variant < 4; ++variant) {
                    if (variant >= 2 && !monic) continue;
                    SCOPED_TRACE("modulus " + std::to_string(m) + " shape " + std::to_string(da) +
                                 "/" + std::to_string(s.db) + (sparse ? " sparse" : " dense") +
                                 " variant " + std::to_string(variant));
                    Cutoffs cut(6, 4, 25000, 8, 4);
                    const bool saved = polyimpl::dense_division;
                    polyimpl::dense_division = variant % 2 == 0;
                    Poly q, r;
                    if (variant < 2)
                        basic_poly_divide(a.get(), b.get(), q, r);
                    else
                        fast_mod_and_div(a.get(), b.get(), q, r);
                    polyimpl::dense_division = saved;
                    ASSERT_TRUE(same_poly(q.get(), q0.get(), 1));
                    ASSERT_TRUE(same_poly(r.get(), r0.get(), 1));
                }
            }
    }
}
