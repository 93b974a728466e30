// Hermite and Smith forms over F[t] on seeded random matrices of every shape
// (square, tall, wide, rank-deficient, zero, 1 x 1) over Q, Z/2, Z/32003,
// Z/2147483629 and the fields of 2^8 and 2^16 elements, checked here: H = U A with
// det U a nonzero constant and H in Hermite form; S = U A V, diagonal,
// monic, each invariant factor dividing the next, their product det A up
// to a constant. The minimal polynomial of polynomial matrices (entries in
// the second variable) and of numeric ones at those moduli: it annihilates
// the matrix and divides the characteristic polynomial. Hand cases and the
// errors (367, 179).
#include <gtest/gtest.h>

#include <random>

#include "matrix/chpoly.h"
#include "matrix/det_support.h"
#include "matrix/matrix.h"
#include "matrix/minpoly.h"
#include "matrix/normal_forms.h"
#include "matrix/poly_normal_forms.h"
#include "poly/poly_coefs.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"

using namespace tolmex;

namespace {

class PolyFormsTest : public ::testing::Test {
protected:
    void SetUp() override { polytest::use_vars(2); }
};

Quoly num_q(int64_t v) { return make_numeric(polytest::int_number(v)); }

Quoly var_q(int level) {
    Poly p;
    base_poly(p, level);
    Quoly q;
    p_q_take(std::move(p), q);
    return q;
}

// A random poly of degree <= d in the variable of that level.
Quoly random_poly(std::mt19937_64& rng, int level, int d) {
    Quoly r = num_q(0), t = var_q(level);
    for (int k = 0; k <= d; ++k) {
        fast_quoly_mult(r, quoly_copy(t.get()));
        best_quoly_add(r, num_q(static_cast<int64_t>(rng() % 7) - 3));
    }
    return r;
}

Matrix random_matrix(std::mt19937_64& rng, int32_t rows, int32_t cols, int level) {
    Matrix m = Matrix::zero(rows, cols, false);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c)
            if (rng() % 4) m.set(r, c, random_poly(rng, level, static_cast<int>(rng() % 3)));
    return m;
}

// Row `to` := row to + t * row from: makes a rank-deficient matrix.
void add_multiple_of_row(Matrix& m, int32_t to, int32_t from, std::mt19937_64& rng) {
    Quoly f = random_poly(rng, 1, 1);
    for (int32_t c = 0; c < m.cols; ++c) {
        Quoly v = m.at(to, c) ? quoly_copy(m.at(to, c)) : num_q(0);
        if (m.at(from, c)) {
            Quoly t;
            quoly_mult(f.get(), m.at(from, c), t);
            best_quoly_add(v, std::move(t));
        }
        m.set(to, c, std::move(v));
    }
}

bool zero(const QuolyRec* q) { return !q || quoly_iszero(q); }

// The degree in x (level 1) of a poly entry, -1 for 0.
int32_t degree(const QuolyRec* q) {
    if (zero(q)) return -1;
    return quoly_is_number(q) || quoly_is_rational(q) ? 0 : level_degree(quoly_numerator(q), 1);
}

bool is_one(const Quoly& q) { return quoly_equal(q.get(), num_q(1).get()); }

bool monic(const QuolyRec* q) { return !zero(q) && is_one(dettest::coefficient(q, degree(q))); }

// A nonzero constant: a unit of F[x].
bool unit_of_ring(const Quoly& q) { return !zero(q.get()) && (quoly_is_number(q.get()) || quoly_is_rational(q.get())); }

// b / a has no denominator in x: a divides b.
bool divides(const QuolyRec* a, const QuolyRec* b) {
    if (zero(b)) return true;
    if (zero(a)) return false;
    Quoly q;
    quoly_quot(b, a, q);
    return quoly_is_number(q.get()) || quoly_is_rational(q.get()) || !quoly_denominator(q.get()) ||
           poly_is_const(quoly_denominator(q.get()));
}

void expect_hermite_form(const Matrix& h, int32_t rank) {
    int32_t last_pivot = -1, nonzero_rows = 0;
    for (int32_t r = 0; r < h.rows; ++r) {
        int32_t p = 0;
        while (p < h.cols && zero(h.at(r, p))) ++p;
        if (p == h.cols) {
            last_pivot = h.cols;  // a zero row: every row after it is zero
            continue;
        }
        ++nonzero_rows;
        ASSERT_GT(p, last_pivot) << "not in echelon form at row " << r;
        last_pivot = p;
        EXPECT_TRUE(monic(h.at(r, p))) << "pivot not monic at row " << r;
        for (int32_t k = 0; k < r; ++k) EXPECT_LT(degree(h.at(k, p)), degree(h.at(r, p))) << "above the pivot of row " << r;
    }
    EXPECT_EQ(nonzero_rows, rank);
}

void check_hermite(const Matrix& a) {
    Matrix h, u;
    const int32_t rank = poly_hermite_form(a, h, &u, "Hermite");
    EXPECT_TRUE(matrix_equal(matrix_mult(u, a), h)) << "H != U A";
    EXPECT_TRUE(unit_of_ring(dettest::det_of(u))) << "det U is not a nonzero constant";
    expect_hermite_form(h, rank);
    Matrix h2;
    EXPECT_EQ(poly_hermite_form(a, h2, nullptr, "Hermite"), rank);
    EXPECT_TRUE(matrix_equal(h, h2)) << "the form depends on whether U is asked for";
}

void check_smith(const Matrix& a) {
    Matrix s, u, v;
    const int32_t rank = poly_smith_form(a, s, &u, &v, "Smith");
    EXPECT_TRUE(matrix_equal(matrix_mult(matrix_mult(u, a), v), s)) << "S != U A V";
    EXPECT_TRUE(unit_of_ring(dettest::det_of(u)));
    EXPECT_TRUE(unit_of_ring(dettest::det_of(v)));
    for (int32_t r = 0; r < s.rows; ++r)
        for (int32_t c = 0; c < s.cols; ++c) EXPECT_TRUE(r == c || zero(s.at(r, c))) << "not diagonal";
    const int32_t n = std::min(s.rows, s.cols);
    for (int32_t k = 0; k < n; ++k) {
        EXPECT_EQ(k < rank, !zero(s.at(k, k))) << "the rank and the diagonal disagree at " << k;
        if (k < rank) {
            EXPECT_TRUE(monic(s.at(k, k))) << "invariant factor " << k << " not monic";
        }
        if (k + 1 < n) {
            EXPECT_TRUE(divides(s.at(k, k), s.at(k + 1, k + 1))) << "chain broken at " << k;
        }
    }
    if (a.square() && rank == a.rows) {
        Quoly prod = num_q(1);
        for (int32_t k = 0; k < n; ++k) fast_quoly_mult(prod, quoly_copy(s.at(k, k)));
        Quoly ratio;
        quoly_quot(dettest::det_of(a).get(), prod.get(), ratio);
        EXPECT_TRUE(unit_of_ring(ratio)) << "the invariant factors do not multiply to det A";
    }
    Matrix s2;
    EXPECT_EQ(poly_smith_form(a, s2, nullptr, nullptr, "Smith"), rank);
    EXPECT_TRUE(matrix_equal(s, s2));
}

constexpr int32_t kRings[] = {0, 2, 32003, 2147483629, 256, 65536};

TEST_F(PolyFormsTest, RandomShapesSatisfyTheDefinitions) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 181);
    const int32_t shapes[][2] = {{3, 3}, {4, 2}, {2, 4}, {1, 1}, {3, 3}, {4, 3}};
    for (int32_t ring : kRings) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 3; ++round)
            for (const auto& sh : shapes) {
                SCOPED_TRACE("ring " + std::to_string(ring) + " shape " + std::to_string(sh[0]) + "x" +
                             std::to_string(sh[1]) + " round " + std::to_string(round));
                Matrix a = random_matrix(rng, sh[0], sh[1], 1);
                a.set(0, 0, random_poly(rng, 1, 2));  // at least one poly entry (most likely)
                if (sh[0] >= 3 && round == 1) add_multiple_of_row(a, 2, 0, rng);
                if (!has_poly_entries(a)) continue;
                check_hermite(a);
                check_smith(a);
            }
    }
}

// Square matrices of full rank go by the determinant modulus when no
// transform is asked for; the forms are unique, so both routes agree.
TEST_F(PolyFormsTest, DeterminantModulusAgreesWithTheGeneralElimination) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 183);
    for (int32_t ring : kRings) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE("ring " + std::to_string(ring) + " round " + std::to_string(round));
            const int32_t n = 2 + static_cast<int32_t>(rng() % 4);
            Matrix a = random_matrix(rng, n, n, 1);
            a.set(0, 0, random_poly(rng, 1, 2));
            Matrix h1, h2, s1, s2;
            EXPECT_EQ(poly_hermite_form(a, h1, nullptr, "Hermite", true),
                      poly_hermite_form(a, h2, nullptr, "Hermite", false));
            EXPECT_TRUE(matrix_equal(h1, h2));
            EXPECT_EQ(poly_smith_form(a, s1, nullptr, nullptr, "Smith", true),
                      poly_smith_form(a, s2, nullptr, nullptr, "Smith", false));
            EXPECT_TRUE(matrix_equal(s1, s2));
            Matrix u;
            expect_hermite_form(h1, poly_hermite_form(a, h2, &u, "Hermite"));
        }
    }
}

// Hand computed over Q: A = [[x, 1], [0, x]] has Hermite form A itself
// (x monic, 1 of degree 0 < 1) and Smith form diag(1, x^2); [[x, x^2],
// [x^2, x]]: the gcd of the entries is x and det = x^2 - x^4 =
// -x^2 (x^2 - 1), so the Smith form is diag(x, x^3 - x).
TEST_F(PolyFormsTest, HandComputed) {
    polytest::Ring scope(0);
    Quoly x = var_q(1);
    Quoly x2;
    quoly_mult(x.get(), x.get(), x2);
    Matrix a = Matrix::zero(2, 2, false);
    a.set(0, 0, quoly_copy(x.get()));
    a.set(0, 1, num_q(1));
    a.set(1, 1, quoly_copy(x.get()));
    Matrix h;
    EXPECT_EQ(poly_hermite_form(a, h, nullptr, "Hermite"), 2);
    EXPECT_TRUE(matrix_equal(h, a));
    Matrix s;
    EXPECT_EQ(poly_smith_form(a, s, nullptr, nullptr, "Smith"), 2);
    EXPECT_TRUE(is_one(quoly_copy(s.at(0, 0))));
    EXPECT_TRUE(quoly_equal(s.at(1, 1), x2.get()));
    Matrix b = Matrix::zero(2, 2, false);
    b.set(0, 0, quoly_copy(x.get()));
    b.set(0, 1, quoly_copy(x2.get()));
    b.set(1, 0, quoly_copy(x2.get()));
    b.set(1, 1, quoly_copy(x.get()));
    EXPECT_EQ(poly_smith_form(b, s, nullptr, nullptr, "Smith"), 2);
    EXPECT_TRUE(quoly_equal(s.at(0, 0), x.get()));
    Quoly want;
    quoly_sub(x2.get(), num_q(1).get(), want);
    fast_quoly_mult(want, quoly_copy(x.get()));
    EXPECT_TRUE(quoly_equal(s.at(1, 1), want.get()));
    // diag(1, x, x + 1): the chain needs the row added; diag(1, 1, x^2 + x).
    Matrix d = Matrix::zero(3, 3, false);
    Quoly x1;
    quoly_add(x.get(), num_q(1).get(), x1);
    d.set(0, 0, num_q(1));
    d.set(1, 1, quoly_copy(x.get()));
    d.set(2, 2, quoly_copy(x1.get()));
    EXPECT_EQ(poly_smith_form(d, s, nullptr, nullptr, "Smith"), 3);
    quoly_mult(x.get(), x1.get(), want);
    EXPECT_TRUE(is_one(quoly_copy(s.at(1, 1))));
    EXPECT_TRUE(quoly_equal(s.at(2, 2), want.get()));
    check_smith(d);
    // 2x over Q: Hermite form x, the transform 1/2.
    Matrix c = Matrix::zero(1, 1, false);
    Quoly two_x;
    quoly_mult(num_q(2).get(), x.get(), two_x);
    c.set(0, 0, std::move(two_x));
    Matrix u;
    EXPECT_EQ(poly_hermite_form(c, h, &u, "Hermite"), 1);
    EXPECT_TRUE(quoly_equal(h.at(0, 0), x.get()));
    // The zero matrix with a poly in a zero-sized corner cannot occur; a
    // matrix of zeros and one x entry in the last row comes out in order.
    Matrix z = Matrix::zero(3, 2, false);
    z.set(2, 1, quoly_copy(x.get()));
    EXPECT_EQ(poly_hermite_form(z, h, &u, "Hermite"), 1);
    EXPECT_TRUE(quoly_equal(h.at(0, 1), x.get()));
    EXPECT_TRUE(zero(h.at(2, 1)));
    EXPECT_EQ(poly_smith_form(z, s, nullptr, nullptr, "Smith"), 1);
    EXPECT_TRUE(quoly_equal(s.at(0, 0), x.get()));
}

TEST_F(PolyFormsTest, TheZeroMatrixAndIntegerEntries) {
    polytest::Ring scope(0);
    Matrix z = Matrix::zero(2, 3, false), h, u, s, v;
    EXPECT_EQ(poly_hermite_form(z, h, &u, "Hermite"), 0);
    EXPECT_TRUE(matrix_is_zero(h));
    EXPECT_TRUE(matrix_equal(u, matrix_identity(2, false)));
    EXPECT_EQ(poly_smith_form(z, s, &u, &v, "Smith"), 0);
    EXPECT_TRUE(matrix_is_zero(s));
    // Integer entries keep the integer forms: [[2, 4], [6, 8]] -> diag(2, 4).
    Matrix a = Matrix::zero(2, 2, false);
    a.set(0, 0, num_q(2));
    a.set(0, 1, num_q(4));
    a.set(1, 0, num_q(6));
    a.set(1, 1, num_q(8));
    EXPECT_FALSE(has_poly_entries(a));
    EXPECT_EQ(smith_any(a, s, nullptr, nullptr, "Smith"), 2);
    EXPECT_TRUE(quoly_equal(s.at(1, 1), num_q(4).get()));
}

TEST_F(PolyFormsTest, Errors) {
    Matrix h;
    {
        polytest::Ring scope(0);
        Quoly x = var_q(1), y = var_q(2), xy, inv;
        quoly_mult(x.get(), y.get(), xy);
        quoly_quot(num_q(1).get(), x.get(), inv);
        Matrix two_vars = Matrix::zero(1, 2, false);
        two_vars.set(0, 0, quoly_copy(x.get()));
        two_vars.set(0, 1, quoly_copy(y.get()));
        EXPECT_EQ(unit::raised_code([&] { hermite_any(two_vars, h, nullptr, "Hermite"); }), 367);
        Matrix product = Matrix::zero(1, 1, false);
        product.set(0, 0, std::move(xy));
        EXPECT_EQ(unit::raised_code([&] { smith_any(product, h, nullptr, nullptr, "Smith"); }), 367);
        Matrix fraction = Matrix::zero(1, 1, false);
        fraction.set(0, 0, std::move(inv));
        EXPECT_EQ(unit::raised_code([&] { hermite_any(fraction, h, nullptr, "Hermite"); }), 367);
    }
    polytest::Ring scope(12);
    Matrix a = Matrix::zero(1, 1, false);
    a.set(0, 0, var_q(1));
    EXPECT_EQ(unit::raised_code([&] { hermite_any(a, h, nullptr, "Hermite"); }), 179);
}

// ---------------------------------------------------------------------------
// Minimal polynomials

Quoly coef(const std::vector<Quoly>& p, size_t k) { return k < p.size() && p[k] ? quoly_copy(p[k].get()) : num_q(0); }

using dettest::divides_chpoly;
using dettest::evaluate_at;

void expect_minpoly(const Matrix& a) {
    std::vector<Quoly> p = minimal_poly_coefs(a, "Minpoly");
    ASSERT_FALSE(p.empty());
    EXPECT_TRUE(is_one(coef(p, p.size() - 1))) << "not monic";
    EXPECT_TRUE(matrix_is_zero(evaluate_at(p, a))) << "does not annihilate";
    EXPECT_TRUE(divides_chpoly(p, a)) << "does not divide the characteristic polynomial";
    for (const Quoly& c : p) {  // poly entries: poly coefficients (Gauss's lemma)
        if (c && !quoly_is_number(c.get())) {
            EXPECT_TRUE(!quoly_denominator(c.get()) || poly_is_const(quoly_denominator(c.get())));
        }
    }
}

using dettest::block_twice;

TEST_F(PolyFormsTest, MinimalPolynomialsOfPolynomialAndNumericMatrices) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 182);
    for (int32_t ring : kRings) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE("ring " + std::to_string(ring) + " round " + std::to_string(round));
            const int32_t n = 1 + static_cast<int32_t>(rng() % 3);
            Matrix poly = random_matrix(rng, n, n, 2);  // entries in the second variable
            expect_minpoly(poly);
            expect_minpoly(block_twice(poly));
            Matrix numeric = Matrix::zero(n + 1, n + 1, false);
            for (int32_t r = 0; r <= n; ++r)
                for (int32_t c = 0; c <= n; ++c) numeric.set(r, c, num_q(static_cast<int64_t>(rng() % 9) - 4));
            expect_minpoly(numeric);
            expect_minpoly(Matrix::zero(n, n, false));
        }
    }
}

TEST_F(PolyFormsTest, MinimalPolynomialHandCasesAndErrors) {
    polytest::Ring scope(0);
    // [[y, 1], [0, y]]: (x - y)^2 = x^2 - 2y x + y^2; y I: x - y.
    Quoly y = var_q(2), x = var_q(1);
    Matrix j = Matrix::zero(2, 2, false);
    j.set(0, 0, quoly_copy(y.get()));
    j.set(1, 1, quoly_copy(y.get()));
    j.set(0, 1, num_q(1));
    Quoly m;
    minimal_poly(j, m, "Minpoly");
    Quoly want, xy;
    quoly_sub(x.get(), y.get(), xy);
    quoly_mult(xy.get(), xy.get(), want);
    EXPECT_TRUE(quoly_equal(m.get(), want.get()));
    j.set(0, 1, num_q(0));
    minimal_poly(j, m, "Minpoly");
    EXPECT_TRUE(quoly_equal(m.get(), xy.get()));
    // Rational-function entries: [[1/y]] has x - 1/y.
    Quoly inv;
    quoly_quot(num_q(1).get(), y.get(), inv);
    Matrix r = Matrix::zero(1, 1, false);
    r.set(0, 0, quoly_copy(inv.get()));
    minimal_poly(r, m, "Minpoly");
    quoly_sub(x.get(), inv.get(), want);
    EXPECT_TRUE(quoly_equal(m.get(), want.get()));
    // Entries in x: Minpoly refuses them; Chpoly is det(a - x I) as it
    // stands, here (x - y) - x = -y, dense and sparse.
    Matrix bad = Matrix::zero(1, 1, false);
    bad.set(0, 0, std::move(xy));
    EXPECT_EQ(unit::raised_code([&] { minimal_poly(bad, m, "Minpoly"); }), 367);
    Quoly minus_y;
    quoly_sub(num_q(0).get(), y.get(), minus_y);
    char_poly(bad, m, "Chpoly");
    EXPECT_TRUE(quoly_equal(m.get(), minus_y.get()));
    char_poly(matrix_to_sparse(bad), m, "Chpoly");
    EXPECT_TRUE(quoly_equal(m.get(), minus_y.get()));
}

}  // namespace
