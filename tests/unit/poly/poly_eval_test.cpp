// Evaluation and derivatives: evaluation commutes with sums and products and
// agrees with the expansion; derivatives obey the product rule.
#include <gtest/gtest.h>

#include <random>

#include "poly/poly_arith.h"
#include "poly/poly_eval.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/decimal.h"
#include "poly_support.h"
#include "raised.h"
#include "numbers/modular_state.h"

using namespace tolmex;
using namespace polytest;

namespace {

// Evaluation at a random choice of levels (each level evaluated or kept).
struct Points {
    std::vector<Poly> owned;
    std::vector<const PolyNode*> values;
};

Points random_points(std::mt19937_64& rng, int nv, bool all) {
    Points p;
    p.owned.resize(static_cast<size_t>(nv));
    p.values.assign(static_cast<size_t>(nv), kKeepLevel);
    for (int i = 0; i < nv; ++i) {
        if (!all && rng() % 2) continue;
        p.owned[static_cast<size_t>(i)] = int_poly(static_cast<int64_t>(rng() % 2001) - 1000);
        p.values[static_cast<size_t>(i)] = p.owned[static_cast<size_t>(i)].get();
    }
    return p;
}

Poly eval(const PolyNode* p, const Points& pts, int nv) {
    Poly r;
    all_poly_eval(p, pts.values.data(), nv, r, 0);
    if (!r) r = int_poly(0);
    return r;
}

TEST(PolyEval, CommutesWithSumsAndProducts) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 40);
    for (int32_t m : {0, 7, 65521, 2147483629, 65536}) {
        Ring ring(m);
        for (int nv = 1; nv <= 5; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 8; ++round) {
                SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nv));
                Poly a = random_poly(rng, {nv, 12, 5, round % 2 ? 100 : 3});
                Poly b = random_poly(rng, {nv, 12, 5, 3});
                Points pts = random_points(rng, nv, round % 3 == 0);
                Poly ea = eval(a.get(), pts, nv), eb = eval(b.get(), pts, nv);
                ASSERT_TRUE(well_formed(ea.get()));
                Poly es = eval(sum(a.get(), b.get()).get(), pts, nv);
                Poly ep = eval(product(a.get(), b.get()).get(), pts, nv);
                EXPECT_TRUE(same_poly(es.get(), sum(ea.get(), eb.get()).get(), nv));
                EXPECT_TRUE(same_poly(ep.get(), product(ea.get(), eb.get()).get(), nv));
            }
        }
    }
}

TEST(PolyEval, DirectAndLevelByLevelFormsAgree) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 41);
    for (int32_t m : {0, 65521}) {
        Ring ring(m);
        use_vars(4);
        for (int round = 0; round < 10; ++round) {
            Poly a = random_poly(rng, {4, 20, 6, 20});
            Points pts = random_points(rng, 4, true);
            Poly direct = eval(a.get(), pts, 4);
            ASSERT_TRUE(poly_is_const(direct.get()));
            // One level at a time with poly_at_numb.
            Poly step(copy_poly(a.get()));
            for (int i = 0; i < 4; ++i) {
                // Evaluate the outermost remaining level, which is level 1 of
                // the remaining poly once the previous ones are gone.
                Poly r;
                poly_at_numb(r, step.get(), pts.values[static_cast<size_t>(i)], nullptr, false);
                step = std::move(r);
            }
            EXPECT_TRUE(same_poly(step.get(), direct.get(), 4));
            // k = 1 keeps the outermost level.
            Poly kept;
            all_poly_eval(a.get(), pts.values.data(), 4, kept, 1);
            Poly back;
            poly_at_numb(back, kept.get(), pts.values[0], nullptr, false);
            EXPECT_TRUE(same_poly(back.get(), direct.get(), 4));
        }
    }
}

// The level structure of a result (the values of the transcripts' "#"
// show the numbers): one level down, wrapped again with pad; no result for
// 0; an internal stop (code 0) for a value that is not a constant. Laurent
// polys give a numerator and a denominator, or modulo p the inverse.
TEST(PolyEval, LevelsZeroAndLaurentPolys) {
    Ring ring(0);
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2), r;
    // y x^2 + x at x = 3 is 9y + 3.
    Poly q = sum(product(y.get(), power(x.get(), 2).get()).get(), x.get());
    poly_at_numb(r, q.get(), int_poly(3).get(), nullptr, false);
    Poly inner = sum(product(int_poly(9).get(), y.get()).get(), int_poly(3).get());
    ASSERT_FALSE(inner.get()->isnum);
    EXPECT_TRUE(poly_equal(r.get(), inner.get()->sub));
    poly_at_numb(r, q.get(), int_poly(3).get(), nullptr, true);
    EXPECT_TRUE(poly_equal(r.get(), inner.get()));
    EXPECT_EQ(unit::raised_code([&] { poly_at_numb(r, q.get(), y.get(), nullptr, false); }), 0);
    Poly none, one = int_poly(1);
    std::vector<const PolyNode*> vals{one.get(), nullptr};
    all_poly_eval(int_poly(0).get(), vals.data(), 2, none, 0);
    EXPECT_FALSE(none);
    // x^-2 + x at x = 2 is (1 + 2^3) / 2^2.
    laurent = 1;
    Poly two = int_poly(2), num, den;
    Poly l = sum(monomial_poly(int_number(1), {-2}).get(), x.get());
    EvalPoint at2[] = {{1, two.get()}};
    poly_eval_points(l.get(), at2, 1, num, den);
    EXPECT_TRUE(poly_equal(num.get(), int_poly(9).get()));
    ASSERT_TRUE(den);
    EXPECT_TRUE(poly_equal(den.get(), int_poly(4).get()));
    // Modulo 7: 1/4 + 2 = 2 + 2.
    Ring m7(7);
    laurent = 1;
    Poly l7 = sum(monomial_poly(int_number(1), {-2}).get(), var_poly(1).get()), two7 = int_poly(2);
    all_poly_eval(l7.get(), std::vector<const PolyNode*>{two7.get(), nullptr}.data(), 2, num, 0);
    EXPECT_EQ(num.get()->num.lint(), 4);
}

Poly derivative(const PolyNode* p, int k, int level) {
    Poly d(copy_poly(p));
    general_poly_diff(d, k, level);
    return d;
}

TEST(PolyDiff, ProductRuleAndIteratedDerivatives) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 42);
    for (int32_t m : {0, 7, 3, 6, 65521, 256}) {
        Ring ring(m);
        for (int nv = 1; nv <= 4; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 6; ++round) {
                SCOPED_TRACE("modulus " + std::to_string(m) + " vars " + std::to_string(nv));
                Poly a = random_poly(rng, {nv, 10, 7, round % 2 ? 50 : 3});
                Poly b = random_poly(rng, {nv, 10, 7, 3});
                const int level = 1 + static_cast<int>(rng() % static_cast<uint64_t>(nv));
                Poly lhs = derivative(product(a.get(), b.get()).get(), 1, level);
                Poly rhs = sum(product(derivative(a.get(), 1, level).get(), b.get()).get(),
                               product(a.get(), derivative(b.get(), 1, level).get()).get());
                ASSERT_TRUE(well_formed(lhs.get()));
                EXPECT_TRUE(same_poly(lhs.get(), rhs.get(), nv));
                // The k-th derivative is the first one taken k times.
                const int k = 2 + static_cast<int>(rng() % 3);
                Poly dk = derivative(a.get(), k, level);
                Poly it(copy_poly(a.get()));
                for (int i = 0; i < k; ++i) general_poly_diff(it, 1, level);
                EXPECT_TRUE(same_poly(dk.get(), it.get(), nv));
            }
        }
    }
}

// The base cases the product rule cannot check (a derivation scaled by any
// constant obeys it too), modular characteristics, Laurent exponents, and
// exponents out of range.
TEST(PolyDiff, PartExamples) {
    use_vars(2);
    Poly x = var_poly(1);
    Poly d = power(x.get(), 3);
    poly_diff(d, 1);
    EXPECT_TRUE(same_poly(d.get(), product(int_poly(3).get(), power(x.get(), 2).get()).get(), 2));
    {
        Ring ring(3);
        Poly c = power(var_poly(1).get(), 3);
        poly_diff(c, 1);
        EXPECT_TRUE(poly_iszero(c.get()));
    }
    {
        Ring ring(256);
        Poly xf = var_poly(1);
        Poly c = sum(power(xf.get(), 3).get(), power(xf.get(), 2).get());  // x^3 + x^2 -> x^2
        poly_diff(c, 1);
        EXPECT_TRUE(same_poly(c.get(), power(xf.get(), 2).get(), 2));
    }
    // Laurent: d/dx x^-1 = -x^-2; an exponent pushed out of range is error 376.
    Ring ring(0);
    laurent = 1;
    Poly xi(copy_poly(x.get()));
    xi.get()->expo = -1;
    poly_diff(xi, 1);
    EXPECT_EQ(xi.get()->expo, -2);
    EXPECT_EQ(number_to_decimal(leading_number(xi.get())), "-1");
    {
        Ring m7(7);
        laurent = 1;
        Poly lo = var_poly(1);
        lo.get()->expo = -2147483647;
        EXPECT_EQ(unit::raised_code([&] { poly_diff(lo, 2); }), kErrExponentTooLarge);
    }
    // Rational mode refuses exponents beyond 2^28 - 1 outright (an internal
    // stop, code 0).
    Poly big(copy_poly(x.get()));
    big.get()->expo = 1 << 29;
    EXPECT_EQ(unit::raised_code([&] { poly_diff(big, 1); }), 0);
}

}  // namespace
