// The characteristic polynomial, the pseudo-determinant and the inverse by
// Gaussian elimination: seeded random matrices over Q and modulo 2, 12,
// 65521 and 2147483629 and in the field of 256 elements. Every route of
// Chpoly gives the reference route's polynomial; Cayley-Hamilton holds;
// the leading coefficient is (-1)^n and the constant term det(A). The
// pseudo-determinant divides the determinant and the determinant found
// with it is the plain one. A A^-1 = I in every ring.
#include <gtest/gtest.h>

#include "matrix/det_support.h"

#include <random>
#include <string>

#include "matrix/chpoly.h"
#include "matrix/det_crt.h"
#include "matrix/determinant.h"
#include "matrix/inverse.h"
#include "matrix/matrix.h"
#include "matrix/pseudo_det.h"
#include "matrix/residue_work.h"
#include "numbers/decimal.h"
#include "numbers/mul_div.h"
#include "numbers/support.h"
#include "poly/poly.h"
#include "poly/poly_coefs.h"
#include "poly/poly_support.h"
#include "poly/poly_terms.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "rings/ring_change.h"

using namespace tolmex;
using dettest::entries;
using dettest::det_of;
using dettest::coefficient;

namespace {

Matrix random_matrix(std::mt19937_64& rng, int32_t n, int64_t bound) {
    Matrix m = Matrix::zero(n, n, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            const int64_t v = rng() % 4 == 0 ? 0 : static_cast<int64_t>(rng() % (2 * bound + 1)) - bound;
            m.set(r, c, make_numeric(polytest::int_number(v)));
        }
    return m;
}

Quoly chpoly_of(const Matrix& m, ChpolyMethod method = ChpolyMethod::Auto) {
    Quoly r;
    char_poly(m, r, "Chpoly", method);
    return r;
}

std::string text(const QuolyRec* q) {
    if (quoly_is_number(q)) return lintmode ? std::to_string(quoly_number(q).lint()) : number_to_decimal(quoly_number(q));
    return quoly_is_poly(q) ? polytest::plain_form(quoly_numerator(q)) : "(a quotient)";
}

void expect_same(const Quoly& a, const Quoly& b, const char* what) {
    EXPECT_TRUE(quoly_equal(a.get(), b.get())) << what << ": " << text(a.get()) << " vs " << text(b.get());
}

// p(A) by Horner's rule.
Matrix evaluate_at(const QuolyRec* p, const Matrix& a, int32_t degree) {
    const int32_t n = a.rows;
    Matrix r = Matrix::zero(n, n, false);
    for (int32_t e = degree; e >= 0; --e) {
        r = matrix_mult(r, a);
        Matrix c = matrix_identity(n, false);
        matrix_scale(c, coefficient(p, e).get(), true);
        r = matrix_add(r, c, false);
    }
    return r;
}

class ChpolyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!polynames) adjoin_poly_var("x", false);
    }
};

constexpr int32_t kRings[] = {0, 2, 12, 256, 65521, 2147483629};

bool field_ring(int32_t ring) { return ring == 2 || ring == 256 || ring == 65521 || ring == 2147483629; }

std::vector<ChpolyMethod> fast_methods(int32_t ring) {
    if (ring == 0) return {ChpolyMethod::MultiModular};
    if (field_ring(ring)) return {ChpolyMethod::Hessenberg, ChpolyMethod::Berkowitz};
    return {ChpolyMethod::Berkowitz};
}

TEST_F(ChpolyTest, RoutesAgreeAndCayleyHamiltonHolds) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 20);
    const int saved_block = chpoly_block;
    for (int32_t ring : kRings) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 8; ++round) {
            const int32_t n = 1 + static_cast<int32_t>(rng() % 6);
            SCOPED_TRACE("ring " + std::to_string(ring) + " n " + std::to_string(n));
            const Matrix a = random_matrix(rng, n, ring ? 1000 : 30);
            const Matrix keep = matrix_copy(a);
            // Modulo 12 the reference elimination may meet non-unit
            // pivots: the oracle is the integer polynomial reduced.
            const Quoly ref = ring == 12 ? chpoly_of(a, ChpolyMethod::Berkowitz)
                                         : chpoly_of(a, ChpolyMethod::Determinant);
            for (ChpolyMethod m : fast_methods(ring)) expect_same(chpoly_of(a, m), ref, "fast route");
            if (ring != 12) expect_same(chpoly_of(matrix_to_sparse(a)), ref, "sparse");
            chpoly_block = 0;
            expect_same(chpoly_of(a), ref, "unblocked");
            chpoly_block = 1;
            expect_same(chpoly_of(a), ref, "blocked");
            // det(A - x I): leading coefficient (-1)^n, constant term det A.
            Quoly lead;
            quoly_set(1, lead);
            if (n % 2) quoly_inplace(lead.get());
            expect_same(coefficient(ref.get(), n), lead, "leading coefficient");
            expect_same(coefficient(ref.get(), 0), det_of(a), "constant term");
            EXPECT_TRUE(matrix_is_zero(evaluate_at(ref.get(), a, n))) << text(ref.get());
            EXPECT_TRUE(matrix_equal(a, keep));
            EXPECT_EQ(mod_mode_matrix_in_use, 0);
        }
    }
    chpoly_block = saved_block;
}

// Zero pivots of the Hessenberg reduction: a row swap (zero just below the
// subdiagonal), a column already clear, a triangular and a nilpotent matrix.
TEST_F(ChpolyTest, HessenbergZeroPivots) {
    polytest::Ring scope(65521);
    const std::vector<std::vector<int64_t>> cases = {
        {1, 2, 3, 0, 4, 5, 6, 7, 8},
        {1, 2, 3, 4, 0, 5, 6, 7, 0, 0, 8, 9, 0, 0, 0, 10},
        {0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0},
        {5, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 3, 4, 0}};
    for (const auto& v : cases) {
        const int32_t n = v.size() == 9 ? 3 : 4;
        Matrix a = Matrix::zero(n, n, false);
        for (int32_t k = 0; k < n * n; ++k) a.set(k / n, k % n, make_numeric(polytest::int_number(v[k])));
        const Quoly ref = chpoly_of(a, ChpolyMethod::Determinant);
        expect_same(chpoly_of(a, ChpolyMethod::Hessenberg), ref, "Hessenberg");
        expect_same(chpoly_of(a, ChpolyMethod::Berkowitz), ref, "Berkowitz");
    }
    // The nilpotent shift has det(A - x I) = x^4.
    Matrix shift = Matrix::zero(4, 4, false);
    for (int32_t k = 0; k < 3; ++k) shift.set(k, k + 1, make_numeric(polytest::int_number(1)));
    Poly x4;
    variable_power(x4, 1, 4);
    Quoly q;
    p_q_take(std::move(x4), q);
    expect_same(chpoly_of(shift, ChpolyMethod::Hessenberg), q, "x^4");
}

// Over Q a rational matrix is scaled to an integer one for the
// multi-modular route.
TEST_F(ChpolyTest, RationalEntries) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 25);
    polytest::Ring scope(0);
    for (int round = 0; round < 8; ++round) {
        const int32_t n = 1 + static_cast<int32_t>(rng() % 5);
        Matrix a = Matrix::zero(n, n, false);
        for (int32_t r = 0; r < n; ++r)
            for (int32_t c = 0; c < n; ++c) {
                Quoly q;
                quot_numbers(number_from_int64(static_cast<int64_t>(rng() % 41) - 20),
                             number_from_int64(1 + static_cast<int64_t>(rng() % 12)), q);
                a.set(r, c, std::move(q));
            }
        const Quoly ref = chpoly_of(a, ChpolyMethod::Determinant);
        expect_same(chpoly_of(a, ChpolyMethod::MultiModular), ref, "scaled");
        expect_same(chpoly_of(a), ref, "auto");
        EXPECT_TRUE(matrix_is_zero(evaluate_at(ref.get(), a, n)));
    }
    // diag(1/2, 1/3): (1/2 - x)(1/3 - x) = x^2 - 5/6 x + 1/6.
    Matrix d = Matrix::zero(2, 2, false);
    Quoly h, t, c1, c0;
    quot_numbers(number_from_int64(1), number_from_int64(2), h);
    quot_numbers(number_from_int64(1), number_from_int64(3), t);
    d.set(0, 0, std::move(h));
    d.set(1, 1, std::move(t));
    quot_numbers(number_from_int64(-5), number_from_int64(6), c1);
    quot_numbers(number_from_int64(1), number_from_int64(6), c0);
    const Quoly p = chpoly_of(d);
    EXPECT_TRUE(quoly_equal(coefficient(p.get(), 1).get(), c1.get()));
    EXPECT_TRUE(quoly_equal(coefficient(p.get(), 0).get(), c0.get()));
    EXPECT_EQ(text(coefficient(p.get(), 2).get()), "1");
}

TEST_F(ChpolyTest, CompositeModulusMatchesIntegers) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 21);
    for (int round = 0; round < 10; ++round) {
        const int32_t n = 1 + static_cast<int32_t>(rng() % 7);
        std::vector<int64_t> v(static_cast<size_t>(n) * n);
        for (auto& x : v) x = static_cast<int64_t>(rng() % 12);
        std::vector<std::string> over_z;
        {
            polytest::Ring z(0);
            Matrix m = Matrix::zero(n, n, false);
            for (int32_t k = 0; k < n * n; ++k) m.set(k / n, k % n, make_numeric(number_from_int64(v[k])));
            const Quoly p = chpoly_of(m);
            for (int32_t e = 0; e <= n; ++e) {
                Number q, r;
                Number c;
                num_assign(quoly_number(coefficient(p.get(), e).get()), c);
                mod_or_div(c, number_from_int64(12), r, '|', 1);
                over_z.push_back(number_to_decimal(r));
            }
        }
        polytest::Ring scope(12);
        Matrix m = Matrix::zero(n, n, false);
        for (int32_t k = 0; k < n * n; ++k) m.set(k / n, k % n, make_numeric(polytest::int_number(v[k])));
        const Quoly p = chpoly_of(m);
        for (int32_t e = 0; e <= n; ++e) EXPECT_EQ(text(coefficient(p.get(), e).get()), over_z[e]) << "x^" << e;
    }
}

TEST_F(ChpolyTest, HandComputedAndSparse) {
    polytest::Ring scope(0);
    // [[1, 2], [3, 4]]: (1 - x)(4 - x) - 6 = x^2 - 5x - 2.
    Matrix a = Matrix::zero(2, 2, false);
    const int64_t v[] = {1, 2, 3, 4};
    for (int k = 0; k < 4; ++k) a.set(k / 2, k % 2, make_numeric(number_from_int64(v[k])));
    for (ChpolyMethod m : {ChpolyMethod::Auto, ChpolyMethod::Determinant, ChpolyMethod::MultiModular}) {
        const Quoly p = chpoly_of(a, m);
        EXPECT_EQ(text(coefficient(p.get(), 2).get()), "1");
        EXPECT_EQ(text(coefficient(p.get(), 1).get()), "-5");
        EXPECT_EQ(text(coefficient(p.get(), 0).get()), "-2");
    }
    // The sparse form goes to sparse_chpoly and agrees.
    expect_same(chpoly_of(matrix_to_sparse(a)), chpoly_of(a), "sparse");
    Matrix wide = Matrix::zero(2, 3, false);
    Quoly r;
    EXPECT_EQ(unit::raised_code([&] { char_poly(wide, r, "Chpoly"); }), 313);
    EXPECT_EQ(unit::raised_code([&] { char_poly(a, r, "Chpoly", ChpolyMethod::Hessenberg); }), 367);
}

// ---------------------------------------------------------------------------
// Pseudo-determinant

TEST_F(ChpolyTest, PseudoDeterminantDividesAndAgrees) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 22);
    polytest::Ring scope(0);
    for (int32_t n : {20, 33, 41, 60}) {
        SCOPED_TRACE("n " + std::to_string(n));
        Matrix a = random_matrix(rng, n, 1000000);
        const auto e = entries(a);
        Number plain, with, pseudo, q, r;
        ASSERT_TRUE(small_mod_determ(e, n, plain));
        ASSERT_TRUE(find_pseudo(e, n, pseudo));
        EXPECT_GT(pseudo.sign(), 0);
        divide(plain, pseudo, q, r);
        EXPECT_TRUE(num_is_zero(r)) << number_to_decimal(plain) << " / " << number_to_decimal(pseudo);
        // Usually most of the determinant: the cofactor left is small.
        EXPECT_LT(log2_abs(q), 20.0) << number_to_decimal(q);
        ASSERT_TRUE(pseudo_int_determ(e, n, pseudo, with));
        EXPECT_EQ(number_to_decimal(with), number_to_decimal(plain));
        ASSERT_TRUE(int_determ(e, n, with));
        EXPECT_EQ(number_to_decimal(with), number_to_decimal(plain));
        EXPECT_EQ(text(new_pseudo(a, "Pseudet").get()).size() > 0, true);
        EXPECT_EQ(modulus, -1);
    }
    // Singular: the last row is the sum of the first two.
    for (int32_t n : {5, 45}) {
        Matrix a = random_matrix(rng, n, 1000000);
        for (int32_t c = 0; c < n; ++c) {
            Quoly s;
            quoly_add(a.at(0, c), a.at(1, c), s);
            a.set(n - 1, c, std::move(s));
        }
        Number pseudo, det;
        EXPECT_FALSE(find_pseudo(entries(a), n, pseudo));
        EXPECT_EQ(text(new_pseudo(a, "Pseudet").get()), "0");
        ASSERT_TRUE(int_determ(entries(a), n, det));
        EXPECT_TRUE(num_is_zero(det));
    }
}

TEST_F(ChpolyTest, PseudoDeterminantHandCases) {
    polytest::Ring scope(0);
    // Rows 2 (1, 1, 0), 3 (0, 1, 1), 5 (1, 0, 1): det 2 3 5 2 = 60, and the
    // lcm of the denominators of A^-1 b divides it.
    Matrix a = Matrix::zero(3, 3, false);
    const int64_t v[] = {2, 2, 0, 0, 3, 3, 5, 0, 5};
    for (int k = 0; k < 9; ++k) a.set(k / 3, k % 3, make_numeric(number_from_int64(v[k])));
    EXPECT_EQ(text(det_of(a).get()), "60");
    Number pseudo, q, r;
    ASSERT_TRUE(find_pseudo(entries(a), 3, pseudo));
    divide(number_from_int64(60), pseudo, q, r);
    EXPECT_TRUE(num_is_zero(r)) << number_to_decimal(pseudo);
    // Entries beyond 2^31: the pseudo-determinant declines and the built-in
    // returns the determinant itself.
    Matrix big = Matrix::zero(2, 2, false);
    big.set(0, 0, make_numeric(decimal_to_number("100000000000")));
    big.set(1, 1, make_numeric(number_from_int64(3)));
    EXPECT_FALSE(find_pseudo(entries(big), 2, pseudo));
    EXPECT_EQ(text(new_pseudo(big, "Pseudet").get()), "300000000000");
    // Non-integer entries and modular mode are error 202.
    Matrix half = Matrix::zero(1, 1, false);
    Quoly h;
    quot_numbers(number_from_int64(1), number_from_int64(2), h);
    half.set(0, 0, std::move(h));
    EXPECT_EQ(unit::raised_code([&] { (void)new_pseudo(half, "Pseudet"); }), 202);
    polytest::Ring mod(7);
    std::mt19937_64 rng(1);
    const Matrix residues = random_matrix(rng, 2, 3);
    EXPECT_EQ(unit::raised_code([&] { (void)new_pseudo(residues, "Pseudet"); }), 202);
}

// ---------------------------------------------------------------------------
// Inverse

TEST_F(ChpolyTest, InverseByEliminationInEveryRing) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 23);
    for (int32_t ring : kRings) {
        polytest::Ring scope(ring);
        int inverted = 0;
        for (int round = 0; round < 12; ++round) {
            const int32_t n = 1 + static_cast<int32_t>(rng() % 6);
            SCOPED_TRACE("ring " + std::to_string(ring) + " n " + std::to_string(n));
            const Matrix a = random_matrix(rng, n, ring ? 1000 : 30);
            const Quoly d = det_of(a);
            Matrix inv;
            Quoly d2;
            const bool invertible = !quoly_iszero(d.get()) &&
                              (ring != 12 || (std::stoll(text(d.get())) % 2 != 0 && std::stoll(text(d.get())) % 3 != 0));
            if (!invertible) {
                EXPECT_EQ(unit::raised_code([&] { mat_invert(a, d2, &inv, "^"); }), 44);
                continue;
            }
            mat_invert(a, d2, &inv, "^");
            expect_same(d2, d, "det with the inverse");
            EXPECT_TRUE(matrix_equal(matrix_mult(a, inv), matrix_identity(n, false)));
            ++inverted;
            if (ring == 12) continue;  // the elimination itself may meet non-unit pivots
            Matrix inv2;
            standard_matrix_invert(a, d2, inv2, "^");
            expect_same(d2, d, "det of the elimination");
            EXPECT_TRUE(matrix_equal(inv2, inv));
        }
        EXPECT_GT(inverted, 0);
    }
}

TEST_F(ChpolyTest, InverseHandCases) {
    {
        // Modulo 12, [[2, 3], [3, 2]] has no unit entry but det 4 - 9 = 7,
        // a unit: its inverse is 7^-1 [[2, -3], [-3, 2]] = 7 [[2, 9], [9, 2]].
        polytest::Ring scope(12);
        Matrix a = Matrix::zero(2, 2, false);
        const int64_t v[] = {2, 3, 3, 2};
        for (int k = 0; k < 4; ++k) a.set(k / 2, k % 2, make_numeric(polytest::int_number(v[k])));
        Matrix inv;
        Quoly d;
        mat_invert(a, d, &inv, "^");
        EXPECT_EQ(text(d.get()), "7");
        EXPECT_EQ(text(inv.at(0, 0)), "2");
        EXPECT_EQ(text(inv.at(0, 1)), "3");
        EXPECT_EQ(text(inv.at(1, 0)), "3");
        EXPECT_EQ(text(inv.at(1, 1)), "2");
        // A non-unit pivot in the elimination is error 85.
        EXPECT_EQ(unit::raised_code([&] { standard_matrix_invert(a, d, inv, "^"); }), 85);
        // det 2 is not a unit: no inverse.
        Matrix b = Matrix::zero(2, 2, false);
        b.set(0, 0, make_numeric(polytest::int_number(2)));
        b.set(1, 1, make_numeric(polytest::int_number(1)));
        EXPECT_EQ(unit::raised_code([&] { mat_invert(b, d, &inv, "^"); }), 44);
    }
    polytest::Ring scope(0);
    // A pivot search that swaps columns: [[0, 2], [3, 0]] has inverse
    // [[0, 1/3], [1/2, 0]] and det -6.
    Matrix a = Matrix::zero(2, 2, false);
    a.set(0, 1, make_numeric(number_from_int64(2)));
    a.set(1, 0, make_numeric(number_from_int64(3)));
    Matrix inv;
    Quoly d;
    standard_matrix_invert(a, d, inv, "^");
    EXPECT_EQ(text(d.get()), "-6");
    Quoly third, half;
    quot_numbers(number_from_int64(1), number_from_int64(3), third);
    quot_numbers(number_from_int64(1), number_from_int64(2), half);
    EXPECT_TRUE(quoly_iszero(inv.at(0, 0)));
    EXPECT_TRUE(quoly_equal(inv.at(0, 1), third.get()));
    EXPECT_TRUE(quoly_equal(inv.at(1, 0), half.get()));
    Matrix singular = Matrix::zero(2, 2, false);
    singular.set(0, 0, make_numeric(number_from_int64(1)));
    singular.set(0, 1, make_numeric(number_from_int64(2)));
    EXPECT_EQ(unit::raised_code([&] { standard_matrix_invert(singular, d, inv, "^"); }), 44);
}

// The residue array is reused, grows on demand and is released by errors.
TEST_F(ChpolyTest, ResidueArrayIsReused) {
    polytest::Ring scope(65521);
    std::mt19937_64 rng(polytest::seed() + 24);
    (void)det_of(random_matrix(rng, 8, 1000));
    const int64_t size = mod_matrix_size;
    EXPECT_GE(size, 64);
    (void)det_of(random_matrix(rng, 5, 1000));
    EXPECT_EQ(mod_matrix_size, size);
    {
        ResidueMatrix outer(3);
        EXPECT_TRUE(outer.shared());
        ResidueMatrix inner(3);
        EXPECT_FALSE(inner.shared());
        EXPECT_EQ(inner.rows().size(), 9u);
    }
    EXPECT_EQ(mod_mode_matrix_in_use, 0);
    EXPECT_EQ(unit::raised_code([] {
                  ResidueMatrix held(2);
                  tolmex::error(44, "^");
              }),
              44);
    EXPECT_EQ(mod_mode_matrix_in_use, 0);
}

}  // namespace
