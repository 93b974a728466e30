// The minimal polynomial on seeded random matrices over Q and modulo 2 and
// 65521, checked here: it is monic, annihilates the matrix and divides the
// characteristic polynomial; diag(B, B) has the minimal polynomial of B; a
// dense random rational matrix has one of full degree. Hand cases and the
// errors (367 for unsuited entries or moduli, 313 not square, 182 without
// a polynomial variable).
#include <gtest/gtest.h>

#include <random>

#include "matrix/chpoly.h"
#include "matrix/det_support.h"
#include "matrix/matrix.h"
#include "matrix/minpoly.h"
#include "poly/poly_coefs.h"
#include "poly/poly_terms.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"

using namespace tolmex;

namespace {

class MinpolyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!polynames) adjoin_poly_var("x", false);
    }
};

Quoly num_q(int64_t v) { return make_numeric(polytest::int_number(v)); }

Matrix random_square(std::mt19937_64& rng, int32_t n, int64_t bound, bool dense) {
    Matrix m = Matrix::zero(n, n, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            const int64_t v = !dense && rng() % 3 == 0 ? 0 : static_cast<int64_t>(rng() % (2 * bound + 1)) - bound;
            if (v) m.set(r, c, num_q(v));
        }
    return m;
}

Quoly coef(const std::vector<Quoly>& p, size_t k) {
    return k < p.size() && p[k] ? quoly_copy(p[k].get()) : num_q(0);
}

bool is_zero(const Quoly& q) { return !q || quoly_iszero(q.get()); }

using dettest::divides_chpoly;
using dettest::evaluate_at;

void expect_minpoly_properties(const Matrix& a, const std::vector<Quoly>& p) {
    ASSERT_FALSE(p.empty());
    Quoly lead = coef(p, p.size() - 1);
    EXPECT_TRUE(quoly_equal(lead.get(), num_q(1).get())) << "not monic";
    EXPECT_LE(static_cast<int32_t>(p.size()) - 1, a.rows);
    EXPECT_TRUE(matrix_is_zero(evaluate_at(p, a))) << "does not annihilate";
    EXPECT_TRUE(divides_chpoly(p, a)) << "does not divide the characteristic polynomial";
}

using dettest::block_twice;

TEST_F(MinpolyTest, AnnihilatesAndDividesTheCharacteristicPolynomial) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 71);
    for (int32_t ring : {0, 2, 65521}) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE("ring " + std::to_string(ring) + " round " + std::to_string(round));
            Matrix b = random_square(rng, 1 + static_cast<int32_t>(rng() % 4), 9, false);
            std::vector<Quoly> pb = minimal_poly_coefs(b, "Minpoly");
            expect_minpoly_properties(b, pb);
            Matrix a = block_twice(b);
            std::vector<Quoly> pa = minimal_poly_coefs(a, "Minpoly");
            expect_minpoly_properties(a, pa);
            ASSERT_EQ(pa.size(), pb.size()) << "diag(B, B) and B differ";
            for (size_t k = 0; k < pa.size(); ++k)
                EXPECT_TRUE(quoly_equal(coef(pa, k).get(), coef(pb, k).get()));
        }
    }
}

TEST_F(MinpolyTest, DenseRationalMatricesHaveFullDegree) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 72);
    polytest::Ring scope(0);
    for (int round = 0; round < 6; ++round) {
        const int32_t n = 2 + static_cast<int32_t>(rng() % 6);
        Matrix a = random_square(rng, n, 50, true);
        std::vector<Quoly> p = minimal_poly_coefs(a, "Minpoly");
        EXPECT_EQ(static_cast<int32_t>(p.size()) - 1, n);
        expect_minpoly_properties(a, p);
    }
}

TEST_F(MinpolyTest, HandComputed) {
    polytest::Ring scope(0);
    // diag(1, 1, 2): (x - 1)(x - 2) = x^2 - 3x + 2; the zero matrix: x;
    // the Jordan block [[1/2, 1], [0, 1/2]]: x^2 - x + 1/4.
    Matrix d = Matrix::zero(3, 3, false);
    d.set(0, 0, num_q(1));
    d.set(1, 1, num_q(1));
    d.set(2, 2, num_q(2));
    std::vector<Quoly> p = minimal_poly_coefs(d, "Minpoly");
    ASSERT_EQ(p.size(), 3u);
    EXPECT_TRUE(quoly_equal(coef(p, 0).get(), num_q(2).get()));
    EXPECT_TRUE(quoly_equal(coef(p, 1).get(), num_q(-3).get()));
    std::vector<Quoly> z = minimal_poly_coefs(Matrix::zero(2, 2, false), "Minpoly");
    ASSERT_EQ(z.size(), 2u);
    EXPECT_TRUE(is_zero(z[0]));
    Matrix j = Matrix::zero(2, 2, false);
    Quoly half, quarter;
    quot_numbers(number_from_int64(1), number_from_int64(2), half);
    quot_numbers(number_from_int64(1), number_from_int64(4), quarter);
    j.set(0, 0, quoly_copy(half.get()));
    j.set(1, 1, std::move(half));
    j.set(0, 1, num_q(1));
    std::vector<Quoly> q = minimal_poly_coefs(j, "Minpoly");
    ASSERT_EQ(q.size(), 3u);
    EXPECT_TRUE(quoly_equal(coef(q, 0).get(), quarter.get()));
    EXPECT_TRUE(quoly_equal(coef(q, 1).get(), num_q(-1).get()));
}

TEST_F(MinpolyTest, Errors) {
    Quoly r;
    {
        polytest::Ring scope(0);
        EXPECT_EQ(unit::raised_code([&] { minimal_poly(Matrix::zero(2, 3, false), r, "Minpoly"); }), 313);
        Matrix a = Matrix::zero(1, 1, false);
        Poly x;
        base_poly(x, 1);
        Quoly xq;
        p_q_take(std::move(x), xq);
        a.set(0, 0, std::move(xq));
        EXPECT_EQ(unit::raised_code([&] { minimal_poly(a, r, "Minpoly"); }), 367);
    }
    polytest::Ring scope(12);
    EXPECT_EQ(unit::raised_code([&] { minimal_poly(Matrix::zero(1, 1, false), r, "Minpoly"); }), 367);
}

}  // namespace
