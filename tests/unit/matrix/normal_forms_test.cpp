// Hermite and Smith normal forms of seeded random integer matrices, checked
// by properties computed here: H = U A with det U = +-1 and H in Hermite
// form; S = U A V with unimodular U, V, S diagonal with the divisibility
// chain, and the product of the invariants |det A| for a nonsingular A.
// Normalize makes the rows primitive. Non-integer entries and modular
// mode are error 367.
#include <gtest/gtest.h>

#include "matrix/det_support.h"

#include <random>

#include "matrix/matrix.h"
#include "matrix/nf_checks.h"
#include "matrix/normal_forms.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "poly/poly_support.h"
#include "quoly/quoly_arith.h"
#include "raised.h"

using namespace tolmex;
using dettest::det_of;

namespace {

Matrix random_int_matrix(std::mt19937_64& rng, int32_t rows, int32_t cols, int64_t bound) {
    Matrix m = Matrix::zero(rows, cols, false);
    const int zero_share = static_cast<int>(rng() % 4);  // some sparse, some dense
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            const bool nil = static_cast<int>(rng() % 4) < zero_share;
            const int64_t v = nil ? 0 : static_cast<int64_t>(rng() % (2 * bound + 1)) - bound;
            m.set(r, c, make_numeric(number_from_int64(v)));
        }
    // Now and then a row repeated, so that the rank falls short.
    if (rows > 1 && rng() % 3 == 0)
        for (int32_t c = 0; c < cols; ++c)
            if (const QuolyRec* v = m.at(0, c)) m.set(rows - 1, c, quoly_copy(v));
    return m;
}

using nfcheck::expect_hermite_shape;
using nfcheck::expect_smith_shape;
using nfcheck::is_unit;
using nfcheck::value;

TEST(NormalForms, HermiteIsUnimodularTransformOfA) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 61);
    polytest::Ring scope(0);
    for (int round = 0; round < 40; ++round) {
        const int32_t rows = 1 + static_cast<int32_t>(rng() % 6), cols = 1 + static_cast<int32_t>(rng() % 6);
        Matrix a = random_int_matrix(rng, rows, cols, round < 20 ? 9 : 99);
        Matrix h, u;
        const int32_t rank = hermite_form(a, h, &u, "Hermite");
        SCOPED_TRACE("round " + std::to_string(round));
        expect_hermite_shape(h, rank);
        EXPECT_TRUE(matrix_equal(matrix_mult(u, a), h));
        EXPECT_TRUE(is_unit(u));
        Matrix h2;
        EXPECT_EQ(hermite_form(a, h2, nullptr, "Hermite"), rank);
        EXPECT_TRUE(matrix_equal(h, h2)) << "the form does not depend on asking for u";
    }
}

TEST(NormalForms, SmithIsUnimodularTransformOfA) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 62);
    polytest::Ring scope(0);
    for (int round = 0; round < 40; ++round) {
        const int32_t rows = 1 + static_cast<int32_t>(rng() % 6), cols = 1 + static_cast<int32_t>(rng() % 6);
        Matrix a = random_int_matrix(rng, rows, cols, round < 20 ? 9 : 99);
        Matrix s, u, v, h;
        const int32_t rank = smith_form(a, s, &u, &v, "MSmith");
        SCOPED_TRACE("round " + std::to_string(round));
        expect_smith_shape(s, rank);
        EXPECT_TRUE(matrix_equal(matrix_mult(matrix_mult(u, a), v), s));
        EXPECT_TRUE(is_unit(u));
        EXPECT_TRUE(is_unit(v));
        EXPECT_EQ(hermite_form(a, h, nullptr, "Hermite"), rank) << "both forms give the rank";
    }
}

TEST(NormalForms, SmithInvariantsMultiplyToTheDeterminant) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 63);
    polytest::Ring scope(0);
    for (int round = 0; round < 30; ++round) {
        const int32_t n = 1 + static_cast<int32_t>(rng() % 6);
        Matrix a = random_int_matrix(rng, n, n, 20);
        Quoly d = det_of(a);
        if (quoly_iszero(d.get())) continue;
        Matrix s;
        EXPECT_EQ(smith_form(a, s, nullptr, nullptr, "Smith"), n);
        Number prod = number_from_int64(1), abs_det;
        for (int32_t k = 0; k < n; ++k) {
            Number p;
            fast_mult(prod, value(s, k, k), p);
            prod = std::move(p);
        }
        abs_val_num(quoly_number(d.get()), abs_det);
        EXPECT_TRUE(equal(prod, abs_det)) << "round " << round;
    }
}

TEST(NormalForms, HandComputed) {
    polytest::Ring scope(0);
    // [[2, 4, 4], [-6, 6, 12]]: Hermite [[2, 4, 4], [0, 18, 24]], Smith diag(2, 6).
    Matrix a = Matrix::zero(2, 3, false);
    const int64_t v[2][3] = {{2, 4, 4}, {-6, 6, 12}};
    for (int32_t r = 0; r < 2; ++r)
        for (int32_t c = 0; c < 3; ++c) a.set(r, c, make_numeric(number_from_int64(v[r][c])));
    Matrix h, s;
    EXPECT_EQ(hermite_form(a, h, nullptr, "Hermite"), 2);
    const int64_t hv[2][3] = {{2, 4, 4}, {0, 18, 24}};
    for (int32_t r = 0; r < 2; ++r)
        for (int32_t c = 0; c < 3; ++c) EXPECT_TRUE(equal(value(h, r, c), number_from_int64(hv[r][c])));
    EXPECT_EQ(smith_form(a, s, nullptr, nullptr, "Smith"), 2);
    EXPECT_TRUE(equal(value(s, 0, 0), number_from_int64(2)));
    EXPECT_TRUE(equal(value(s, 1, 1), number_from_int64(6)));
    // The zero matrix has rank 0 and is its own form.
    Matrix z = Matrix::zero(2, 2, false), hz;
    EXPECT_EQ(hermite_form(z, hz, nullptr, "Hermite"), 0);
    EXPECT_TRUE(matrix_is_zero(hz));
}

// Each nonzero row of the result is a positive-led primitive multiple of the
// row it came from: proportional entries, the gcd of the row 1.
TEST(NormalForms, NormalizeGivesPrimitiveRows) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 64);
    polytest::Ring scope(0);
    for (int round = 0; round < 30; ++round) {
        const int32_t rows = 1 + static_cast<int32_t>(rng() % 5), cols = 1 + static_cast<int32_t>(rng() % 5);
        Matrix a = random_int_matrix(rng, rows, cols, 60);
        Matrix out;
        const int32_t count = normalize_rows(a, out, "Normalize");
        int32_t nonzero = 0;
        for (int32_t r = 0; r < rows; ++r) {
            int32_t f = 0;
            while (f < cols && value(a, r, f).sign() == 0) ++f;
            if (f == cols) {
                for (int32_t c = 0; c < cols; ++c) EXPECT_EQ(value(out, r, c).sign(), 0);
                continue;
            }
            ++nonzero;
            EXPECT_GT(value(out, r, f).sign(), 0) << "round " << round << " row " << r;
            Number g = number_from_int64(0);
            for (int32_t c = 0; c < cols; ++c) {
                Number x, y;
                fast_mult(value(a, r, c), value(out, r, f), x);
                fast_mult(value(out, r, c), value(a, r, f), y);
                EXPECT_TRUE(equal(x, y)) << "row " << r << " is not proportional";
                Number e = value(out, r, c);
                if (e.sign() == 0) continue;
                if (g.sign() == 0) {
                    abs_val_num(e, g);
                } else {
                    Number h;
                    binary_gcd(g, e, h);
                    g = std::move(h);
                }
            }
            EXPECT_TRUE(equal(g, number_from_int64(1))) << "row " << r << " is not primitive";
        }
        EXPECT_EQ(count, nonzero);
    }
}

TEST(NormalForms, NonIntegerEntriesAndModularModeAreError367) {
    Matrix h, s;
    {
        polytest::Ring scope(0);
        Matrix a = Matrix::zero(1, 2, false);
        Quoly half;
        quot_numbers(number_from_int64(1), number_from_int64(2), half);
        a.set(0, 1, std::move(half));
        EXPECT_EQ(unit::raised_code([&] { hermite_form(a, h, nullptr, "Hermite"); }), 367);
        EXPECT_EQ(unit::raised_code([&] { smith_form(a, s, nullptr, nullptr, "Smith"); }), 367);
        EXPECT_EQ(unit::raised_code([&] { normalize_rows(a, s, "Normalize"); }), 367);
    }
    polytest::Ring scope(65521);
    Matrix b = Matrix::zero(1, 1, false);
    b.set(0, 0, make_numeric(polytest::int_number(3)));
    EXPECT_EQ(unit::raised_code([&] { hermite_form(b, h, nullptr, "Hermite"); }), 367);
    EXPECT_EQ(unit::raised_code([&] { smith_form(b, s, nullptr, nullptr, "Smith"); }), 367);
}

}  // namespace
