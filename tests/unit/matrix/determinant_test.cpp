// Determinants and inverses: seeded random matrices of integers (up to 100
// decimal digits), rationals and polys, over Q, modulo 2, 3, 65521 and
// 2147483629 and in the field of 256 elements. Every method that suits the
// entries, forced in turn, gives the same determinant (and, for small
// sizes, the cofactor expansion's); det(AB) = det(A) det(B); A A^-1 = I;
// the operands and the modular state survive; singular and non-square
// matrices raise their errors; a composite modulus is handled.
#include <gtest/gtest.h>

#include "matrix/det_support.h"

#include <random>
#include <string>

#include "matrix/det_settings.h"
#include "matrix/determinant.h"
#include "matrix/matrix.h"
#include "numbers/decimal.h"
#include "numbers/support.h"
#include "poly/poly_arith.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "storage/work_arrays.h"

using namespace tolmex;
using dettest::entries;
using dettest::det_of;

namespace {

enum class Kind { Integers, BigIntegers, Rationals, Polys };

Quoly random_value(std::mt19937_64& rng, Kind kind) {
    auto small = [&](int64_t b) { return static_cast<int64_t>(rng() % (2 * b + 1)) - b; };
    if (rng() % 5 == 0) return make_numeric(polytest::int_number(0));
    if (kind == Kind::Integers) return make_numeric(polytest::int_number(small(99)));
    if (kind == Kind::BigIntegers)
        return make_numeric(numtest::random_number(rng, 1 + rng() % 12, rng() % 2 ? 1 : -1));
    if (kind == Kind::Rationals) {
        Quoly q;
        quot_numbers(number_from_int64(small(20)), number_from_int64(1 + rng() % 9), q);
        return q;
    }
    Poly p;
    poly_set(0, p);
    for (int e = 0; e <= 2; ++e) {
        Poly t, c;
        variable_power(t, 1, e);
        scalar_by_poly(polytest::int_number(small(9)), t.get(), c);
        best_poly_add(std::move(p), std::move(c), p);
    }
    Quoly q;
    p_q_take(std::move(p), q);
    polynum_to_quoly(q);
    return q;
}

Matrix random_square(std::mt19937_64& rng, int32_t n, Kind kind) {
    Matrix m = Matrix::zero(n, n, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) m.set(r, c, random_value(rng, kind));
    return m;
}

// The cofactor expansion along the first row: an oracle for small sizes.
Quoly laplace(const Matrix& m) {
    const int32_t n = m.rows;
    if (n == 1) return quoly_copy(m.at(0, 0) ? m.at(0, 0) : make_numeric(polytest::int_number(0)).get());
    Quoly sum = make_numeric(polytest::int_number(0));
    for (int32_t j = 0; j < n; ++j) {
        if (!m.at(0, j) || quoly_iszero(m.at(0, j))) continue;
        Matrix minor = matrix_part(m, 1, n - 1, 0, n - 1);
        Matrix left = j > 0 ? matrix_part(minor, 0, n - 2, 0, j - 1) : Matrix();
        Matrix right = j < n - 1 ? matrix_part(minor, 0, n - 2, j + 1, n - 1) : Matrix();
        Matrix sub = j == 0 ? std::move(right) : j == n - 1 ? std::move(left) : matrix_join(left, right);
        Quoly t;
        quoly_mult(m.at(0, j), laplace(sub).get(), t);
        if (j % 2)
            best_quoly_sub(sum, std::move(t));
        else
            best_quoly_add(sum, std::move(t));
    }
    return sum;
}

std::string text(const QuolyRec* q) {
    if (quoly_is_number(q)) return lintmode ? std::to_string(quoly_number(q).lint()) : number_to_decimal(quoly_number(q));
    return quoly_is_poly(q) ? polytest::plain_form(quoly_numerator(q)) : "(a quotient)";
}

void expect_same(const Quoly& a, const Quoly& b, const char* what) {
    EXPECT_TRUE(quoly_equal(a.get(), b.get())) << what << ": " << text(a.get()) << " vs " << text(b.get());
}

// The methods that suit the entries of m in the ring in force.
std::vector<DetMethod> methods_for(Kind kind) {
    std::vector<DetMethod> ms{DetMethod::Auto, DetMethod::Bareiss, DetMethod::Elimination};
    const bool numbers = kind == Kind::Integers || kind == Kind::BigIntegers;
    if (numbers && lintmode) ms.push_back(DetMethod::ModElim);
    if (numbers && !modularmode) ms.push_back(DetMethod::IntCrt);
    return ms;
}

bool kind_fits_ring(Kind kind, int32_t m) {
    if (m == 0) return true;
    return kind == Kind::Integers || kind == Kind::Polys;
}

class DeterminantTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!polynames) adjoin_poly_var("x", false);
    }
};

constexpr int32_t kRings[] = {0, 2, 3, 256, 65521, 2147483629};

TEST_F(DeterminantTest, MethodsAgreeAndProductsMultiply) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 10);
    for (int32_t ring : kRings)
        for (Kind kind : {Kind::Integers, Kind::BigIntegers, Kind::Rationals, Kind::Polys}) {
            if (!kind_fits_ring(kind, ring)) continue;
            polytest::Ring scope(ring);
            for (int round = 0; round < 5; ++round) {
                SCOPED_TRACE("ring " + std::to_string(ring) + " kind " + std::to_string(int(kind)) +
                             " round " + std::to_string(round));
                const int32_t n = 1 + rng() % (kind == Kind::Polys || kind == Kind::Rationals ? 5 : 9);
                Matrix a = random_square(rng, n, kind), b = random_square(rng, n, kind);
                const Matrix keep = matrix_copy(a);
                Quoly da = det_of(a);
                for (DetMethod m : methods_for(kind)) expect_same(det_of(a, m), da, "forced method");
                if (n <= 5) expect_same(laplace(a), da, "cofactor expansion");
                for (int32_t c : {0, 2, 3, 6}) {
                    Quoly dc;
                    standard_matrix_invert(entries(a), n, c, dc);
                    expect_same(dc, da, "elimination finished by minors");
                }
                Quoly prod;
                quoly_mult(da.get(), det_of(b).get(), prod);
                expect_same(det_of(matrix_mult(a, b)), prod, "det(AB)");
                EXPECT_TRUE(matrix_equal(a, keep));
                EXPECT_EQ(modulus, ring ? ring : -1);
                EXPECT_EQ(lintmode, ring != 0);
            }
        }
}

TEST_F(DeterminantTest, InverseTimesMatrixIsIdentity) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 11);
    for (int32_t ring : {0, 3, 65521, 2147483629})
        for (Kind kind : {Kind::Integers, Kind::BigIntegers, Kind::Rationals, Kind::Polys}) {
            if (!kind_fits_ring(kind, ring)) continue;
            polytest::Ring scope(ring);
            for (int round = 0; round < 4; ++round) {
                const int32_t n = 1 + rng() % (kind == Kind::Polys ? 4 : 7);
                Matrix a = random_square(rng, n, kind);
                Quoly d = det_of(a);
                if (quoly_iszero(d.get())) {
                    Matrix inv;
                    EXPECT_EQ(unit::raised_code([&] { mat_invert(a, d, &inv, "^"); }), 44);
                    continue;
                }
                Matrix inv;
                Quoly d2;
                mat_invert(a, d2, &inv, "^");
                expect_same(d2, d, "det with the inverse");
                EXPECT_TRUE(matrix_equal(matrix_mult(a, inv), matrix_identity(n, false)))
                    << "ring " << ring << " kind " << int(kind) << " n " << n;
                // The adjoint is det times the inverse.
                Matrix adj = adjoint_matrix(a, "Adjoint");
                matrix_scale(inv, d.get(), true);
                EXPECT_TRUE(matrix_equal(adj, inv));
            }
        }
}

Matrix integers(std::initializer_list<int64_t> v, int32_t n) {
    Matrix r = Matrix::zero(n, n, false);
    int k = 0;
    for (int64_t x : v) {
        r.set(k / n, k % n, make_numeric(polytest::int_number(x)));
        ++k;
    }
    return r;
}

TEST_F(DeterminantTest, HandComputedCases) {
    polytest::Ring scope(0);
    EXPECT_EQ(text(det_of(integers({7}, 1)).get()), "7");
    EXPECT_EQ(text(det_of(integers({1, 2, 3, 4}, 2)).get()), "-2");
    EXPECT_EQ(text(det_of(integers({2, 0, 1, 1, 3, 2, 1, 1, 2}, 3)).get()), "6");
    // A Hadamard matrix of order 8 scaled by 10^30 meets the bound exactly:
    // det = 8^4 10^240, and its negation after swapping two rows.
    Matrix h = Matrix::zero(8, 8, false);
    const Number big = decimal_to_number("1000000000000000000000000000000");
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 8; ++c) {
            Number x;
            num_assign(big, x);
            if (__builtin_popcount(r & c) % 2) in_place_neg(x);
            h.set(r, c, make_numeric(std::move(x)));
        }
    const std::string det = "4096" + std::string(240, '0');
    for (DetMethod m : {DetMethod::IntCrt, DetMethod::Bareiss}) EXPECT_EQ(text(det_of(h, m).get()), det);
    Matrix swapped = Matrix::zero(8, 8, false);
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 8; ++c) swapped.set(r < 2 ? 1 - r : r, c, quoly_copy(h.at(r, c)));
    for (DetMethod m : {DetMethod::IntCrt, DetMethod::Bareiss})
        EXPECT_EQ(text(det_of(swapped, m).get()), "-" + det);
}

TEST_F(DeterminantTest, EliminationDepth) {
    const int32_t saved = detcutoff;
    detcutoff = -1;
    EXPECT_EQ(elimination_depth(2, false), 2);
    EXPECT_EQ(elimination_depth(3, false), 2);
    EXPECT_EQ(elimination_depth(5, false), 4);
    EXPECT_EQ(elimination_depth(6, false), 4);
    EXPECT_EQ(elimination_depth(7, false), 0);
    EXPECT_EQ(elimination_depth(9, true), 2);
    detcutoff = 3;
    EXPECT_EQ(elimination_depth(9, false), 3);
    detcutoff = 40;
    EXPECT_EQ(elimination_depth(50, false), kMaxMinorsBlock);
    detcutoff = saved;
}

TEST_F(DeterminantTest, ErrorsLeaveStateIntact) {
    polytest::Ring scope(0);
    Matrix wide = Matrix::zero(2, 3, false);
    Quoly d;
    EXPECT_EQ(unit::raised_code([&] { mat_invert(wide, d, nullptr, "Det"); }), 313);
    Matrix singular = integers({1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 5, 5, 5, 5}, 4);
    Matrix inv;
    EXPECT_EQ(unit::raised_code([&] { mat_invert(singular, d, &inv, "^"); }), 44);
    Matrix small = integers({1, 2, 2, 4}, 2);
    EXPECT_EQ(unit::raised_code([&] { mat_invert(small, d, &inv, "^"); }), 44);
    EXPECT_EQ(unit::raised_code([&] { mat_invert(small, d, nullptr, "Det", DetMethod::ModElim); }), 367);
    EXPECT_EQ(modularmode, 0);
    EXPECT_EQ(modulus, -1);
    EXPECT_EQ(text(det_of(singular).get()), "0");
    // The adjoint of a singular matrix from its cofactors: [4 -2; -2 1].
    EXPECT_TRUE(matrix_equal(adjoint_matrix(small, "Adjoint"), integers({4, -2, -2, 1}, 2)));
}

TEST_F(DeterminantTest, CompositeModulus) {
    // Modulo 12 no elimination by inverses works; the remainder steps do.
    std::mt19937_64 rng(polytest::seed() + 12);
    for (int round = 0; round < 20; ++round) {
        const int32_t n = 1 + rng() % 6;
        std::vector<int64_t> v(static_cast<size_t>(n) * n);
        for (auto& x : v) x = static_cast<int64_t>(rng() % 41) - 20;
        Matrix z = Matrix::zero(n, n, false);
        for (int32_t k = 0; k < n * n; ++k) z.set(k / n, k % n, make_numeric(number_from_int64(v[k])));
        int64_t exact = 0;
        {
            polytest::Ring q(0);
            exact = std::stoll(text(det_of(z, DetMethod::Bareiss).get()));
        }
        polytest::Ring scope(12);
        Matrix m = Matrix::zero(n, n, false);
        for (int32_t k = 0; k < n * n; ++k) m.set(k / n, k % n, make_numeric(polytest::int_number(v[k])));
        EXPECT_EQ(quoly_number(det_of(m).get()).lint(), ((exact % 12) + 12) % 12);
    }
}

// An interrupt abandons the computation (as "&@" at the level it opens
// would): the operand, the ground ring and the work arrays are as before.
TEST_F(DeterminantTest, InterruptLeavesEverythingIntact) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 13);
    polytest::Ring scope(0);
    struct Abandon {
        Abandon() {
            set_error_handler([](int code, const char*, bool) { throw RestartTopLevel{code < 0 ? 999 : code}; });
        }
        ~Abandon() { set_error_handler(nullptr); }
    } abandon;
    for (Kind kind : {Kind::BigIntegers, Kind::Polys})
        for (int inverse = 0; inverse < 2; ++inverse) {
            Matrix a = random_square(rng, 6, kind);
            const Matrix keep = matrix_copy(a);
            Quoly d;
            Matrix inv;
            interrupt_pending = 1;
            EXPECT_EQ(unit::raised_code([&] { mat_invert(a, d, inverse ? &inv : nullptr, "Det"); }), 999);
            EXPECT_EQ(interrupt_pending, 0);
            EXPECT_TRUE(matrix_equal(a, keep));
            EXPECT_EQ(modulus, -1);
            EXPECT_EQ(lintmode, 0);
            EXPECT_EQ(first_available, 1);
            if (kind == Kind::BigIntegers) expect_same(det_of(a), laplace(a), "after the interrupt");
        }
}

}  // namespace
