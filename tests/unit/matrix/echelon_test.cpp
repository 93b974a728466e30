// Rank and echelon forms: seeded random small matrices of integers,
// rationals and polys in x, modulo 7 and in the field of 256 elements,
// dense and sparse. The rank is the size of the largest nonvanishing minor
// (cofactor expansion written here); the row (column) echelon form has
// echelon shape and spans the same row (column) space, checked by the rank
// of the stacked matrix; the reduced form has leading 1s alone in their
// columns, is idempotent and is the same for U A with U invertible; the
// fraction-free LU factors give P A = L D^-1 U, and the compact form
// holds both. A composite modulus is
// error 179.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "matrix/echelon.h"
#include "matrix/matrix.h"
#include "numbers/support.h"
#include "poly/poly_arith.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "ring_scope.h"

using namespace tolmex;

namespace {

enum class Kind { Integers, Rationals, Polys };

Quoly number(int64_t v) { return make_numeric(polytest::int_number(v)); }

Quoly random_value(std::mt19937_64& rng, Kind kind) {
    auto small = [&](int64_t b) { return static_cast<int64_t>(rng() % (2 * b + 1)) - b; };
    if (rng() % 3 == 0) return number(0);
    if (kind == Kind::Integers) return number(small(3));
    if (kind == Kind::Rationals) {
        Quoly q;
        quot_numbers(polytest::int_number(small(4)), polytest::int_number(1 + rng() % 3), q);
        return q;
    }
    Poly p;
    poly_set(0, p);
    for (int e = 0; e <= 1; ++e) {
        Poly t, c;
        variable_power(t, 1, e);
        scalar_by_poly(polytest::int_number(small(2)), t.get(), c);
        best_poly_add(std::move(p), std::move(c), p);
    }
    Quoly q;
    p_q_take(std::move(p), q);
    polynum_to_quoly(q);
    return q;
}

// Random matrices of low rank now and then: a row is made a combination
// of two others, so that the rank drops.
Matrix random_matrix(std::mt19937_64& rng, int32_t rows, int32_t cols, Kind kind, bool sparse) {
    Matrix m = Matrix::zero(rows, cols, false);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) m.set(r, c, random_value(rng, kind));
    if (rows >= 3 && rng() % 2)
        for (int32_t c = 0; c < cols; ++c) {
            Quoly x, y;
            quoly_mult(number(2).get(), m.e[c * rows].get(), x);
            quoly_mult(number(-1).get(), m.e[c * rows + 1].get(), y);
            best_quoly_add(x, std::move(y));
            m.e[c * rows + rows - 1] = std::move(x);
        }
    for (Quoly& q : m.e)
        if (q && quoly_iszero(q.get())) q.reset();
    if (sparse) return matrix_to_sparse(m);
    return m;
}

Quoly entry(const Matrix& m, int32_t r, int32_t c) {
    const QuolyRec* v = m.at(r, c);
    return v ? quoly_copy(v) : number(0);
}

// The determinant of the rows and columns chosen, by cofactor expansion.
Quoly minor(const Matrix& m, const std::vector<int32_t>& rows, const std::vector<int32_t>& cols) {
    if (rows.size() == 1) return entry(m, rows[0], cols[0]);
    Quoly sum = number(0);
    const std::vector<int32_t> lower(rows.begin() + 1, rows.end());
    for (size_t j = 0; j < cols.size(); ++j) {
        std::vector<int32_t> rest(cols);
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(j));
        Quoly t;
        quoly_mult(entry(m, rows[0], cols[j]).get(), minor(m, lower, rest).get(), t);
        if (j % 2) quoly_inplace(t.get());
        best_quoly_add(sum, std::move(t));
    }
    return sum;
}

// Every k-subset of 0 .. n - 1, in turn, to f; stops when f says true.
template <class F>
bool any_subset(int32_t n, int32_t k, std::vector<int32_t>& chosen, int32_t from, F&& f) {
    if (static_cast<int32_t>(chosen.size()) == k) return f(chosen);
    for (int32_t i = from; i < n; ++i) {
        chosen.push_back(i);
        if (any_subset(n, k, chosen, i + 1, f)) return true;
        chosen.pop_back();
    }
    return false;
}

// The size of the largest nonvanishing minor.
int32_t minor_rank(const Matrix& m) {
    for (int32_t k = std::min(m.rows, m.cols); k > 0; --k) {
        std::vector<int32_t> rs;
        const bool found = any_subset(m.rows, k, rs, 0, [&](const std::vector<int32_t>& rows) {
            std::vector<int32_t> cs;
            return any_subset(m.cols, k, cs, 0, [&](const std::vector<int32_t>& cols) {
                return !quoly_iszero(minor(m, rows, cols).get());
            });
        });
        if (found) return k;
    }
    return 0;
}

Matrix stacked(const Matrix& a, const Matrix& b) {
    return matrix_transpose(matrix_join(matrix_transpose(matrix_to_dense(a)), matrix_transpose(matrix_to_dense(b))));
}

// The column of the first nonzero entry of row r, or cols for a zero row.
int32_t leading(const Matrix& m, int32_t r) {
    for (int32_t c = 0; c < m.cols; ++c)
        if (m.at(r, c) && !quoly_iszero(m.at(r, c))) return c;
    return m.cols;
}

// Nonzero rows first, each leading strictly right of the one above.
int32_t echelon_rows(const Matrix& m) {
    int32_t nonzero = 0, last = -1;
    for (int32_t r = 0; r < m.rows; ++r) {
        const int32_t c = leading(m, r);
        if (c == m.cols) continue;
        EXPECT_EQ(nonzero, r) << "a nonzero row under a zero row";
        EXPECT_GT(c, last);
        last = c, ++nonzero;
    }
    return nonzero;
}

class EchelonTest : public ::testing::TestWithParam<int32_t> {
protected:
    static void SetUpTestSuite() {
        if (!polynames) adjoin_poly_var("x", false);
    }
    std::vector<Kind> kinds() const {
        if (GetParam() == 0) return {Kind::Integers, Kind::Rationals, Kind::Polys};
        return {Kind::Integers, Kind::Polys};
    }
};

TEST_P(EchelonTest, RankIsTheLargestNonvanishingMinor) {
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(GetParam());
    std::mt19937_64 rng(polytest::seed() + GetParam());
    for (Kind kind : kinds())
        for (int round = 0; round < 12; ++round) {
            Matrix a = random_matrix(rng, 1 + rng() % 4, 1 + rng() % 4, kind, rng() % 2);
            EXPECT_EQ(matrix_rank(a, "Rank"), minor_rank(a)) << "round " << round;
        }
}

TEST_P(EchelonTest, EchelonFormsSpanTheSameSpace) {
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(GetParam());
    std::mt19937_64 rng(polytest::seed() + 10 + GetParam());
    for (Kind kind : kinds())
        for (int round = 0; round < 10; ++round) {
            Matrix a = random_matrix(rng, 1 + rng() % 3, 1 + rng() % 4, kind, rng() % 2);
            const int32_t rank = minor_rank(a);
            int32_t r1 = -1, r2 = -1;
            Matrix e = row_echelon(a, r1, "Rowreduce");
            EXPECT_EQ(e.sparse, a.sparse);
            EXPECT_EQ(r1, rank);
            EXPECT_EQ(echelon_rows(e), rank);
            EXPECT_EQ(minor_rank(stacked(a, e)), rank);
            Matrix f = column_echelon(a, r2, "Colreduce");
            EXPECT_EQ(r2, rank);
            EXPECT_EQ(echelon_rows(matrix_transpose(f)), rank);
            EXPECT_EQ(minor_rank(stacked(matrix_transpose(a), matrix_transpose(f))), rank);
        }
}

// U A for a random invertible U: a lower times an upper unitriangular
// matrix with random integer entries.
Matrix mixed(std::mt19937_64& rng, const Matrix& a) {
    const int32_t n = a.rows;
    Matrix l = matrix_identity(n, false), u = matrix_identity(n, false);
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < i; ++j) {
            l.set(i, j, random_value(rng, Kind::Integers));
            u.set(j, i, random_value(rng, Kind::Integers));
        }
    return matrix_mult(matrix_mult(l, u), a);
}

TEST_P(EchelonTest, ReducedFormIsUniqueAndIdempotent) {
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(GetParam());
    std::mt19937_64 rng(polytest::seed() + 20 + GetParam());
    for (Kind kind : kinds())
        for (int round = 0; round < 10; ++round) {
            Matrix a = random_matrix(rng, 1 + rng() % 4, 1 + rng() % 4, kind, rng() % 2);
            int32_t rank = -1, again = -1, other = -1;
            Matrix r = reduced_row_echelon(a, rank, "Redrowech");
            EXPECT_EQ(rank, minor_rank(a));
            EXPECT_EQ(echelon_rows(r), rank);
            EXPECT_EQ(minor_rank(stacked(a, r)), rank) << "round " << round;
            for (int32_t i = 0; i < rank; ++i) {
                const int32_t c = leading(r, i);
                EXPECT_TRUE(quoly_equal(r.at(i, c), number(1).get()));
                for (int32_t k = 0; k < r.rows; ++k) {
                    if (k != i) EXPECT_TRUE(!r.at(k, c) || quoly_iszero(r.at(k, c)));
                }
            }
            EXPECT_TRUE(matrix_equal(reduced_row_echelon(r, again, "Redrowech"), r));
            EXPECT_TRUE(matrix_equal(matrix_to_dense(reduced_row_echelon(mixed(rng, a), other, "Redrowech")),
                                     matrix_to_dense(r)));
            int32_t ignored = 0;
            Matrix e = row_echelon(a, ignored, "Rowreduce");
            EXPECT_TRUE(matrix_equal(reduced_row_echelon(e, ignored, "Redrowech"), r));
        }
}

// P a against l D^-1 u, D = diag(p1, p1 p2, ..., p(r-1) pr, 1, ...).
TEST_P(EchelonTest, FractionFreeLUFactorsThePermutedMatrix) {
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(GetParam());
    std::mt19937_64 rng(polytest::seed() + 30 + GetParam());
    for (Kind kind : kinds())
        for (int round = 0; round < 10; ++round) {
            Matrix a = random_matrix(rng, 1 + rng() % 4, 1 + rng() % 4, kind, rng() % 2);
            FractionFreeLU lu = fraction_free_lu(a, "FFLU");
            const int32_t n = a.rows;
            EXPECT_EQ(lu.rank, minor_rank(a));
            EXPECT_EQ(echelon_rows(lu.u), lu.rank);
            Matrix pa = Matrix::zero(n, a.cols, false), dinv = Matrix::zero(n, n, false);
            std::vector<bool> used(static_cast<size_t>(n), false);
            Quoly before = number(1);
            for (int32_t i = 0; i < n; ++i) {
                ASSERT_TRUE(lu.perm[i] >= 0 && lu.perm[i] < n && !used[lu.perm[i]]);
                used[lu.perm[i]] = true;
                for (int32_t c = 0; c < a.cols; ++c) pa.set(i, c, entry(a, lu.perm[i], c));
                for (int32_t j = i + 1; j < n; ++j) EXPECT_EQ(lu.l.at(i, j), nullptr);
                if (i >= lu.rank) {
                    dinv.set(i, i, number(1));
                    continue;
                }
                const QuolyRec* pivot = lu.u.at(i, leading(lu.u, i));
                EXPECT_TRUE(quoly_equal(lu.l.at(i, i), pivot));
                Quoly d, inv;
                quoly_mult(before.get(), pivot, d);
                quoly_quot(number(1).get(), d.get(), inv);
                dinv.set(i, i, std::move(inv));
                before = quoly_copy(pivot);
            }
            Matrix product = matrix_mult(matrix_mult(matrix_to_dense(lu.l), dinv), matrix_to_dense(lu.u));
            EXPECT_TRUE(matrix_equal(product, pa)) << "round " << round;
            // The compact form holds l below the diagonal, u elsewhere.
            Matrix b = compact_lu(lu);
            for (int32_t i = 0; i < n; ++i)
                for (int32_t j = 0; j < a.cols; ++j) {
                    Quoly want = entry(j < i ? lu.l : lu.u, i, j);
                    EXPECT_TRUE(quoly_equal(entry(b, i, j).get(), want.get())) << i << ", " << j;
                }
        }
}

INSTANTIATE_TEST_SUITE_P(Rings, EchelonTest, ::testing::Values(0, 2, 3, 7, 32003, 2147483629, 256, 65536));

TEST(EchelonErrors, CompositeModulusIsError179) {
    unit::RingScope ring(12);
    Matrix a = Matrix::zero(2, 2, false);
    a.set(0, 0, make_numeric(polytest::int_number(2)));
    int32_t rank = 0;
    EXPECT_EQ(unit::raised_code([&] { (void)matrix_rank(a, "Rank"); }), 179);
    EXPECT_EQ(unit::raised_code([&] { (void)reduced_row_echelon(a, rank, "Redrowech"); }), 179);
    EXPECT_EQ(unit::raised_code([&] { (void)fraction_free_lu(a, "FFLU"); }), 179);
}

TEST(EchelonHand, FractionFreeFormOfAPolynomialMatrix) {
    if (!polynames) adjoin_poly_var("x", false);
    // [[x, 1, 0], [1, x, 1], [0, 1, x]]: Bareiss leaves the leading
    // principal minors x, x^2 - 1 and the determinant x^3 - 2x.
    Matrix a = Matrix::zero(3, 3, true);
    auto xpoly = [](int64_t c2, int64_t c1, int64_t c0) {
        Poly p;
        poly_set(0, p);
        const int64_t cs[] = {c0, c1, c2};
        for (int e = 0; e < 3; ++e) {
            Poly t, c;
            variable_power(t, 1, e);
            scalar_by_poly(polytest::int_number(cs[e]), t.get(), c);
            best_poly_add(std::move(p), std::move(c), p);
        }
        Quoly q;
        p_q_take(std::move(p), q);
        polynum_to_quoly(q);
        return q;
    };
    for (int i = 0; i < 3; ++i) a.set(i, i, xpoly(0, 1, 0));
    for (int i = 0; i < 2; ++i) a.set(i, i + 1, number(1)), a.set(i + 1, i, number(1));
    int32_t rank = 0;
    Matrix e = row_echelon(a, rank, "Rowreduce");
    EXPECT_EQ(rank, 3);
    EXPECT_TRUE(quoly_equal(e.at(1, 1), xpoly(1, 0, -1).get()));
    Quoly det;
    quoly_mult(xpoly(1, 0, -2).get(), xpoly(0, 1, 0).get(), det);
    EXPECT_TRUE(quoly_equal(e.at(2, 2), det.get()));
    EXPECT_TRUE(e.at(2, 0) == nullptr && e.at(2, 1) == nullptr);
}

}  // namespace
