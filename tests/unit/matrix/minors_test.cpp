// Expansion by minors with the minor stash: the hash and the sizes of the
// table; entries stored, found, purged and moved when the table grows;
// seeded random matrices (integers, polys in one to three variables,
// rationals, rational functions; over Q, modulo 2, 12 and 65521 and in the
// field of 256 elements; dense and sparse) whose forced Minors determinant
// agrees with the permutation expansion and with Gauss-Bareiss or the
// residue elimination; Gaussian elimination finished by minors; memory
// pressure and exhaustion; interrupts that abandon or resume the expansion.
#include <gtest/gtest.h>

#include "matrix/det_support.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

#include "matrix/det_settings.h"
#include "matrix/determinant.h"
#include "matrix/matrix.h"
#include "matrix/minor_stash.h"
#include "matrix/minors_det.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "numbers/support.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "storage/accounting.h"
#include "storage/work_arrays.h"

using namespace tolmex;
using dettest::entries;
using dettest::det_of;

namespace {

enum class Kind { Integers, Polys1, Polys2, Polys3, Rationals, RatFunctions };

int vars_of(Kind k) { return k == Kind::Polys2 || k == Kind::RatFunctions ? 2 : k == Kind::Polys3 ? 3 : 1; }

Quoly poly_value(std::mt19937_64& rng, int nvars) {
    polytest::Shape s;
    s.nvars = nvars;
    s.terms = 1 + static_cast<int>(rng() % 3);
    s.max_deg = 2;
    Quoly q;
    p_q_take(polytest::random_poly(rng, s), q);
    polynum_to_quoly(q);
    return q;
}

Quoly random_value(std::mt19937_64& rng, Kind kind) {
    if (rng() % 4 == 0) return make_numeric(polytest::int_number(0));
    const int64_t small = static_cast<int64_t>(rng() % 41) - 20;
    switch (kind) {
        case Kind::Integers: return make_numeric(polytest::int_number(small));
        case Kind::Rationals: {
            Quoly q;
            quot_numbers(number_from_int64(small), number_from_int64(1 + rng() % 9), q);
            return q;
        }
        case Kind::RatFunctions: {
            // Denominators x1 + c for a few c keep the common denominators
            // (and their GCDs) small.
            Quoly den;
            p_q_take(polytest::sum(polytest::var_poly(1).get(), polytest::int_poly(static_cast<int64_t>(rng() % 3)).get()), den);
            Quoly q;
            quoly_quot(poly_value(rng, vars_of(kind)).get(), den.get(), q);
            return q;
        }
        default: return poly_value(rng, vars_of(kind));
    }
}

Matrix random_square(std::mt19937_64& rng, int32_t n, Kind kind) {
    Matrix m = Matrix::zero(n, n, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) m.set(r, c, random_value(rng, kind));
    return m;
}

Quoly zero_quoly() {
    Quoly z;
    quoly_set(0, z);
    return z;
}

// The determinant as the signed sum over all permutations: an oracle
// that shares no code with the expansions.
Quoly leibniz(const Matrix& m) {
    const int32_t n = m.rows;
    std::vector<int32_t> p(static_cast<size_t>(n));
    std::iota(p.begin(), p.end(), 0);
    Quoly sum = zero_quoly();
    do {
        int inversions = 0;
        for (int32_t i = 0; i < n; ++i)
            for (int32_t j = i + 1; j < n; ++j) inversions += p[i] > p[j];
        Quoly t;
        quoly_set(1, t);
        for (int32_t i = 0; i < n && !quoly_iszero(t.get()); ++i) {
            const QuolyRec* a = m.at(i, p[i]);
            if (!a) {
                t = zero_quoly();
                break;
            }
            fast_quoly_mult(t, quoly_copy(a));
        }
        if (inversions % 2)
            best_quoly_sub(sum, std::move(t));
        else
            best_quoly_add(sum, std::move(t));
    } while (std::next_permutation(p.begin(), p.end()));
    return sum;
}

std::string text(const QuolyRec* q) {
    if (quoly_is_number(q)) return lintmode ? std::to_string(quoly_number(q).lint()) : "(a number)";
    return quoly_is_poly(q) ? polytest::plain_form(quoly_numerator(q)) : "(a quotient)";
}

#define EXPECT_SAME(a, b, what) \
    EXPECT_TRUE(quoly_equal((a).get(), (b).get())) << (what) << ": " << text((a).get()) << " vs " << text((b).get())

// The residues of a numeric matrix in lint mode, row by row.
std::vector<int32_t> residues(const Matrix& m) {
    std::vector<int32_t> a(static_cast<size_t>(m.rows) * m.rows, 0);
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.rows; ++c)
            if (const QuolyRec* q = m.at(r, c)) a[static_cast<size_t>(r) * m.rows + c] = quoly_number(q).lint();
    return a;
}

bool fits(Kind kind, int32_t ring) {
    if (kind == Kind::Rationals) return ring == 0;
    if (ring == 12) return kind == Kind::Integers || kind == Kind::Polys1;
    return true;
}

// Restores a global when the test ends.
template <class T>
class Keep {
public:
    explicit Keep(T& v) : v_(v), saved_(v) {}
    ~Keep() { v_ = saved_; }
    Keep(const Keep&) = delete;
    Keep& operator=(const Keep&) = delete;

private:
    T& v_;
    T saved_;
};

// The memory budget set so that `avail` bytes are available now.
void set_available(uint64_t avail) {
    totalavailablememory = UINT64_MAX / 2;
    const uint64_t used = totalavailablememory - memavail();
    totalavailablememory = used + avail;
}

class MinorsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { polytest::use_vars(3); }
};

TEST_F(MinorsTest, HashAndTableSizes) {
    MinorKey k{{1, 2}, {3, 5}};
    // 40093 mod 641 = 351; 351 + 3 40099 = 120648; (120648 + 2 40093) mod 641
    // = 201; 201 + 5 40099 = 200696; 200696 mod 641 = 63: chain 64.
    EXPECT_EQ(minorshash(k, 641), 64);
    EXPECT_EQ(minorshash(MinorKey{{1}, {1}}, 641), 68);  // (351 + 40099) mod 641 = 67
    EXPECT_EQ(minorshash(MinorKey{{}, {}}, 641), 1);
    const std::pair<int32_t, int32_t> sizes[] = {{1, 641},     {30, 641},     {31, 1277},   {44, 1277},
                                                 {45, 2473},   {79, 2473},    {80, 4967},   {109, 4967},
                                                 {110, 9901},  {189, 9901},   {190, 20011}, {299, 20011},
                                                 {300, 40087}, {5000, 40087}};
    for (auto [n, p] : sizes) EXPECT_EQ(minorsize(n), p) << n;
    EXPECT_EQ(next_minor_prime(641), 1277);
    EXPECT_EQ(next_minor_prime(20011), 40087);
    EXPECT_EQ(next_minor_prime(40087), 40087);
}

// Every key of `deleted` rows and columns of an n-row matrix, rows
// 1 .. deleted, columns the combinations in order, until `count` keys.
std::vector<MinorKey> keys(int32_t n, int32_t deleted, size_t count) {
    std::vector<MinorKey> out;
    std::vector<char> pick(static_cast<size_t>(n), 0);
    std::fill(pick.begin(), pick.begin() + deleted, 1);
    do {
        MinorKey k;
        for (int32_t i = 0; i < n; ++i)
            if (pick[i]) k.cols.push_back(i + 1);
        for (int32_t i = 1; i <= deleted; ++i) k.rows.push_back(i);
        out.push_back(std::move(k));
    } while (out.size() < count && std::prev_permutation(pick.begin(), pick.end()));
    return out;
}

TEST_F(MinorsTest, StashStoresFindsPurgesAndGrows) {
    polytest::Ring scope(0);
    const uint64_t heap_before = heap_array_bytes;
    {
        MinorStash s(16);
        EXPECT_EQ(s.prime(), 641);
        EXPECT_FALSE(s.wanted(2));
        EXPECT_TRUE(s.wanted(3));
        EXPECT_TRUE(s.wanted(14));
        EXPECT_FALSE(s.wanted(15));
        // 2570 minors of 5 rows (11 deleted) pass four a chain: the table
        // grows once, to 1277 chains, and every entry is still found.
        const std::vector<MinorKey> big = keys(16, 11, 2570);
        ASSERT_EQ(big.size(), 2570u);
        testing::internal::CaptureStdout();
        for (size_t i = 0; i < big.size(); ++i) s.stash_minor(big[i], 5, static_cast<int32_t>(i));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Minor stash has grown large; will reconfigure.\n");
        EXPECT_EQ(s.prime(), 1277);
        EXPECT_EQ(s.minor_total(), 2570);
        EXPECT_EQ(s.count_minor_stash(), 2570);
        for (size_t i = 0; i < big.size(); i += 37) {
            int32_t v = -1;
            EXPECT_TRUE(s.int_minor_is_there(big[i], v));
            EXPECT_EQ(v, static_cast<int32_t>(i));
        }
        // Quoly values of minors of 3 rows; a key stored twice stays once.
        const std::vector<MinorKey> small = keys(16, 13, 5);
        for (size_t i = 0; i < small.size(); ++i) {
            Quoly q;
            quoly_set(static_cast<int32_t>(100 + i), q);
            s.stash_minor(small[i], 3, std::move(q));
        }
        s.stash_minor(small[0], 3, zero_quoly());
        EXPECT_EQ(s.count_minor_stash(), 2575);
        const QuolyRec* q = s.minor_is_there(small[2]);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(quoly_convert_to_int(q), 102);
        EXPECT_EQ(s.minor_is_there(keys(16, 12, 1)[0]), nullptr);
        EXPECT_GT(heap_array_bytes, heap_before);
        // Purging drops the smallest stashed size (3 rows) only.
        testing::internal::CaptureStdout();
        EXPECT_TRUE(s.try_purge_minors());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.rfind("Running low on memory; purging minor stash. ", 0), 0u) << out;
        EXPECT_EQ(s.min_stash_row(), 4);
        EXPECT_EQ(s.count_minor_stash(), 2570);
        EXPECT_EQ(s.minor_is_there(small[2]), nullptr);
        s.free_minor_stash();
        EXPECT_EQ(s.count_minor_stash(), 0);
        EXPECT_EQ(s.minor_total(), 0);
    }
    EXPECT_EQ(heap_array_bytes, heap_before);
}

// Rings and kinds: forced Minors (dense and sparse, quoly and residue
// forms) against the permutation expansion for up to 6 rows and against
// Gauss-Bareiss (or, modulo 12, the residue elimination) beyond.
TEST_F(MinorsTest, AgreesWithOtherMethods) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 40);
    for (int32_t ring : {0, 2, 12, 256, 65521})
        for (Kind kind : {Kind::Integers, Kind::Polys1, Kind::Polys2, Kind::Polys3, Kind::Rationals,
                          Kind::RatFunctions}) {
            if (!fits(kind, ring)) continue;
            polytest::Ring scope(ring);
            const bool numbers = kind == Kind::Integers;
            for (int round = 0; round < 4; ++round) {
                const int32_t n = 1 + rng() % (numbers ? 9 : kind == Kind::Polys1 ? 7 : kind == Kind::RatFunctions ? 4 : 5);
                SCOPED_TRACE("ring " + std::to_string(ring) + " kind " + std::to_string(int(kind)) + " n " +
                             std::to_string(n));
                const Matrix a = random_square(rng, n, kind);
                const Matrix keep = matrix_copy(a);
                const Quoly d = det_of(a, DetMethod::Minors);
                if (n <= 6 || ring == 12) {
                    EXPECT_SAME(d, leibniz(a), "permutations");
                }
                if (numbers && lintmode) {
                    EXPECT_SAME(d, det_of(a, DetMethod::ModElim), "residue elimination");
                }
                if (ring != 12) {
                    EXPECT_SAME(d, det_of(a, DetMethod::Bareiss), "Gauss-Bareiss");
                }
                EXPECT_SAME(d, det_of(matrix_to_sparse(a), DetMethod::Minors), "sparse form");
                Quoly q;
                do_minors_det(entries(a), n, q);
                EXPECT_SAME(d, q, "quoly expansion of numbers");
                if (numbers && lintmode) {
                    EXPECT_EQ(int_do_minors_det(residues(a), n), quoly_number(d.get()).lint());
                    EXPECT_EQ(int_sparse_minors_det(matrix_to_sparse(a)), quoly_number(d.get()).lint());
                }
                EXPECT_TRUE(matrix_equal(a, keep));
                EXPECT_EQ(modulus, ring ? ring : -1);
            }
        }
}

// Sparse matrices of 10 to 14 rows with a few entries a row: the
// expansion along the shortest lines against Gauss-Bareiss.
TEST_F(MinorsTest, SparseMatrices) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 41);
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        for (int round = 0; round < 4; ++round) {
            const int32_t n = 10 + rng() % 5;
            Matrix a = Matrix::zero(n, n, true);
            for (int32_t r = 0; r < n; ++r) {
                a.set(r, r, random_value(rng, Kind::Polys1));
                for (int k = 0; k < 2; ++k)
                    a.set(r, static_cast<int32_t>(rng() % n), random_value(rng, round % 2 ? Kind::Integers : Kind::Polys2));
            }
            EXPECT_SAME(det_of(a, DetMethod::Minors), det_of(matrix_to_dense(a), DetMethod::Bareiss), "sparse");
        }
    }
}

Matrix integers(std::initializer_list<int64_t> v, int32_t n, bool sparse = false) {
    Matrix r = Matrix::zero(n, n, sparse);
    int k = 0;
    for (int64_t x : v) {
        r.set(k / n, k % n, make_numeric(polytest::int_number(x)));
        ++k;
    }
    return r;
}

TEST_F(MinorsTest, HandCheckedAndSingular) {
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        // 2(3 2 - 2 1) - 0 + 1(1 1 - 3 1) = 8 - 2 = 6.
        EXPECT_EQ(quoly_convert_to_int(det_of(integers({2, 0, 1, 1, 3, 2, 1, 1, 2}, 3), DetMethod::Minors).get()), 6);
        EXPECT_EQ(quoly_convert_to_int(det_of(integers({7}, 1), DetMethod::Minors).get()), 7);
        // Two equal rows, a zero row, a zero column (sparse), rows 1 and 2
        // summing to row 3: all singular.
        const Matrix singular[] = {
            integers({1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 1, 2, 3, 4, 5, 9, 9, 9, 9, 9, 1, 0, 0, 1, 2}, 5),
            integers({1, 2, 3, 0, 0, 0, 7, 8, 9}, 3),
            integers({0, 2, 3, 4, 0, 5, 6, 7, 0, 8, 9, 1, 0, 2, 3, 4}, 4, true),
            integers({1, 2, 3, 4, 5, 5, 6, 7, 8, 9, 6, 8, 10, 12, 14, 3, 1, 4, 1, 5, 9, 2, 6, 5, 3}, 5),
        };
        for (const Matrix& m : singular) {
            EXPECT_TRUE(quoly_iszero(det_of(m, DetMethod::Minors).get()));
            if (lintmode) {
                EXPECT_EQ(int_sparse_minors_det(m), 0);
            }
        }
    }
    polytest::Ring scope(0);
    Matrix wide = Matrix::zero(2, 3, false);
    Quoly d;
    EXPECT_EQ(unit::raised_code([&] { mat_invert(wide, d, nullptr, "Minors", DetMethod::Minors); }), 313);
    EXPECT_EQ(unit::raised_code([&] { sparse_minors_det(wide, d); }), 313);
}

TEST_F(MinorsTest, EliminationFinishedByMinors) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 42);
    Keep<int32_t> keep(detcutoff);
    detcutoff = 100;
    EXPECT_EQ(elimination_depth(200, false), 40);
    detcutoff = 10;
    EXPECT_EQ(elimination_depth(10, false), 10);
    detcutoff = -1;
    polytest::Ring scope(0);
    for (Kind kind : {Kind::Integers, Kind::Polys1, Kind::RatFunctions}) {
        const int32_t n = kind == Kind::Integers ? 9 : 6;
        const Matrix a = random_square(rng, n, kind);
        const Quoly want = det_of(a, DetMethod::Bareiss);
        for (int32_t c : {2, 3, 4, 5, n}) {
            Quoly d;
            standard_matrix_invert(entries(a), n, c, d);
            EXPECT_SAME(d, want, "finish of " + std::to_string(c) + " rows");
        }
    }
    // detcutoff 10 on a 10 x 10 matrix: no elimination, all by minors.
    detcutoff = 10;
    const Matrix b = random_square(rng, 10, Kind::Integers);
    EXPECT_SAME(det_of(b, DetMethod::Elimination), det_of(b, DetMethod::Bareiss), "detcutoff 10");
    EXPECT_GT(last_minor_stats().hits, 0);
}

// Verbose output names the row expanded along at the two outermost
// levels: row 1 of a 5 x 5 matrix without zeros, then row 2 of each of
// its five minors (of 4 rows, not stashed: only 3 rows are).
TEST_F(MinorsTest, VerboseNamesTheRows) {
    polytest::Ring scope(0);
    Keep<int> talk(verbose);
    verbose = 1;
    Matrix a = Matrix::zero(5, 5, false);
    for (int32_t r = 0; r < 5; ++r)
        for (int32_t c = 0; c < 5; ++c) a.set(r, c, make_numeric(polytest::int_number(r == c ? 2 : 1)));
    testing::internal::CaptureStdout();
    Quoly d;
    sparse_minors_det(a, d);
    std::string want = "using row 1.\n";
    for (int k = 0; k < 5; ++k) want += "using row 2.\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), want);
    EXPECT_EQ(quoly_convert_to_int(d.get()), 6);  // 1^4 (1 + 5)
}

TEST_F(MinorsTest, SparseBranch) {
    polytest::Ring scope(0);
    Keep<int32_t> keep(detcutoff);
    const Matrix m3 = integers({2, 0, 1, 1, 3, 2, 1, 1, 2}, 3, true);
    const Matrix m4 = integers({1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4}, 4, true);
    Quoly d;
    detcutoff = -1;
    EXPECT_TRUE(sparse_minors_branch(m3, d));
    EXPECT_EQ(quoly_convert_to_int(d.get()), 6);
    EXPECT_FALSE(sparse_minors_branch(m4, d));
    EXPECT_FALSE(sparse_minors_branch(integers({5}, 1, true), d));
    EXPECT_EQ(quoly_convert_to_int(d.get()), 6);  // left alone
    detcutoff = 4;
    EXPECT_TRUE(sparse_minors_branch(m4, d));
    EXPECT_EQ(quoly_convert_to_int(d.get()), 24);
}

// A 12 x 12 matrix has 4004 minors of 3 to 10 rows along its first rows:
// more than four a chain of 641, not of 1277.
TEST_F(MinorsTest, ExpansionReconfiguresTheStash) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 43);
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        Matrix a = Matrix::zero(12, 12, false);
        for (int32_t r = 0; r < 12; ++r)
            for (int32_t c = 0; c < 12; ++c)
                a.set(r, c, make_numeric(polytest::int_number(1 + static_cast<int64_t>(rng() % 50))));
        testing::internal::CaptureStdout();
        const Quoly d = det_of(a, DetMethod::Minors);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Minor stash has grown large; will reconfigure.\n");
        EXPECT_EQ(last_minor_stats().prime, 1277);
        EXPECT_EQ(last_minor_stats().nodes, 4004);
        EXPECT_SAME(d, det_of(a, DetMethod::Bareiss), "after reconfiguring");
    }
}

Matrix residue_matrix(std::mt19937_64& rng, int32_t n) {
    Matrix a = Matrix::zero(n, n, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c)
            a.set(r, c, make_numeric(polytest::int_number(1 + static_cast<int64_t>(rng() % 65000))));
    return a;
}

size_t count_of(const std::string& s, const std::string& what) {
    size_t k = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++k;
    return k;
}

TEST_F(MinorsTest, MemoryPressurePurgesAndExhaustionFails) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 44);
    polytest::Ring scope(65521);
    Keep<uint64_t> budget(totalavailablememory);
    Keep<int> talk(verbose);
    const uint64_t heap_before = heap_array_bytes;
    const Matrix a = residue_matrix(rng, 12);
    int32_t want = 0;
    {
        std::vector<int32_t> r = residues(a);
        want = mod_determ(r, 12);
    }
    // About 200 kB free: the 4004 entries do not fit beside the reserve.
    set_available(200000);
    verbose = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(int_sparse_minors_det(a), want);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_GE(count_of(out, "Running low on memory; purging minor stash. "), 1u) << out;
    EXPECT_GE(count_of(out, " prime, total branches, leaf count, stash nodes, hits: "), 1u) << out;
    EXPECT_EQ(heap_array_bytes, heap_before);
    // No memory at all: the stash is given up size by size, then the method
    // fails with error 375.
    verbose = 0;
    set_available(0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(unit::raised_code([&] { int_sparse_minors_det(a); }), 375);
    const std::string none = testing::internal::GetCapturedStdout();
    EXPECT_NE(none.find("*** Out of memory. Minors method fails.\n"), std::string::npos) << none;
    EXPECT_EQ(count_of(none, "Running low on memory"), 8u);  // sizes 3 to 10
    EXPECT_EQ(heap_array_bytes, heap_before);
}

// The handler of the nested command level an interrupt opens: the first
// `resume` polls resume the computation (and the key is pressed again),
// the next one abandons it, as "&@" at that level would.
struct InterruptAfter {
    static inline int left = 0;
    explicit InterruptAfter(int resume, bool abandon) {
        left = resume;
        interrupt_pending = 1;
        set_error_handler(abandon ? handler_abandon : handler_resume);
    }
    ~InterruptAfter() {
        set_error_handler(nullptr);
        interrupt_pending = 0;
    }
    static void handler_abandon(int code, const char*, bool) {
        if (code < 0 && left-- > 0) {
            interrupt_pending = 1;
            return;
        }
        throw RestartTopLevel{code < 0 ? 999 : code};
    }
    static void handler_resume(int code, const char*, bool) {
        if (code >= 0) throw RestartTopLevel{code};
        if (left-- > 0) interrupt_pending = 1;
    }
};

TEST_F(MinorsTest, InterruptsAbandonOrResume) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 45);
    for (int32_t ring : {0, 65521}) {
        polytest::Ring scope(ring);
        const uint64_t heap_before = heap_array_bytes;
        const Matrix a = random_square(rng, 10, Kind::Integers);
        const Matrix keep = matrix_copy(a);
        Quoly d;
        quoly_set(5, d);
        {
            InterruptAfter stop(2000, true);
            testing::internal::CaptureStdout();  // the stash may reconfigure
            EXPECT_EQ(unit::raised_code([&] { mat_invert(a, d, nullptr, "Minors", DetMethod::Minors); }), 999);
            testing::internal::GetCapturedStdout();
        }
        // The stash held minors when the expansion was abandoned, and gave
        // them all back.
        EXPECT_GT(last_minor_stats().nodes, 0);
        EXPECT_EQ(heap_array_bytes, heap_before);
        EXPECT_EQ(first_available, 1);
        EXPECT_EQ(quoly_convert_to_int(d.get()), 5);
        EXPECT_TRUE(matrix_equal(a, keep));
        const Quoly want = det_of(a, DetMethod::Bareiss);
        testing::internal::CaptureStdout();
        EXPECT_SAME(det_of(a, DetMethod::Minors), want, "after the interrupt");
        {
            InterruptAfter pause(50, false);
            EXPECT_SAME(det_of(a, DetMethod::Minors), want, "resumed");
        }
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(heap_array_bytes, heap_before);
    }
}

}  // namespace
