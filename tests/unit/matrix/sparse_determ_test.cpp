// Determinants of sparse matrices: seeded random sparse matrices (density
// 10 to 50 %, sizes up to 30) of small integers, integers of up to 100
// decimal digits, polys in 1 to 3 variables and quotients of polys in 1 or
// 2 variables, over Q,
// modulo 2, 3, 65521 and 2147483629 and in the field of 256 elements: every
// sparse method forced in turn, and the sparse dispatcher under each
// setting of the switches, agree with the dense methods. Modulo the
// composite 12 the residue elimination agrees with the integer determinant
// reduced. Permutation and triangular matrices have their known
// determinants; singular ones give 0; det(AB) = det(A) det(B); an interrupt
// leaves the operands intact; sparse inverses and errors 36 and 367.
#include <gtest/gtest.h>

#include "matrix/det_support.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

#include "matrix/det_settings.h"
#include "matrix/determinant.h"
#include "matrix/matrix.h"
#include "matrix/sparse_determ.h"
#include "numbers/decimal.h"
#include "numbers/support.h"
#include "poly/poly_support.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "storage/work_arrays.h"

using namespace tolmex;
using dettest::det_of;

namespace {

enum class Kind { Small, Big, Polys, Fractions };

const char* kind_name(Kind k) {
    static const char* names[] = {"small integers", "big integers", "polys", "fractions"};
    return names[static_cast<int>(k)];
}

Quoly integer(int64_t v) { return make_numeric(polytest::int_number(v)); }

Quoly random_poly_value(std::mt19937_64& rng, int nvars, int max_deg = 2) {
    polytest::Shape s;
    s.nvars = nvars;
    s.terms = 1 + static_cast<int>(rng() % 3);
    s.max_deg = max_deg;
    s.digits = 3;
    Quoly q;
    p_q_take(polytest::random_poly(rng, s), q);
    polynum_to_quoly(q);
    return q;
}

Quoly random_value(std::mt19937_64& rng, Kind kind, int nvars) {
    switch (kind) {
        case Kind::Small: return integer(static_cast<int64_t>(rng() % 199) - 99);
        case Kind::Big: {
            std::string s(rng() % 2 ? "-" : "");
            s += static_cast<char>('1' + rng() % 9);
            for (int i = 1 + static_cast<int>(rng() % 100); i > 1; --i) s += static_cast<char>('0' + rng() % 10);
            return make_numeric(decimal_to_number(s));
        }
        case Kind::Polys: return random_poly_value(rng, nvars);
        case Kind::Fractions: {
            // Denominators of degree 1 keep the GCDs of the dense
            // reference methods cheap.
            Quoly num = random_poly_value(rng, nvars), den = random_poly_value(rng, nvars, 1);
            if (quoly_iszero(den.get())) return num;
            Quoly q;
            quoly_quot(num.get(), den.get(), q);
            return q;
        }
    }
    return Quoly();
}

// A random sparse n x n matrix of the given density; with transversal
// every row and column has an entry (on a random permutation), so that
// the matrix is seldom singular.
Matrix random_sparse(std::mt19937_64& rng, int32_t n, Kind kind, int nvars, double density, bool transversal) {
    Matrix m = Matrix::zero(n, n, true);
    std::vector<int32_t> perm(n);
    std::iota(perm.begin(), perm.end(), 0);
    std::shuffle(perm.begin(), perm.end(), rng);
    std::uniform_real_distribution<double> u(0, 1);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c)
            if ((transversal && perm[r] == c) || u(rng) < density) m.set(r, c, random_value(rng, kind, nvars));
    return m;
}

std::string text(const QuolyRec* q) {
    if (quoly_is_number(q)) return lintmode ? std::to_string(quoly_number(q).lint()) : number_to_decimal(quoly_number(q));
    return quoly_is_poly(q) ? polytest::plain_form(quoly_numerator(q)) : "(a quotient)";
}

::testing::AssertionResult same(const Quoly& a, const Quoly& b) {
    if (quoly_equal(a.get(), b.get())) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << text(a.get()) << " vs " << text(b.get());
}

bool numeric(Kind k) { return k == Kind::Small || k == Kind::Big; }

std::vector<DetMethod> sparse_methods(Kind kind) {
    std::vector<DetMethod> ms{DetMethod::Auto, DetMethod::SparseBareiss, DetMethod::SparseElim};
    if (numeric(kind) && lintmode) ms.push_back(DetMethod::SparseModInt);
    return ms;
}

// The switches of the method choice, restored when the guard ends.
struct Settings {
    int gc = gauss_cutoff;
    int32_t rc = rat_det_method_cut, dc = detcutoff;
    ~Settings() { gauss_cutoff = gc, rat_det_method_cut = rc, detcutoff = dc; }
    void set(int g, int32_t r, int32_t d) { gauss_cutoff = g, rat_det_method_cut = r, detcutoff = d; }
};

// Each setting sends the dispatcher down another of its branches.
constexpr int32_t kSettings[][3] = {{0, 5000, -1}, {1, 5000, -1}, {0, 1, -1}, {0, 5000, 0}, {0, 5000, 5}, {1, 5000, 8}};

class SparseDeterminantTest : public ::testing::Test {
protected:
    void SetUp() override { polytest::use_vars(3); }
};

constexpr int32_t kRings[] = {0, 2, 3, 256, 65521, 2147483629};

int32_t max_size(Kind kind) {
    switch (kind) {
        case Kind::Small: return 30;
        case Kind::Big: return 12;
        case Kind::Polys: return 8;
        default: return 4;  // the dense reference is slow on quotients
    }
}

TEST_F(SparseDeterminantTest, EveryMethodAgreesWithTheDenseOnes) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 20);
    Settings keep;
    for (int32_t ring : kRings)
        for (Kind kind : {Kind::Small, Kind::Big, Kind::Polys, Kind::Fractions}) {
            if (ring != 0 && kind == Kind::Big) continue;
            polytest::Ring scope(ring);
            for (int round = 0; round < 5; ++round) {
                // Over Z/2 and Z/3 the GCDs of quotients in several variables
                // (elimination over the quolys, sparse or dense) are slow.
                const int vars = ring == 2 || ring == 3 ? 1 : kind == Kind::Fractions ? 2 : 3;
                const int nvars = 1 + static_cast<int>(rng() % vars);
                // Elimination over the quolys meets quotients in every
                // variable: fewer rows as the variables grow.
                const int32_t n = 1 + static_cast<int32_t>(rng() % (max_size(kind) - (kind == Kind::Polys ? nvars : 0)));
                const double density = 0.1 + 0.4 * static_cast<double>(rng() % 100) / 100;
                SCOPED_TRACE("ring " + std::to_string(ring) + ", " + kind_name(kind) + ", n " + std::to_string(n) +
                             ", round " + std::to_string(round));
                const Matrix a = random_sparse(rng, n, kind, nvars, density, round % 2 == 0);
                const Matrix keep_a = matrix_copy(a);
                const Matrix dense = matrix_to_dense(a);
                const Quoly want = det_of(dense, DetMethod::Bareiss);
                if (numeric(kind)) {
                    EXPECT_TRUE(same(det_of(dense), want)) << "dense dispatcher";
                }
                for (DetMethod m : sparse_methods(kind)) EXPECT_TRUE(same(det_of(a, m), want)) << "method " << int(m);
                // A dense matrix forced to a sparse method is read as sparse.
                EXPECT_TRUE(same(det_of(dense, DetMethod::SparseBareiss), want));
                for (const auto& s : kSettings) {
                    keep.set(s[0], s[1], s[2]);
                    EXPECT_TRUE(same(det_of(a), want)) << "settings " << s[0] << " " << s[1] << " " << s[2];
                }
                keep.set(keep.gc, keep.rc, keep.dc);
                EXPECT_TRUE(matrix_equal(a, keep_a));
                EXPECT_EQ(modulus, ring ? ring : -1);
            }
        }
}

TEST_F(SparseDeterminantTest, CompositeModulusByEuclidSteps) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 21);
    for (int round = 0; round < 30; ++round) {
        const int32_t n = 1 + static_cast<int32_t>(rng() % 12);
        Matrix z = Matrix::zero(n, n, true);
        for (int32_t k = 0; k < n * n; ++k)
            if (rng() % 3 == 0 || k % (n + 1) == 0) z.set(k / n, k % n, integer(static_cast<int64_t>(rng() % 41) - 20));
        int64_t exact = 0;
        {
            polytest::Ring q(0);
            exact = std::stoll(text(det_of(matrix_to_dense(z), DetMethod::Bareiss).get()));
        }
        polytest::Ring scope(12);
        Matrix m = Matrix::zero(n, n, true);
        for (int32_t r = 0; r < n; ++r)
            for (const SparseEntry& s : z.srows[r])
                m.set(r, s.col, integer(std::stoll(number_to_decimal(quoly_number(s.v.get())))));
        const int32_t want = static_cast<int32_t>(((exact % 12) + 12) % 12);
        SCOPED_TRACE("round " + std::to_string(round) + ", exact " + std::to_string(exact));
        EXPECT_EQ(quoly_number(det_of(m).get()).lint(), want);
        EXPECT_EQ(quoly_number(det_of(m, DetMethod::SparseModInt).get()).lint(), want);
        EXPECT_EQ(sparse_mod_int_determ(m), want);
    }
}

// Larger matrices with about three entries per row, where the row form
// pays: the residue elimination and the dispatcher against the dense
// residue elimination, modulo a prime and in the field of 256 elements.
TEST_F(SparseDeterminantTest, LargeVerySparseMatrices) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 27);
    for (int32_t ring : {65521, 256, 2}) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 2; ++round) {
            const int32_t n = 60 + static_cast<int32_t>(rng() % 60);
            const Matrix a = random_sparse(rng, n, Kind::Small, 1, 2.0 / n, true);
            const Quoly want = det_of(matrix_to_dense(a), DetMethod::ModElim);
            EXPECT_TRUE(same(det_of(a), want)) << "ring " << ring << ", n " << n;
            EXPECT_TRUE(same(det_of(a, DetMethod::SparseModInt), want)) << "ring " << ring << ", n " << n;
        }
    }
}

// The sign of a permutation by counting its inversions.
int inversion_sign(const std::vector<int32_t>& p) {
    int s = 1;
    for (size_t i = 0; i < p.size(); ++i)
        for (size_t j = i + 1; j < p.size(); ++j)
            if (p[i] > p[j]) s = -s;
    return s;
}

TEST_F(SparseDeterminantTest, PermutationAndTriangularMatrices) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 22);
    for (int32_t ring : {0, 3, 65521}) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 12; ++round) {
            const int32_t n = 1 + static_cast<int32_t>(rng() % 20);
            std::vector<int32_t> p(n);
            std::iota(p.begin(), p.end(), 0);
            std::shuffle(p.begin(), p.end(), rng);
            // Row r has its one entry, a nonzero s_r, in column p[r].
            Matrix perm = Matrix::zero(n, n, true);
            int64_t product = inversion_sign(p);
            for (int32_t r = 0; r < n; ++r) {
                const int64_t s = 1 + static_cast<int64_t>(rng() % (round % 3 ? 1 : 2));
                product *= s;
                perm.set(r, p[r], integer(s));
            }
            // Lower triangular with diagonal 1, -2, 3, -4, ..., the rest random
            // (modulo 3 some diagonal entries vanish, and so does det).
            Matrix tri = Matrix::zero(n, n, true);
            for (int32_t r = 0; r < n; ++r) {
                const int64_t d = r % 2 ? -(r + 1) : r + 1;
                tri.set(r, r, integer(d));
                for (int32_t c = 0; c < r; ++c)
                    if (rng() % 3 == 0) tri.set(r, c, integer(static_cast<int64_t>(rng() % 19) - 9));
            }
            Quoly want_perm = integer(product), want_tri;
            quoly_set(1, want_tri);
            for (int32_t r = 0; r < n; ++r) fast_quoly_mult(want_tri, tri.at(r, r) ? quoly_copy(tri.at(r, r)) : integer(0));
            SCOPED_TRACE("ring " + std::to_string(ring) + ", n " + std::to_string(n));
            for (DetMethod m : sparse_methods(Kind::Small)) {
                EXPECT_TRUE(same(det_of(perm, m), want_perm)) << "permutation, method " << int(m);
                EXPECT_TRUE(same(det_of(tri, m), want_tri)) << "triangular, method " << int(m);
                EXPECT_TRUE(same(det_of(matrix_transpose(tri), m), want_tri)) << "upper triangular, method " << int(m);
            }
        }
    }
}

// Three kinds of singular matrices: a zero column, two proportional rows,
// a row that is a combination of two others.
Matrix make_singular(std::mt19937_64& rng, int32_t n, Kind kind, int shape) {
    Matrix a = random_sparse(rng, n, kind, 2, 0.3, true);
    if (shape == 0) {
        const int32_t c = static_cast<int32_t>(rng() % n);
        for (int32_t r = 0; r < n; ++r) a.set(r, c, integer(0));
        return a;
    }
    const int32_t i = 0, j = 1, k = n - 1;
    Matrix out = Matrix::zero(n, n, true);
    for (int32_t r = 0; r < n; ++r)
        for (const SparseEntry& s : a.srows[r])
            if (r != k) out.set(r, s.col, quoly_copy(s.v.get()));
    const Quoly f = random_value(rng, kind, 2), g = integer(shape == 1 ? 0 : 3);
    for (int32_t c = 0; c < n; ++c) {
        Quoly x, y;
        quoly_mult(f.get(), a.at(i, c) ? a.at(i, c) : integer(0).get(), x);
        quoly_mult(g.get(), a.at(j, c) ? a.at(j, c) : integer(0).get(), y);
        best_quoly_add(x, std::move(y));
        out.set(k, c, std::move(x));
    }
    return out;
}

TEST_F(SparseDeterminantTest, SingularMatricesGiveZero) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 23);
    for (int32_t ring : {0, 2, 3, 256, 65521, 2147483629})
        for (Kind kind : {Kind::Small, Kind::Polys}) {
            polytest::Ring scope(ring);
            for (int shape = 0; shape < 3; ++shape)
                for (int round = 0; round < 3; ++round) {
                    const int32_t n = 3 + static_cast<int32_t>(rng() % (kind == Kind::Polys ? 5 : 15));
                    const Matrix a = make_singular(rng, n, kind, shape);
                    for (DetMethod m : sparse_methods(kind))
                        EXPECT_TRUE(same(det_of(a, m), integer(0)))
                            << "ring " << ring << ", " << kind_name(kind) << ", shape " << shape << ", method " << int(m);
                }
        }
}

TEST_F(SparseDeterminantTest, DeterminantOfAProductIsTheProduct) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 24);
    for (int32_t ring : {0, 2, 256, 2147483629})
        for (Kind kind : {Kind::Small, Kind::Big, Kind::Polys}) {
            if (ring != 0 && kind == Kind::Big) continue;
            polytest::Ring scope(ring);
            for (int round = 0; round < 3; ++round) {
                const int32_t n = 2 + static_cast<int32_t>(rng() % (kind == Kind::Polys ? 4 : 10));
                const Matrix a = random_sparse(rng, n, kind, 2, 0.3, true);
                const Matrix b = random_sparse(rng, n, kind, 2, 0.3, true);
                const Matrix ab = matrix_to_sparse(matrix_mult(a, b));
                for (DetMethod m : sparse_methods(kind)) {
                    Quoly prod;
                    quoly_mult(det_of(a, m).get(), det_of(b, m).get(), prod);
                    EXPECT_TRUE(same(det_of(ab, m), prod))
                        << "ring " << ring << ", " << kind_name(kind) << ", n " << n << ", method " << int(m);
                }
            }
        }
}

TEST_F(SparseDeterminantTest, InverseOfASparseMatrix) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 25);
    for (int32_t ring : {0, 3, 65521}) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 5; ++round) {
            const int32_t n = 1 + static_cast<int32_t>(rng() % (ring == 3 ? 2 : 8));
            const Matrix a = random_sparse(rng, n, Kind::Small, 1, 0.3, true);
            Quoly d = det_of(a);
            if (quoly_iszero(d.get())) continue;
            Matrix inv;
            Quoly d2;
            mat_invert(a, d2, &inv, "^");
            EXPECT_TRUE(same(d2, d));
            EXPECT_TRUE(inv.sparse);
            EXPECT_TRUE(matrix_equal(matrix_to_dense(matrix_mult(a, inv)), matrix_identity(n, false)))
                << "ring " << ring << ", n " << n;
        }
    }
    // In lint mode a sparse matrix of size at least the modulus has no
    // inverse here: error 36, whether or not it is singular.
    for (int32_t ring : {2, 3}) {
        polytest::Ring scope(ring);
        const Matrix id = matrix_identity(ring, true);
        Matrix inv;
        Quoly d;
        EXPECT_EQ(unit::raised_code([&] { mat_invert(id, d, &inv, "^"); }), 36);
        EXPECT_EQ(unit::raised_code([&] { mat_invert(matrix_identity(ring + 1, true), d, &inv, "^"); }), 36);
        EXPECT_TRUE(same(det_of(id), integer(1)));  // the determinant alone is fine
        // The dense form of the same matrix inverts.
        EXPECT_EQ(unit::raised_code([&] { mat_invert(matrix_to_dense(id), d, &inv, "^"); }), -1);
    }
}

TEST_F(SparseDeterminantTest, MethodsThatDoNotSuitAreError367) {
    Matrix m = Matrix::zero(4, 4, true);
    Quoly d;
    {
        polytest::Ring scope(0);
        for (int32_t i = 0; i < 4; ++i) m.set(i, (i + 1) % 4, integer(i + 2));
        EXPECT_EQ(unit::raised_code([&] { mat_invert(m, d, nullptr, "Det", DetMethod::SparseModInt); }), 367);
    }
    polytest::Ring scope(65521);
    // [[x1, 5], [0, x1]]: det x1^2.
    Matrix p = Matrix::zero(2, 2, true);
    for (int32_t i = 0; i < 2; ++i) {
        Quoly x;
        p_q_take(polytest::var_poly(1), x);
        p.set(i, i, std::move(x));
    }
    p.set(0, 1, integer(5));
    Quoly x2;
    quoly_mult(p.at(0, 0), p.at(0, 0), x2);
    EXPECT_TRUE(same(det_of(p), x2));
    EXPECT_EQ(unit::raised_code([&] { mat_invert(p, d, nullptr, "Det", DetMethod::SparseModInt); }), 367);
    // The degree and power arguments do not change a determinant.
    Quoly with_args;
    mat_invert(p, with_args, nullptr, "Det", DetMethod::Auto, 5, 3);
    EXPECT_TRUE(same(with_args, det_of(p)));
}

// An interrupt abandons the computation: the operand, the ground ring and
// the work arrays are as before.
TEST_F(SparseDeterminantTest, InterruptLeavesTheOperandIntact) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 26);
    struct Abandon {
        Abandon() {
            set_error_handler([](int code, const char*, bool) { throw RestartTopLevel{code < 0 ? 999 : code}; });
        }
        ~Abandon() { set_error_handler(nullptr); }
    } abandon;
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        for (Kind kind : {Kind::Small, Kind::Polys}) {
            const Matrix a = random_sparse(rng, 8, kind, 2, 0.4, true);
            const Matrix keep = matrix_copy(a);
            for (DetMethod m : sparse_methods(kind)) {
                Quoly d;
                interrupt_pending = 1;
                EXPECT_EQ(unit::raised_code([&] { mat_invert(a, d, nullptr, "Det", m); }), 999);
                EXPECT_EQ(interrupt_pending, 0);
                EXPECT_TRUE(matrix_equal(a, keep));
                EXPECT_EQ(modulus, ring ? ring : -1);
                EXPECT_EQ(first_available, 1);
            }
            EXPECT_TRUE(same(det_of(a), det_of(matrix_to_dense(a), DetMethod::Bareiss)));
        }
    }
}

}  // namespace
