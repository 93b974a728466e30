// Evaluation and derivatives: evaluation commutes with sums and products and
// agrees with the expansion; derivatives obey the product rule.
#include <gtest/gtest.h>

#include <random>

#include "poly/poly_arith.h"
#include "poly/poly_eval.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "poly_support.h"
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

TEST(PolyEval, MainVariableConstantsAndZero) {
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    // x^5 + 1 at 2 is 33.
    Poly p = sum(power(x.get(), 5).get(), int_poly(1).get());
    Poly r;
    poly_at_numb(r, p.get(), int_poly(2).get(), nullptr, false);
    EXPECT_TRUE(poly_equal(r.get(), int_poly(33).get()));
    // y x^2 + x at x = 3 is 9y + 3: one level down, wrapped again with pad.
    Poly q = sum(product(y.get(), power(x.get(), 2).get()).get(), x.get());
    poly_at_numb(r, q.get(), int_poly(3).get(), nullptr, false);
    Poly inner = sum(product(int_poly(9).get(), y.get()).get(), int_poly(3).get());
    ASSERT_FALSE(inner.get()->isnum);
    EXPECT_TRUE(poly_equal(r.get(), inner.get()->sub));
    poly_at_numb(r, q.get(), int_poly(3).get(), nullptr, true);
    EXPECT_TRUE(poly_equal(r.get(), inner.get()));
    // A zero input gives no result; a constant is copied.
    Poly none;
    std::vector<const PolyNode*> vals{int_poly(1).release(), nullptr};
    Poly hold(const_cast<PolyNode*>(vals[0]));
    all_poly_eval(int_poly(0).get(), vals.data(), 2, none, 0);
    EXPECT_FALSE(none);
    all_poly_eval(int_poly(4).get(), vals.data(), 2, none, 0);
    EXPECT_TRUE(poly_equal(none.get(), int_poly(4).get()));
    // A value that is not a constant is an internal error.
    EXPECT_TRUE(raises_error([&] { poly_at_numb(r, q.get(), y.get(), nullptr, false); }));
}

TEST(PolyEval, EvaluatorPointsAndLaurentPolys) {
    Ring ring(0);
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    Poly q = sum(product(y.get(), power(x.get(), 2).get()).get(), x.get());
    Poly two = int_poly(2), five = int_poly(5);
    EvalPoint pts[] = {{2, five.get()}, {1, two.get()}};
    Poly num, den;
    poly_eval_points(q.get(), pts, 2, num, den);
    EXPECT_TRUE(poly_equal(num.get(), int_poly(22).get()));
    EXPECT_FALSE(den);
    EvalPoint only_y[] = {{2, five.get()}};
    poly_eval_points(q.get(), only_y, 1, num, den);
    EXPECT_TRUE(same_poly(num.get(), sum(product(int_poly(5).get(), power(x.get(), 2).get()).get(), x.get()).get(), 2));
    // x^-2 + x at x = 2 is (1 + 2^3) / 2^2.
    laurent = 1;
    Poly xinv2(copy_poly(x.get()));
    xinv2.get()->expo = -2;
    Poly l = sum(xinv2.get(), x.get());
    EvalPoint at2[] = {{1, two.get()}};
    poly_eval_points(l.get(), at2, 1, num, den);
    EXPECT_TRUE(poly_equal(num.get(), int_poly(9).get()));
    ASSERT_TRUE(den);
    EXPECT_TRUE(poly_equal(den.get(), int_poly(4).get()));
    // Modulo 7 the direct forms use the inverse: x^-2 + x at 2 is 1/4 + 2.
    Ring m7(7);
    laurent = 1;
    Poly x7 = var_poly(1), two7 = int_poly(2);
    Poly xi7(copy_poly(x7.get()));
    xi7.get()->expo = -2;
    Poly l7 = sum(xi7.get(), x7.get());
    all_poly_eval(l7.get(), std::vector<const PolyNode*>{two7.get(), nullptr}.data(), 2, num, 0);
    EXPECT_EQ(num.get()->num.lint(), (2 + 2) % 7);  // 1/4 = 2 mod 7
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

TEST(PolyDiff, SmallDerivativesInEachVariable) {
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    Poly five = int_poly(5);
    poly_diff(five, 1);
    EXPECT_TRUE(poly_iszero(five.get()));
    Poly x3 = power(x.get(), 3);
    Poly d(copy_poly(x3.get()));
    poly_diff(d, 1);
    EXPECT_TRUE(same_poly(d.get(), product(int_poly(3).get(), power(x.get(), 2).get()).get(), 2));
    Poly e = sum(x3.get(), x.get());
    poly_diff(e, 2);
    EXPECT_TRUE(same_poly(e.get(), product(int_poly(6).get(), x.get()).get(), 2));
    // d/dy (y x^2 + y^2) = x^2 + 2y.
    Poly f = sum(product(y.get(), power(x.get(), 2).get()).get(), power(y.get(), 2).get());
    general_poly_diff(f, 1, 2);
    EXPECT_TRUE(same_poly(f.get(), sum(power(x.get(), 2).get(), product(int_poly(2).get(), y.get()).get()).get(), 2));
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
    {
        Ring m7(7);
        laurent = 1;
        Poly lo = var_poly(1);
        lo.get()->expo = -2147483647;
        EXPECT_TRUE(raises_error([&] { poly_diff(lo, 2); }));
    }
    // Rational mode refuses exponents beyond 2^28 - 1 outright.
    Poly big(copy_poly(x.get()));
    big.get()->expo = 1 << 29;
    EXPECT_TRUE(raises_error([&] { poly_diff(big, 1); }));
}

TEST(PolyEval, ResidueValues) {
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    Poly q = sum(product(y.get(), power(x.get(), 3).get()).get(), int_poly(4).get());  // y x^3 + 4
    Poly r;
    poly_at_numb(r, q.get(), int_poly(-2).get(), nullptr, true);
    EXPECT_TRUE(same_poly(r.get(), sum(product(int_poly(-8).get(), y.get()).get(), int_poly(4).get()).get(), 2));
    Ring ring(11);
    Poly x11 = var_poly(1), five = int_poly(5);
    Poly p = sum(power(x11.get(), 10).get(), int_poly(3).get());  // x^10 + 3
    poly_at_numb(r, p.get(), five.get(), nullptr, false);
    EXPECT_EQ(r.get()->num.lint(), 4);  // 5^10 = 1 mod 11
    // Every level given: evaluated directly on the residues.
    const PolyNode* const vals[] = {five.get()};
    all_poly_eval(p.get(), vals, 1, r, 0);
    ASSERT_TRUE(poly_is_const(r.get()));
    EXPECT_EQ(r.get()->num.lint(), 4);
}

}  // namespace
