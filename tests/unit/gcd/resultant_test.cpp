// Resultants: against the determinant of the Sylvester matrix (computed here
// by fraction-free elimination), multiplicative in each argument, zero
// exactly when there is a common factor, and the degree-0 cases.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "gcd/resultant.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"
#include "poly/poly_terms.h"
#include "gcd_test_support.h"

using namespace tolmex;
using gcdtest::P;
using gcdtest::var;

namespace {

P res(const P& a, const P& b, int k) {
    Poly r;
    resultant(a.get(), b.get(), k, r);
    return P(std::move(r));
}

int32_t degree_in(const PolyNode* p, int k) { return poly_involves_level(p, k) ? level_degree(p, k) : 0; }

P coef(const P& p, int k, int32_t e) {
    Poly c;
    level_coefficient(p.get(), k, e, c);
    return P(std::move(c));
}

P exact(const P& a, const P& b) {
    Poly q;
    if (poly_is_const(b.get())) {
        EXPECT_TRUE(poly_quot(a.get(), b.get(), q, 0));
    } else {
        int inexact = 0;
        gen_poly_divide(a.get(), b.get(), q, nullptr, inexact);
        EXPECT_EQ(inexact, 0);
    }
    return P(std::move(q));
}

// The determinant of the Sylvester matrix of a and b in x_k, by Bareiss'
// fraction-free elimination with row exchanges.
P sylvester_det(const P& a, const P& b, int k) {
    const int m = degree_in(a.get(), k), n = degree_in(b.get(), k), size = m + n;
    std::vector<std::vector<P>> M(size, std::vector<P>(size, P(0)));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= m; ++j) M[i][i + j] = coef(a, k, m - j);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j <= n; ++j) M[n + i][i + j] = coef(b, k, n - j);
    P prev(1);
    bool negate = false;
    for (int c = 0; c < size; ++c) {
        int pivot = c;
        while (pivot < size && poly_iszero(M[pivot][c].get())) ++pivot;
        if (pivot == size) return P(0);
        if (pivot != c) {
            std::swap(M[pivot], M[c]);
            negate = !negate;
        }
        for (int i = c + 1; i < size; ++i) {
            for (int j = c + 1; j < size; ++j)
                M[i][j] = exact(M[i][j] * M[c][c] - M[i][c] * M[c][j], prev);
            M[i][c] = P(0);
        }
        prev = M[c][c];
    }
    return negate ? P(0) - prev : prev;
}

// A random poly in two variables of degree at most d in each, given main
// degree in level 1.
P random_poly(std::mt19937_64& rng, int d, int spread) {
    std::uniform_int_distribution<int> c(-spread, spread), e(0, d);
    P p(0);
    for (int t = 0; t < 5; ++t) p = p + P(c(rng)) * (var(1) ^ e(rng)) * (var(2) ^ e(rng));
    return p;
}

void check_rings(const std::function<void()>& body) {
    for (int32_t m : {0, 101, 65521, 256}) {
        SCOPED_TRACE("modulus " + std::to_string(m));
        polytest::Ring ring(m);
        body();
    }
}

}  // namespace

TEST(Resultant, MatchesTheSylvesterDeterminant) {
    POLYTEST_SEED_TRACE();
    polytest::use_vars(2);
    std::mt19937_64 rng(polytest::seed());
    check_rings([&] {
        for (int round = 0; round < 12; ++round) {
            const P a = random_poly(rng, 4, 9), b = random_poly(rng, 3, 9);
            for (int k = 1; k <= 2; ++k) {
                if (poly_iszero(a.get()) || poly_iszero(b.get())) continue;
                if (degree_in(a.get(), k) == 0 || degree_in(b.get(), k) == 0) continue;
                EXPECT_TRUE(polytest::same_poly(res(a, b, k).get(), sylvester_det(a, b, k).get(), 2))
                    << "level " << k << ": " << polytest::text(a.get(), 2) << " and "
                    << polytest::text(b.get(), 2);
            }
        }
    });
}

TEST(Resultant, MultiplicativeAndZeroExactlyOnCommonFactors) {
    POLYTEST_SEED_TRACE();
    polytest::use_vars(2);
    std::mt19937_64 rng(polytest::seed() + 1);
    polytest::Ring ring(0);
    const P x = var(1), y = var(2);
    for (int round = 0; round < 8; ++round) {
        const P a = random_poly(rng, 2, 5) + (x ^ 2), b = random_poly(rng, 2, 5) + x,
                c = random_poly(rng, 3, 5) + (x ^ 3);
        EXPECT_TRUE(polytest::same_poly(res(a * b, c, 1).get(), (res(a, c, 1) * res(b, c, 1)).get(), 2));
        EXPECT_TRUE(poly_iszero(res(a * (x + y), b * (x + y), 1).get()));
        EXPECT_TRUE(poly_iszero(res(a * (y - P(2)), c * (y - P(2)), 2).get()));
    }
    // Coprime: distinct roots give the product of their differences.
    EXPECT_TRUE(poly_equal(res(x - P(3), (x - P(1)) * (x + P(2)), 1).get(), P(10).get()));
    EXPECT_TRUE(poly_equal(res(x * x - y, x - P(2), 1).get(), (P(4) - y).get()));
}

TEST(Resultant, DegreeZeroAndZeroArguments) {
    polytest::use_vars(2);
    check_rings([] {
        const P x = var(1), y = var(2);
        const P b = (x ^ 3) + y * x + P(1);
        EXPECT_TRUE(poly_equal(res(y + P(1), b, 1).get(), ((y + P(1)) ^ 3).get()));
        EXPECT_TRUE(poly_equal(res(b, P(5), 1).get(), (P(5) ^ 3).get()));
        EXPECT_TRUE(poly_iszero(res(P(0), b, 1).get()));
        // b is a line in y with leading coefficient x: the Sylvester matrix
        // [[x, x^3 + 1], [1, -2]] gives -(x^3 + 2x + 1).
        EXPECT_TRUE(polytest::same_poly(res(b, y - P(2), 2).get(), (P(0) - (x ^ 3) - P(2) * x - P(1)).get(), 2));
    });
}
