// The one-variable GCD over Z/p and the fields of characteristic 2: the
// GCD of a c and b c is monic, a multiple of c, divides both and leaves
// coprime cofactors; every method gives the same poly.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gcd/gcd_methods.h"
#include "gcd/half_gcd.h"
#include "gcd/univariate_gcd.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_residues.h"
#include "poly/poly_support.h"
#include "gcd_test_support.h"
#include "raised.h"

using namespace tolmex;
using gcdimpl::Residues;
using gcdtest::P;
using gcdtest::var;

namespace {

const int32_t kRings[] = {2, 3, 32003, 65521, 2147483629, 256, 65536};

// Forces one method of basic_poly_gcd while it lives.
struct Force {
    explicit Force(UniGcdMethod m) { unigcd_method = m; }
    ~Force() { unigcd_method = UniGcdMethod::Automatic; }
};

Residues random_residues(std::mt19937_64& rng, int32_t deg, int32_t m) {
    Residues a(static_cast<size_t>(deg) + 1);
    for (auto& v : a) v = static_cast<int32_t>(rng() % static_cast<uint64_t>(m));
    if (deg >= 0) a.back() = 1 + static_cast<int32_t>(rng() % static_cast<uint64_t>(m - 1));
    return a;
}

// A random poly of degree deg (deg -1: the zero poly).
Poly random_onevar(std::mt19937_64& rng, int32_t deg, int32_t m) {
    Residues a = random_residues(rng, deg, m);
    return Poly(residues_poly(a.data(), static_cast<int32_t>(a.size())));
}

Poly gcd_by(UniGcdMethod m, const PolyNode* a, const PolyNode* b) {
    Force f(m);
    Poly g;
    basic_poly_gcd(a, b, g);
    return g;
}

bool divides(const PolyNode* d, const PolyNode* a) {
    if (poly_iszero(d)) return poly_iszero(a);
    if (poly_is_const(d)) return true;  // a unit of the field
    Poly r;
    poly_mod_or_div(a, d, r, '|', nullptr);
    return poly_iszero(r.get());
}

Poly quotient(const PolyNode* a, const PolyNode* d) {
    Poly q;
    poly_mod_or_div(a, d, q, '/', nullptr);
    return q;
}

// Every property of g = gcd(a c, b c), every method agreeing.
void check_gcd(const PolyNode* a, const PolyNode* b, const PolyNode* c) {
    Poly A = polytest::product(a, c), B = polytest::product(b, c);
    Poly g = gcd_by(UniGcdMethod::Automatic, A.get(), B.get());
    for (UniGcdMethod m : {UniGcdMethod::Emgcd, UniGcdMethod::Euclid, UniGcdMethod::HalfGcd}) {
        Poly h = gcd_by(m, A.get(), B.get());
        ASSERT_TRUE(poly_equal(g.get(), h.get())) << "method " << static_cast<int>(m) << ": "
            << polytest::text(g.get(), 1) << " vs " << polytest::text(h.get(), 1);
    }
    ASSERT_TRUE(polytest::well_formed(g.get()));
    if (poly_iszero(A.get()) && poly_iszero(B.get())) {
        EXPECT_TRUE(poly_iszero(g.get()));
        return;
    }
    EXPECT_EQ(leading_number(g.get()).lint(), 1);
    if (!poly_iszero(c)) {
        EXPECT_TRUE(divides(c, g.get()));
    }
    EXPECT_TRUE(divides(g.get(), A.get()));
    EXPECT_TRUE(divides(g.get(), B.get()));
    // The cofactors are coprime: s A/g + t B/g = 1.
    Poly ca = quotient(A.get(), g.get()), cb = quotient(B.get(), g.get()), one, s, t;
    emgcd_poly(ca.get(), cb.get(), one, &s, &t);
    EXPECT_TRUE(poly_eq_1(one.get())) << polytest::text(one.get(), 1);
    Poly sa = polytest::product(s.get(), ca.get()), tb = polytest::product(t.get(), cb.get());
    EXPECT_TRUE(poly_eq_1(polytest::sum(sa.get(), tb.get()).get()));
}

class UniGcd : public ::testing::TestWithParam<int32_t> {};

// Balanced, unbalanced, zero (-1) and constant (0) operands, then degrees
// that take the half-GCD recursion past its switch.
TEST_P(UniGcd, CommonFactorPropertiesAndMethodsAgree) {
    POLYTEST_SEED_TRACE();
    polytest::use_vars(1);
    const int32_t m = GetParam();
    polytest::Ring ring(m);
    std::mt19937_64 rng(polytest::seed() + static_cast<uint64_t>(m));
    for (int round = 0; round < 62; ++round) {
        const auto deg = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint64_t>(n)); };
        int32_t da = deg(40) - 1, db = round % 3 == 0 ? deg(3) - 1 : deg(40), dc = deg(12);
        if (round >= 60) {
            da = round == 60 ? 300 : 700;
            db = da - 37;
            dc = da / 4;
        }
        Poly a = random_onevar(rng, da, m), b = random_onevar(rng, db, m), c = random_onevar(rng, dc, m);
        SCOPED_TRACE("round " + std::to_string(round));
        check_gcd(a.get(), b.get(), c.get());
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Rings, UniGcd, ::testing::ValuesIn(kRings));

// The matrix of hgcd takes (a, b) to a pair whose degrees straddle half the
// degree of a, and is the product of Euclidean steps: the same pair as
// plain steps down to that degree.
TEST(HalfGcd, MatrixStraddlesHalfTheDegree) {
    POLYTEST_SEED_TRACE();
    for (int32_t m : {2, 32003, 2147483629, 65536}) {
        polytest::Ring ring(m);
        std::mt19937_64 rng(polytest::seed() + 7 * static_cast<uint64_t>(m));
        for (int32_t n : {129, 400, 1001}) {
            Residues a = random_residues(rng, n, m), b = random_residues(rng, n - 1 - n % 5, m);
            PolyMatrix M;
            hgcd(a, b, M);
            Residues x = a, y = b;
            const auto mul = [](const Residues& u, const Residues& v) { return gcdimpl::product(u, v); };
            Residues a2 = gcdimpl::sum(mul(M.m[0][0], x), mul(M.m[0][1], y));
            Residues b2 = gcdimpl::sum(mul(M.m[1][0], x), mul(M.m[1][1], y));
            const int32_t half = (n + 1) / 2;
            EXPECT_GE(gcdimpl::degree(a2), half) << m << " " << n;
            EXPECT_LT(gcdimpl::degree(b2), half) << m << " " << n;
            PolyMatrix P;
            parthg(x, y, half, P);
            EXPECT_EQ(a2, x) << m << " " << n;
            EXPECT_EQ(b2, y) << m << " " << n;
        }
    }
}

// Known GCDs, zero and constants, and exponents that all share a factor,
// by every method.
TEST(UniGcdCases, ZeroConstantsAndKnownValues) {
    polytest::use_vars(1);
    polytest::Ring ring(7);
    const P x = var(1), zero = 0, five = 5;
    for (UniGcdMethod m : {UniGcdMethod::Emgcd, UniGcdMethod::Euclid, UniGcdMethod::HalfGcd}) {
        const auto gcd_is = [m](const P& a, const P& b, const P& want) {
            Poly g = gcd_by(m, a.get(), b.get());
            EXPECT_TRUE(poly_equal(g.get(), want.get())) << static_cast<int>(m) << ": "
                                                         << polytest::text(g.get(), 1);
        };
        EXPECT_TRUE(poly_iszero(gcd_by(m, zero.get(), zero.get()).get()));
        gcd_is(zero, P(3) * x + P(6), x + P(2));
        gcd_is(five, (x ^ 2) + P(1), 1);
        gcd_is(zero, five, 1);
        gcd_is((x ^ 6) - P(1), (x ^ 9) - P(1), (x ^ 3) - P(1));
    }
}

// An operand too long for an array is reduced term by term modulo the
// other: x^2 + x + 1 divides x^(3k+2) + x + 1. Two such operands are error
// 375.
TEST(UniGcdCases, LongSparseOperand) {
    polytest::use_vars(1);
    polytest::Ring ring(32003);
    const P x = var(1), c = (x ^ 2) + x + P(1), big = x ^ 99999998, a = big + x + P(1);
    Poly g;
    basic_poly_gcd(a.get(), c.get(), g);
    EXPECT_TRUE(poly_equal(g.get(), c.get())) << polytest::text(g.get(), 1);
    basic_poly_gcd(c.get(), (big + P(1)).get(), g);  // x^(3k+2) + 1
    EXPECT_TRUE(poly_eq_1(g.get()));
    const P b = (x ^ 50000001) + P(1);
    EXPECT_EQ(unit::raised_code([&] { basic_poly_gcd(a.get(), b.get(), g); }), 375);
}

// An operand with a coefficient that is not a number is an internal stop.
TEST(UniGcdCases, TwoVariableOperandStops) {
    polytest::use_vars(2);
    polytest::Ring ring(5);
    Poly xy = polytest::product(polytest::var_poly(1).get(), polytest::var_poly(2).get()), g;
    EXPECT_EQ(unit::raised_code([&] { basic_poly_gcd(xy.get(), polytest::var_poly(1).get(), g); }), 0);
}

}  // namespace
