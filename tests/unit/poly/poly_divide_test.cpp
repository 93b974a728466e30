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
                EXPECT_TRUE(poly_iszero(r.get()) || main_degree(r.get()) < main_degree(b.get()));
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

// Division by the constant 0 is error 22 at the top level; a Laurent poly
// has no remainder (error 205).
TEST(PolyDivide, ErrorCodes) {
    use_vars(1);
    Poly p = sum(power(var_poly(1).get(), 2).get(), int_poly(5).get()), r;
    EXPECT_EQ(unit::raised_code([&] { poly_mod_or_div(p.get(), int_poly(0).get(), r, '|', nullptr); }),
              kErrDivideByZero);
    Ring ring(0);
    laurent = 1;
    Poly inv = var_poly(1);
    inv.get()->expo = -1;
    Poly a = sum(inv.get(), int_poly(1).get());
    EXPECT_EQ(unit::raised_code([&] { poly_mod_or_div(a.get(), var_poly(1).get(), r, '|', nullptr); }),
              205);
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
                    EXPECT_FALSE(trial_poly_divide(ab1.get(), b.get(), q, nullptr));
                    try_rat = saved;
                }
                // The pre-tests never refute a true multiple.
                EXPECT_EQ(fast_test(2, ab.get(), b.get()), TestVerdict::NoVerdict);
                EXPECT_TRUE(m != 0 || fast_test_rat(ab.get(), b.get()) == TestVerdict::NoVerdict);
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

// The rational test works on images modulo a word prime: a product of many
// linear forms with huge coefficients is refuted by a form it lacks, never
// by one it has, and a divisor of higher degree is refuted at once.
TEST(PolyDivide, RationalTestOnLargeProducts) {
    Ring ring(0);
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2), d = int_poly(1);
    auto form = [&](int64_t i) {
        Poly iy = product(int_poly(i).get(), y.get());
        return sum(x.get(), iy.get());
    };
    for (int64_t i = 1; i <= 60; ++i) d = product(d.get(), form(i * 1000003).get());
    EXPECT_EQ(fast_test_rat(d.get(), form(61 * 1000003).get()), TestVerdict::Refuted);
    EXPECT_EQ(fast_test_rat(d.get(), form(17 * 1000003).get()), TestVerdict::NoVerdict);
    EXPECT_EQ(fast_test_rat(form(3).get(), d.get()), TestVerdict::Refuted);
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
    EXPECT_EQ(unit::raised_code([&] { quot(int_number(3), int_number(0), z); }), kErrDivideByZero);
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

// A dense random one-variable poly of degree d with small nonzero
// coefficients, or every one m - 1 (extreme); the leading one is `lead`
// when that is not 0.
Poly dense_onevar(std::mt19937_64& rng, int32_t d, int64_t lead, bool extreme = false) {
    Poly acc = int_poly(0);
    const uint64_t span = static_cast<uint64_t>(modulus < 200 ? modulus - 1 : 199);
    for (int32_t e = 0; e <= d; ++e) {
        int64_t c = extreme ? modulus - 1 : 1 + static_cast<int64_t>(rng() % span);
        if (e == d && lead) c = lead;
        best_poly_add(std::move(acc), monomial_poly(int_number(c), {e}), acc);
    }
    return acc;
}

}  // namespace

// Every division entry, on arrays and on term lists, gives the quotient and
// remainder of long division on the lists: quotients shorter and much
// longer than the divisor (the block method), dense, sparse and extreme
// (every residue m - 1) dividends, monic and other divisors (a unit leading
// coefficient modulo 6 and 2147483646), prime, composite and field moduli,
// two sets of cut-offs. The divide-and-conquer entry wants a monic divisor
// on lists.
TEST(PolyDivide, EveryEntryAgreesWithLongDivision) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 26);
    use_vars(1);
    struct Shape {
        int32_t db, ratio;
    };
    const Shape shapes[] = {{1, 3},  {5, 1},   {5, 9},   {5, 40},  {30, 2},  {30, 3},
                            {30, 8}, {30, 25}, {60, 10}, {130, 1}, {130, 4}, {130, 12}};
    for (int32_t m : {65521, 7, 32003, 2147483629, 2147483646, 6, 256, 65536}) {
        Ring ring(m);
        int round = 0;
        for (const Shape& s : shapes)
            for (int k = 0; k < 2; ++k) {
                const int kind = round % 3;  // dense, sparse, extreme
                const bool monic = ++round % 2 == 0;
                const int32_t da = s.db * s.ratio + static_cast<int32_t>(rng() % 7);
                const int64_t lead = monic ? 1 : m == 6 || m == 2147483646 ? 5 : 0;
                Poly b = dense_onevar(rng, s.db, lead, kind == 2);
                Poly a = kind == 1 ? sum(random_poly(rng, {1, 12, da, 1}).get(),
                                         monomial_poly(int_number(1), {da}).get())
                                   : dense_onevar(rng, da, 0, kind == 2);
                Poly q0, r0;
                {
                    Cutoffs cut(1 << 30, 1 << 30, 0, 1 << 30, 1 << 30);
                    simplest_poly_divide(a.get(), b.get(), q0, r0);
                }
                ASSERT_TRUE(same_poly(sum(product(q0.get(), b.get()).get(), r0.get()).get(), a.get(), 1));
                ASSERT_TRUE(poly_iszero(r0.get()) || main_degree(r0.get()) < s.db);
                for (int cuts = 0; cuts < 2; ++cuts)
                    for (bool arrays : {true, false})
                        for (int entry = 0; entry < 3; ++entry) {
                            if (entry == 2 && !arrays && !monic) continue;
                            SCOPED_TRACE("modulus " + std::to_string(m) + " shape " +
                                         std::to_string(da) + "/" + std::to_string(s.db) + " kind " +
                                         std::to_string(kind) + " cut-offs " + std::to_string(cuts) +
                                         " arrays " + std::to_string(arrays) + " entry " +
                                         std::to_string(entry));
                            Cutoffs cut(cuts ? 6 : 3, cuts ? 4 : 2, 25000, cuts ? 8 : 2, cuts ? 4 : 25);
                            const bool saved = polyimpl::dense_division;
                            polyimpl::dense_division = arrays;
                            Poly q, r;
                            if (entry == 0) basic_poly_divide(a.get(), b.get(), q, r);
                            if (entry == 1) fastest_poly_div(a.get(), b.get(), q, r);
                            if (entry == 2) fast_mod_and_div(a.get(), b.get(), q, r);
                            polyimpl::dense_division = saved;
                            ASSERT_TRUE(same_poly(q.get(), q0.get(), 1));
                            ASSERT_TRUE(same_poly(r.get(), r0.get(), 1));
                        }
            }
    }
}
