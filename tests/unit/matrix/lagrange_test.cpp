// Lagrange interpolation of polynomial determinants: seeded random poly
// matrices in one to three variables over Q, modulo 2, 65521 and
// 2147483629 and in the field of 256 elements give the determinant of
// Gauss-Bareiss and of elimination; the declines (too few points in the
// field, too many variables for lagrangecut, Laurent entries) fall back to
// elimination with the right determinant; the dispatcher takes the method
// for polynomial matrices only; an interrupt inside the images over Z
// leaves rational mode in force; the sparse form with its degree and
// power arguments agrees with the dense one.
#include <gtest/gtest.h>

#include "matrix/det_support.h"

#include <random>
#include <string>

#include "matrix/det_settings.h"
#include "matrix/determinant.h"
#include "matrix/lagrange_det.h"
#include "matrix/matrix.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_settings.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "storage/work_arrays.h"

using namespace tolmex;
using dettest::entries;
using dettest::det_of;

namespace {

Quoly as_quoly(Poly&& p) {
    Quoly q;
    p_q_take(std::move(p), q);
    polynum_to_quoly(q);
    return q;
}

// c x1^e1 x2^e2 ... as a quoly.
Quoly mono(int64_t c, std::vector<int32_t> e) {
    return as_quoly(polytest::monomial_poly(polytest::int_number(c), e));
}

// The sum of the monomials (c, exponents).
Quoly poly_of(std::initializer_list<std::pair<int64_t, std::vector<int32_t>>> terms) {
    Quoly s = make_numeric(polytest::int_number(0));
    for (const auto& [c, e] : terms) best_quoly_add(s, mono(c, e));
    return s;
}

Matrix random_poly_matrix(std::mt19937_64& rng, int32_t n, int nvars, int max_deg, int digits, bool sparse,
                          int32_t stride = 1) {
    Matrix m = Matrix::zero(n, n, sparse);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            if (rng() % 4 == 0) continue;
            polytest::Shape s;
            s.nvars = nvars;
            s.terms = 1 + static_cast<int>(rng() % 3);
            s.max_deg = max_deg;
            s.digits = digits;
            Poly p = polytest::random_poly(rng, s);
            if (stride > 1) {
                // Every exponent of x1 multiplied by stride: p(x1^stride).
                Poly q;
                poly_set(0, q);
                for (int e = 0; e <= max_deg; ++e) {
                    Poly t;
                    polytest::Shape one = s;
                    one.terms = 1;
                    one.max_deg = 0;
                    t = polytest::random_poly(rng, one);
                    Poly xe;
                    variable_power(xe, 1, stride * e);
                    best_poly_add(std::move(q), polytest::product(t.get(), xe.get()), q);
                }
                p = std::move(q);
            }
            Quoly v = as_quoly(std::move(p));
            if (!quoly_iszero(v.get())) m.set(r, c, std::move(v));
        }
    return m;
}

std::string text(const QuolyRec* q) {
    if (quoly_is_number(q))
        return lintmode ? std::to_string(quoly_number(q).lint()) : std::to_string(quoly_convert_to_int(q));
    return quoly_is_poly(q) ? polytest::plain_form(quoly_numerator(q)) : "(a quotient)";
}

void expect_same(const Quoly& a, const Quoly& b, const char* what) {
    EXPECT_TRUE(quoly_equal(a.get(), b.get())) << what << ": " << text(a.get()) << " vs " << text(b.get());
}

// Interpolation in the ring in force, called directly (no fallback).
bool lagrange(const Matrix& m, Quoly& d) {
    return modularmode ? mod_poly_determ(entries(m), m.rows, d) : rat_poly_determ(entries(m), m.rows, d);
}

// The determinant settings of a test, restored afterwards.
struct Settings {
    int32_t cut = lagrangecut, rat = rat_det_method_cut, mod = mod_det_method_cut, det = detcutoff;
    int gauss = gauss_cutoff, verb = verbose;
    ~Settings() {
        lagrangecut = cut, rat_det_method_cut = rat, mod_det_method_cut = mod, detcutoff = det;
        gauss_cutoff = gauss, verbose = verb;
    }
};

// The tridiagonal n x n matrix with diag on the diagonal and off beside it.
Matrix tridiagonal(int32_t n, const QuolyRec* diag, const QuolyRec* off) {
    Matrix m = Matrix::zero(n, n, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c)
            if (r == c)
                m.set(r, c, quoly_copy(diag));
            else if (r - c == 1 || c - r == 1)
                m.set(r, c, quoly_copy(off));
            else
                m.set(r, c, make_numeric(polytest::int_number(0)));
    return m;
}

size_t count(const std::string& s, const std::string& part) {
    size_t k = 0;
    for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) ++k;
    return k;
}

class LagrangeTest : public ::testing::Test {
protected:
    void SetUp() override { polytest::use_vars(3); }
};

TEST_F(LagrangeTest, AgreesWithEliminationInEveryRing) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 40);
    for (int32_t ring : {0, 256, 65521, 2147483629})
        for (int nvars = 1; nvars <= 3; ++nvars) {
            polytest::Ring scope(ring);
            for (int round = 0; round < 4; ++round) {
                SCOPED_TRACE("ring " + std::to_string(ring) + " vars " + std::to_string(nvars) + " round " +
                             std::to_string(round));
                const int32_t n = 1 + static_cast<int32_t>(rng() % (nvars == 3 ? 4 : 5));
                const int digits = ring == 0 && round % 2 ? 12 : 1;
                Matrix a = random_poly_matrix(rng, n, nvars, 2, digits, false);
                const Matrix keep = matrix_copy(a);
                Quoly d;
                ASSERT_TRUE(lagrange(a, d));
                const Quoly bareiss = det_of(a, DetMethod::Bareiss);
                expect_same(d, bareiss, "Gauss-Bareiss");
                expect_same(det_of(a, DetMethod::Lagrange), bareiss, "forced through the dispatcher");
                if (n <= 4 && (nvars < 3 || ring != 0)) expect_same(det_of(a, DetMethod::Elimination), d, "elimination");
                EXPECT_TRUE(matrix_equal(a, keep));
                EXPECT_EQ(modulus, ring ? ring : -1);
                EXPECT_EQ(lintmode, ring != 0);
            }
        }
}

TEST_F(LagrangeTest, HandComputedDeterminants) {
    // Modulo 2 there are two points: degree 1 at most. [[x1 + 1, 1], [1, 1]]
    // has det x1.
    {
        polytest::Ring scope(2);
        Matrix a = Matrix::zero(2, 2, false);
        a.set(0, 0, poly_of({{1, {1}}, {1, {0}}}));
        a.set(0, 1, mono(1, {0}));
        a.set(1, 0, mono(1, {0}));
        a.set(1, 1, mono(1, {0}));
        Quoly d;
        ASSERT_TRUE(lagrange(a, d));
        expect_same(d, mono(1, {1}), "mod 2");
    }
    // The tridiagonal matrix with x1 on the diagonal and x2 beside it: D_n =
    // x1 D_{n-1} - x2^2 D_{n-2}, so D_7 = x1^7 - 6 x1^5 x2^2 + 10 x1^3 x2^4 -
    // 4 x1 x2^6.
    const Quoly expected_7 = [] {
        polytest::Ring q(0);
        return poly_of({{1, {7, 0}}, {-6, {5, 2}}, {10, {3, 4}}, {-4, {1, 6}}});
    }();
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        Matrix a = tridiagonal(7, mono(1, {1}).get(), mono(1, {0, 1}).get());
        Quoly d;
        ASSERT_TRUE(lagrange(a, d));
        Quoly want = poly_of({{1, {7, 0}}, {-6, {5, 2}}, {10, {3, 4}}, {-4, {1, 6}}});
        expect_same(d, want, "tridiagonal");
        if (ring == 0) expect_same(d, expected_7, "tridiagonal over Q");
    }
    // A zero row: 0 at once.
    polytest::Ring scope(0);
    Matrix z = Matrix::zero(3, 3, false);
    z.set(0, 0, mono(1, {1}));
    z.set(1, 1, mono(1, {1}));
    Quoly d;
    ASSERT_TRUE(lagrange(z, d));
    EXPECT_TRUE(quoly_iszero(d.get()));
}

TEST_F(LagrangeTest, TooFewPointsFallBack) {
    // Modulo 5: [[x^5 + 1, x], [x, x^5 + 2]] has degree 10 and det x^10 +
    // 3 x^5 - x^2 + 2 = x^10 + 3 x^5 + 4 x^2 + 2.
    polytest::Ring scope(5);
    Matrix a = Matrix::zero(2, 2, false);
    a.set(0, 0, poly_of({{1, {5}}, {1, {0}}}));
    a.set(0, 1, mono(1, {1}));
    a.set(1, 0, mono(1, {1}));
    a.set(1, 1, poly_of({{1, {5}}, {2, {0}}}));
    const Quoly want = poly_of({{1, {10}}, {3, {5}}, {4, {2}}, {2, {0}}});
    Quoly d;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(lagrange(a, d));
    const Quoly forced = det_of(a, DetMethod::Lagrange);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(d);
    const std::string message = " degree 10 is too large for this modulus. will try rational algorithm.\n";
    EXPECT_EQ(out, message + message);
    expect_same(forced, want, "after the decline");
    // The field of 256 elements has 256 points: x^300 is too much.
    polytest::Ring field(256);
    Matrix b = Matrix::zero(1, 1, false);
    b.set(0, 0, mono(1, {300}));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(lagrange(b, d));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " degree 300 is too large for this field.\n");
    // A composite modulus declines quietly.
    polytest::Ring composite(12);
    Matrix c = Matrix::zero(1, 1, false);
    c.set(0, 0, mono(1, {1}));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(lagrange(c, d));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(LagrangeTest, LagrangecutLimitsTheVariables) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 41);
    Settings keep;
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        Matrix a = random_poly_matrix(rng, 4, 2, 2, 1, false);
        a.set(0, 0, poly_of({{1, {1, 1}}, {1, {0}}}));  // both variables occur
        const Quoly want = det_of(a, DetMethod::Bareiss);
        Quoly d;
        lagrangecut = 1;
        EXPECT_FALSE(lagrange(a, d));
        expect_same(det_of(a, DetMethod::Lagrange), want, "declined, then eliminated");
        lagrangecut = 2;
        ASSERT_TRUE(lagrange(a, d));
        expect_same(d, want, "within the cut");
        lagrangecut = 0;
        Matrix one = Matrix::zero(1, 1, false);
        one.set(0, 0, mono(1, {1}));
        EXPECT_FALSE(lagrange(one, d));
        lagrangecut = 10;
    }
}

TEST_F(LagrangeTest, LaurentEntriesWarnAtMostThreeTimes) {
    polytest::Ring scope(0);
    laurent = 1;
    // [[x^-1, 2], [1, x]]: det = 1 - 2 = -1.
    Matrix a = Matrix::zero(2, 2, false);
    a.set(0, 0, mono(1, {-1}));
    a.set(0, 1, mono(2, {0}));
    a.set(1, 0, mono(1, {0}));
    a.set(1, 1, mono(1, {1}));
    neg_exponent_warning = 0;
    testing::internal::CaptureStdout();
    for (int k = 0; k < 4; ++k) EXPECT_EQ(text(det_of(a, DetMethod::Lagrange).get()), "-1");
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string warning =
        " Warning.  matrix contains negative exponents.  Fast\n"
        " determinant method cannot be used.  It would be better\n"
        " to remove the negative exponents and try again.\n";
    EXPECT_EQ(out, warning + warning + warning + " *** This is the last warning message.\n");
    EXPECT_EQ(neg_exponent_warning, 3);
}

TEST_F(LagrangeTest, DispatcherTakesItForPolynomialsOnly) {
    Settings keep;
    rat_det_method_cut = 1;
    detcutoff = -1;
    gauss_cutoff = 0;
    verbose = 1;
    polytest::Ring scope(0);
    // Tridiagonal with x on the diagonal and 1 beside it: D_7 = x^7 - 6 x^5
    // + 10 x^3 - 4 x.
    Matrix a = tridiagonal(7, mono(1, {1}).get(), mono(1, {0}).get());
    testing::internal::CaptureStdout();
    const Quoly d = det_of(a);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(count(out, "LaGrange interpolation over Z, rows 7\n"), 1u) << out;
    expect_same(d, poly_of({{1, {7}}, {-6, {5}}, {10, {3}}, {-4, {1}}}), "7 x 7");
    // With 1/x in the corner: det = D_6 / x - D_5 = (-x^4 + 3 x^2 - 1) / x.
    Quoly inv_x = mono(1, {0});
    fast_quoly_quot(inv_x, mono(1, {1}));
    a.set(0, 0, std::move(inv_x));
    testing::internal::CaptureStdout();
    const Quoly q = det_of(a);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(count(out, "LaGrange"), 0u) << out;
    Quoly want = poly_of({{-1, {4}}, {3, {2}}, {-1, {0}}});
    fast_quoly_quot(want, mono(1, {1}));
    expect_same(q, want, "rational-function entry");
    EXPECT_EQ(unit::raised_code([&] { det_of(a, DetMethod::Lagrange); }), 367);
    // 4 to 6 rows: by mass. Over Q any poly entry pays; modulo p the mass
    // must pass mod_det_method_cut.
    Matrix small = tridiagonal(4, mono(1, {1}).get(), mono(1, {0}).get());
    EXPECT_TRUE(lagrange_pays(entries(small), 4));
    EXPECT_TRUE(lagrange_pays(entries(a), 7));
    polytest::Ring mod(65521);
    Matrix small_p = tridiagonal(4, mono(1, {1}).get(), mono(1, {0}).get());
    EXPECT_FALSE(lagrange_pays(entries(small_p), 4));
    testing::internal::CaptureStdout();
    const Quoly dp = det_of(small_p);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(count(out, "Gauss-Bareiss method, size 4"), 1u) << out;
    expect_same(dp, poly_of({{1, {4}}, {-3, {2}}, {1, {0}}}), "4 x 4 mod p");
    mod_det_method_cut = 1;
    EXPECT_TRUE(lagrange_pays(entries(small_p), 4));
    testing::internal::CaptureStdout();
    expect_same(det_of(small_p), dp, "4 x 4 by Lagrange");
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(count(out, "LaGrange interpolation, degree 4\n"), 1u) << out;
}

// An interrupt while the images are computed modulo a word prime abandons
// the method (as "&@" at the level it opens would): rational mode is back.
TEST_F(LagrangeTest, InterruptInsideTheImagesRestoresRationalMode) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 42);
    polytest::Ring scope(0);
    static int seen_mode = -1, seen_modulus = 0;
    struct Abandon {
        Abandon() {
            set_error_handler([](int code, const char*, bool) {
                seen_mode = modularmode;
                seen_modulus = modulus;
                throw RestartTopLevel{code < 0 ? 999 : code};
            });
        }
        ~Abandon() { set_error_handler(nullptr); }
    } abandon;
    Matrix a = random_poly_matrix(rng, 5, 2, 2, 8, false);
    a.set(0, 0, poly_of({{3, {1, 1}}, {1, {0}}}));
    const Matrix keep = matrix_copy(a);
    Quoly d;
    interrupt_pending = 1;
    EXPECT_EQ(unit::raised_code([&] { rat_poly_determ(entries(a), 5, d); }), 999);
    EXPECT_EQ(seen_mode, 1);
    EXPECT_GT(seen_modulus, 2);
    EXPECT_EQ(modularmode, 0);
    EXPECT_EQ(lintmode, 0);
    EXPECT_EQ(modulus, -1);
    EXPECT_EQ(interrupt_pending, 0);
    EXPECT_TRUE(matrix_equal(a, keep));
    // And the next run completes.
    ASSERT_TRUE(rat_poly_determ(entries(a), 5, d));
    expect_same(d, det_of(a, DetMethod::Bareiss), "after the interrupt");
}

TEST_F(LagrangeTest, SparseFormWithDegreeAndPower) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 43);
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE("ring " + std::to_string(ring) + " round " + std::to_string(round));
            const int32_t n = 2 + static_cast<int32_t>(rng() % 5);
            Matrix s = random_poly_matrix(rng, n, 1 + round % 2, 2, 2, true);
            const Quoly want = det_of(matrix_to_dense(s), DetMethod::Bareiss);
            Quoly d;
            ASSERT_TRUE(sparse_lagrange(s, d, 0, 1));
            expect_same(d, want, "sparse");
            // The true degree in x1 as the caller's bound.
            const int32_t deg = quoly_is_poly(want.get()) ? level_degree(quoly_numerator(want.get()), 1) : 0;
            if (deg > 0) {
                ASSERT_TRUE(sparse_lagrange(s, d, deg, 1));
                expect_same(d, want, "with the degree bound");
            }
            // Entries in x1^3: the determinant is a poly in x1^3.
            Matrix cubed = random_poly_matrix(rng, n, 1, 2, 2, true, 3);
            const Quoly want3 = det_of(matrix_to_dense(cubed), DetMethod::Bareiss);
            ASSERT_TRUE(sparse_lagrange(cubed, d, 0, 3));
            expect_same(d, want3, "in powers of x1");
        }
        Matrix dense = Matrix::zero(2, 2, false);
        Quoly d;
        EXPECT_FALSE(sparse_lagrange(dense, d, 0, 1));
    }
}

}  // namespace
