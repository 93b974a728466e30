// The modular Hermite and Smith routes against the exact extended-gcd
// route on seeded random matrices of many shapes: square, tall, wide,
// rank-deficient, small and large entries, the zero matrix, 1 x 1, a
// huge determinant, and matrices built to defeat the two-minor route. The
// forms must be identical; each is also checked here on its own: H = U A
// with det U = +-1 and H in Hermite form; S = U A V with unimodular U, V,
// diagonal, non-negative, each invariant dividing the next.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "base/errors.h"
#include "matrix/det_support.h"
#include "matrix/matrix.h"
#include "matrix/nf_checks.h"
#include "matrix/normal_forms.h"
#include "numbers/mul_div.h"
#include "poly/poly_support.h"
#include "raised.h"

using namespace tolmex;
using dettest::det_of;

namespace {

using Method = NormalFormMethod;
using nfcheck::expect_hermite_shape;
using nfcheck::expect_smith_shape;
using nfcheck::is_unit;
using nfcheck::value;

// A random entry of about `bits` bits (at most 62), either sign.
Number random_entry(std::mt19937_64& rng, int bits) {
    const int64_t bound = bits >= 62 ? (int64_t{1} << 62) : (int64_t{1} << bits);
    return number_from_int64(static_cast<int64_t>(rng() % static_cast<uint64_t>(2 * bound + 1)) - bound);
}

Matrix random_matrix(std::mt19937_64& rng, int32_t rows, int32_t cols, int bits, int zero_share) {
    Matrix m = Matrix::zero(rows, cols, false);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c)
            if (static_cast<int>(rng() % 4) >= zero_share) m.set(r, c, make_numeric(random_entry(rng, bits)));
    return m;
}

// A rows x cols matrix of rank at most k: a product of random factors.
Matrix low_rank(std::mt19937_64& rng, int32_t rows, int32_t cols, int32_t k) {
    return matrix_mult(random_matrix(rng, rows, k, 3, 0), random_matrix(rng, k, cols, 3, 0));
}

// Rows 0 and 1 agree but for the last column, so that every (n-1)-minor on
// the first n - 1 columns through both rows vanishes.
Matrix two_minors_vanish(std::mt19937_64& rng, int32_t n) {
    Matrix m = random_matrix(rng, n, n, 5, 0);
    for (int32_t c = 0; c + 1 < n; ++c) m.set(1, c, make_numeric(value(m, 0, c)));
    return m;
}

// Entries of 60 bits: a determinant of several hundred bits and residues
// beyond machine words.
Matrix huge_det(std::mt19937_64& rng, int32_t n) { return random_matrix(rng, n, n, 60, 0); }

struct Case {
    std::string what;
    Matrix a;
};

std::vector<Case> cases(std::mt19937_64& rng) {
    std::vector<Case> out;
    out.push_back({"zero 3x4", Matrix::zero(3, 4, false)});
    out.push_back({"1x1", random_matrix(rng, 1, 1, 7, 0)});
    for (int round = 0; round < 12; ++round) {
        const int32_t n = 1 + static_cast<int32_t>(rng() % 7);
        const int32_t m = 1 + static_cast<int32_t>(rng() % 7);
        const int zero_share = static_cast<int>(rng() % 3);
        out.push_back({"square " + std::to_string(n), random_matrix(rng, n, n, round % 2 ? 7 : 4, zero_share)});
        out.push_back({"tall", random_matrix(rng, n + m, n, 6, zero_share)});
        out.push_back({"wide", random_matrix(rng, n, n + m, 6, zero_share)});
        out.push_back({"rank-deficient", low_rank(rng, n + 1, m + 1, 1 + static_cast<int32_t>(rng() % 3))});
        out.push_back({"large entries", random_matrix(rng, n, m, 40, zero_share)});
    }
    out.push_back({"huge det", huge_det(rng, 6)});
    // Entries of about 125 bits: beyond the machine words of the two-minor
    // route, so that the plain route serves it.
    out.push_back({"huge entries", matrix_mult(huge_det(rng, 5), huge_det(rng, 5))});
    out.push_back({"two minors vanish", two_minors_vanish(rng, 5)});
    out.push_back({"dense 12x12", random_matrix(rng, 12, 12, 7, 0)});
    out.push_back({"tall 14x9", random_matrix(rng, 14, 9, 7, 0)});
    out.push_back({"scaled 6x6", matrix_mult(random_matrix(rng, 6, 6, 3, 0), low_rank(rng, 6, 6, 6))});
    return out;
}

TEST(NormalFormsModular, HermiteRoutesAgreeAndSatisfyTheProperties) {
    POLYTEST_SEED_TRACE();
    std::printf("normal forms seed %llu\n", static_cast<unsigned long long>(polytest::seed()));
    std::mt19937_64 rng(polytest::seed() + 71);
    polytest::Ring scope(0);
    for (Case& k : cases(rng)) {
        SCOPED_TRACE(k.what);
        Matrix exact, modular, plain, h, u;
        const int32_t rank = hermite_form(k.a, exact, nullptr, "Hermite", Method::Exact);
        EXPECT_EQ(hermite_form(k.a, modular, nullptr, "Hermite", Method::Modular), rank);
        EXPECT_EQ(hermite_form(k.a, plain, nullptr, "Hermite", Method::ModularPlain), rank);
        EXPECT_TRUE(matrix_equal(exact, modular));
        EXPECT_TRUE(matrix_equal(exact, plain));
        EXPECT_EQ(hermite_form(k.a, h, &u, "Hermite"), rank);
        EXPECT_TRUE(matrix_equal(h, exact));
        EXPECT_TRUE(matrix_equal(matrix_mult(u, k.a), h));
        EXPECT_TRUE(is_unit(u));
        expect_hermite_shape(h, rank);
    }
}

TEST(NormalFormsModular, SmithRoutesAgreeAndSatisfyTheProperties) {
    POLYTEST_SEED_TRACE();
    std::printf("normal forms seed %llu\n", static_cast<unsigned long long>(polytest::seed()));
    std::mt19937_64 rng(polytest::seed() + 72);
    polytest::Ring scope(0);
    for (Case& k : cases(rng)) {
        SCOPED_TRACE(k.what);
        Matrix exact, modular, plain, s, u, v;
        const int32_t rank = smith_form(k.a, exact, nullptr, nullptr, "Smith", Method::Exact);
        EXPECT_EQ(smith_form(k.a, modular, nullptr, nullptr, "Smith", Method::Modular), rank);
        EXPECT_EQ(smith_form(k.a, plain, nullptr, nullptr, "Smith", Method::ModularPlain), rank);
        EXPECT_TRUE(matrix_equal(exact, modular));
        EXPECT_TRUE(matrix_equal(exact, plain));
        EXPECT_EQ(smith_form(k.a, s, &u, &v, "MSmith"), rank);
        EXPECT_TRUE(matrix_equal(s, modular));
        EXPECT_TRUE(matrix_equal(matrix_mult(matrix_mult(u, k.a), v), s));
        EXPECT_TRUE(is_unit(u));
        EXPECT_TRUE(is_unit(v));
        expect_smith_shape(s, rank);
    }
}

// diag(6, 10, 15) has no pivot 1 to split off: the invariants gather
// factors from several entries.
TEST(NormalFormsModular, SmithGathersInvariantsAcrossEntries) {
    polytest::Ring scope(0);
    Matrix a = Matrix::zero(3, 3, false);
    const int64_t d[3] = {6, 10, 15};
    for (int32_t i = 0; i < 3; ++i) a.set(i, i, make_numeric(number_from_int64(d[i])));
    Matrix s;
    EXPECT_EQ(smith_form(a, s, nullptr, nullptr, "Smith", Method::Modular), 3);
    const int64_t want[3] = {1, 30, 30};  // the gcds of the 1-, 2- and 3-minors: 1, 30, 900
    for (int32_t i = 0; i < 3; ++i) EXPECT_TRUE(equal(value(s, i, i), number_from_int64(want[i]))) << i;
}

// An interrupt abandons every route at its first poll: the operand is
// as before and the next run gives the form it gave before.
TEST(NormalFormsModular, InterruptLeavesTheOperandIntact) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 73);
    polytest::Ring scope(0);
    struct Abandon {
        Abandon() {
            set_error_handler([](int code, const char*, bool) { throw RestartTopLevel{code < 0 ? 999 : code}; });
        }
        ~Abandon() { set_error_handler(nullptr); }
    } abandon;
    const Matrix a = random_matrix(rng, 7, 7, 7, 0);
    const Matrix keep = matrix_copy(a);
    for (Method method : {Method::Auto, Method::Exact, Method::Modular, Method::ModularPlain})
        for (int form = 0; form < 3; ++form) {
            Matrix before, after, u, v;
            auto run = [&](Matrix& out) {
                if (form == 0) return hermite_form(a, out, nullptr, "Hermite", method);
                if (form == 1) return hermite_form(a, out, &u, "Hermite", method);
                return smith_form(a, out, nullptr, nullptr, "Smith", method);
            };
            run(before);
            interrupt_pending = 1;
            EXPECT_EQ(unit::raised_code([&] { run(after); }), 999) << "form " << form;
            EXPECT_EQ(interrupt_pending, 0);
            EXPECT_TRUE(matrix_equal(a, keep));
            run(after);
            EXPECT_TRUE(matrix_equal(before, after)) << "form " << form;
        }
}

}  // namespace
