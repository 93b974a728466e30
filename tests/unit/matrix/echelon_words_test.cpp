// The echelon forms of residue matrices on machine words, seeded: modulo
// 2, 3, 32003, the largest prime below 2^26 (the last of the lazy 64-bit
// elimination), the largest word prime 2147483629 (Shoup's kernel) and in
// the fields of 256 and 65536 elements. The word path gives exactly the
// forms of the quoly path (each forced in turn) on tall, wide, square,
// rank-deficient, zero and 1 x 1 matrices, dense and sparse; the forms
// span the row space of A, checked by the rank of A stacked on the form
// with a plain Gaussian elimination on int64 written here; the array-store
// entry point stores what the matrix path computes. Modulo 4, 6 and 12 the
// row echelon form spans the same module (both modules enumerated). The
// rank of integer matrices by word primes agrees with fraction-free
// elimination.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "matrix/echelon.h"
#include "matrix/determinant.h"
#include "matrix/echelon_words.h"
#include "matrix/matrix.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "ring_scope.h"

using namespace tolmex;

namespace {

using Table = std::vector<std::vector<int64_t>>;

Quoly residue(int64_t v) { return make_numeric(polytest::int_number(v)); }

int64_t random_residue(std::mt19937_64& rng) { return static_cast<int64_t>(rng() % static_cast<uint64_t>(modulus)); }

// A random residue matrix, about half its entries 0 every other time; with
// deficient (and three rows or more) the last row repeats the first, so
// that the rank drops.
Matrix random_residues(std::mt19937_64& rng, int32_t rows, int32_t cols, bool sparse, bool deficient) {
    Table t(static_cast<size_t>(rows), std::vector<int64_t>(static_cast<size_t>(cols)));
    const bool zeros = rng() % 2;
    for (auto& row : t)
        for (int64_t& v : row) v = zeros && rng() % 2 ? 0 : random_residue(rng);
    if (deficient && rows >= 3) t[rows - 1] = t[0];
    Matrix m = Matrix::zero(rows, cols, false);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c)
            if (t[r][c]) m.set(r, c, residue(t[r][c]));
    if (sparse) return matrix_to_sparse(m);
    return m;
}

Table table_of(const Matrix& m) {
    Table t(static_cast<size_t>(m.rows), std::vector<int64_t>(static_cast<size_t>(m.cols), 0));
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c)
            if (const QuolyRec* q = m.at(r, c)) t[r][c] = quoly_number(q).lint();
    return t;
}

int64_t power_mod(int64_t a, int64_t e, int64_t p) {
    int64_t r = 1;
    for (a %= p; e; e >>= 1, a = static_cast<int64_t>(static_cast<__int128>(a) * a % p))
        if (e & 1) r = static_cast<int64_t>(static_cast<__int128>(r) * a % p);
    return r;
}

// The rank modulo the prime p by plain Gaussian elimination.
int32_t plain_rank(Table t, int64_t p) {
    int32_t rank = 0;
    const size_t cols = t.empty() ? 0 : t[0].size();
    for (size_t c = 0; c < cols && rank < static_cast<int32_t>(t.size()); ++c) {
        size_t piv = rank;
        while (piv < t.size() && t[piv][c] == 0) ++piv;
        if (piv == t.size()) continue;
        std::swap(t[piv], t[rank]);
        const int64_t inv = power_mod(t[rank][c], p - 2, p);
        for (size_t i = rank + 1; i < t.size(); ++i) {
            const int64_t f = static_cast<int64_t>(static_cast<__int128>(t[i][c]) * inv % p);
            for (size_t j = c; j < cols; ++j)
                t[i][j] = static_cast<int64_t>(((t[i][j] - static_cast<__int128>(f) * t[rank][j]) % p + p) % p);
        }
        ++rank;
    }
    return rank;
}

Table stacked(Table a, const Table& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Nonzero rows first, each leading strictly right of the one above; the
// leading columns, one a nonzero row.
std::vector<int32_t> echelon_leads(const Table& t) {
    std::vector<int32_t> leads;
    bool zero_seen = false;
    for (const auto& row : t) {
        int32_t c = 0;
        while (c < static_cast<int32_t>(row.size()) && row[c] == 0) ++c;
        if (c == static_cast<int32_t>(row.size())) {
            zero_seen = true;
            continue;
        }
        EXPECT_FALSE(zero_seen) << "a nonzero row under a zero row";
        if (!leads.empty()) {
            EXPECT_GT(c, leads.back());
        }
        leads.push_back(c);
    }
    return leads;
}

bool same(const Matrix& a, const Matrix& b) { return matrix_equal(matrix_to_dense(a), matrix_to_dense(b)); }

struct Shape {
    int32_t rows, cols;
    bool deficient;
};
const Shape kShapes[] = {{1, 1, false}, {1, 6, false}, {6, 1, false}, {5, 5, false}, {7, 3, false},
                         {3, 7, false}, {6, 5, true},  {8, 8, true},  {4, 4, false}};

class WordEchelonTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(WordEchelonTest, WordsGiveTheFormsOfQuolys) {
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(GetParam());
    std::mt19937_64 rng(polytest::seed() + 40 + GetParam());
    for (int round = 0; round < 4; ++round)
        for (const Shape& s : kShapes) {
            const bool sparse = rng() % 2;
            Matrix a = random_residues(rng, s.rows, s.cols, sparse, s.deficient);
            if (round == 0 && s.rows == 4) a = Matrix::zero(4, 4, sparse);
            SCOPED_TRACE(std::to_string(s.rows) + " x " + std::to_string(s.cols) + " round " + std::to_string(round));
            int32_t rw = -1, rq = -2;
            Matrix w = reduced_row_echelon(a, rw, "Redrowech", EchelonPath::Words);
            Matrix q = reduced_row_echelon(a, rq, "Redrowech", EchelonPath::Quolys);
            EXPECT_EQ(rw, rq);
            EXPECT_EQ(w.sparse, sparse);
            EXPECT_TRUE(same(w, q));
            w = row_echelon(a, rw, "Rowreduce", EchelonPath::Words);
            q = row_echelon(a, rq, "Rowreduce", EchelonPath::Quolys);
            EXPECT_EQ(rw, rq);
            EXPECT_TRUE(same(w, q));
            w = column_echelon(a, rw, "Colreduce", EchelonPath::Words);
            q = column_echelon(a, rq, "Colreduce", EchelonPath::Quolys);
            EXPECT_EQ(rw, rq);
            EXPECT_TRUE(same(w, q));
            EXPECT_EQ(matrix_rank(a, "Rank", EchelonPath::Words), matrix_rank(a, "Rank", EchelonPath::Quolys));
        }
}

TEST_P(WordEchelonTest, FormsSpanTheRowSpace) {
    if (GetParam() == 256 || GetParam() == 65536) GTEST_SKIP() << "the plain elimination here works modulo primes";
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(GetParam());
    std::mt19937_64 rng(polytest::seed() + 50 + GetParam());
    for (int round = 0; round < 3; ++round)
        for (const Shape& s : kShapes) {
            Matrix a = random_residues(rng, s.rows + 3, s.cols + 2, rng() % 2, s.deficient);
            const Table ta = table_of(a);
            const int32_t rank = plain_rank(ta, modulus);
            EXPECT_EQ(matrix_rank(a, "Rank"), rank);
            int32_t r1 = -1, r2 = -1;
            const Table red = table_of(reduced_row_echelon(a, r1, "Redrowech"));
            const Table ech = table_of(row_echelon(a, r2, "Rowreduce"));
            EXPECT_EQ(r1, rank);
            EXPECT_EQ(r2, rank);
            EXPECT_EQ(plain_rank(stacked(ta, red), modulus), rank);
            EXPECT_EQ(plain_rank(stacked(ta, ech), modulus), rank);
            EXPECT_EQ(static_cast<int32_t>(echelon_leads(ech).size()), rank);
            // Leading 1s alone in their columns.
            const std::vector<int32_t> leads = echelon_leads(red);
            ASSERT_EQ(static_cast<int32_t>(leads.size()), rank);
            for (int32_t i = 0; i < rank; ++i)
                for (int32_t k = 0; k < a.rows; ++k) EXPECT_EQ(red[k][leads[i]], k == i ? 1 : 0);
        }
}

// Array a holding m (sparse or dense), made for the test.
ArrayRec* array_holding(const char* name, const Matrix& m, bool sparse) {
    ArrayRec* a = sparse ? sparse_create(name, m.rows, m.cols, 0, true) : insertarr(name, m.rows, m.cols, 0);
    matrix_to_array(matrix_copy(m), a);
    return a;
}

TEST_P(WordEchelonTest, ArrayStoreGetsTheMatrixForms) {
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(GetParam());
    std::mt19937_64 rng(polytest::seed() + 60 + GetParam());
    for (const Shape& s : kShapes) {
        Matrix m = random_residues(rng, s.rows, s.cols, false, s.deficient);
        ArrayRec* a = array_holding("wa", m, rng() % 2);
        ArrayRec* dense = array_holding("wd", random_residues(rng, s.rows, s.cols, false, false), false);
        ArrayRec* sparse = sparse_create("ws", s.rows, s.cols, 0, true);
        int32_t rank = -1, want = -1;
        ASSERT_TRUE(array_word_echelon(a, "wd", WordForm::Reduced, false, rank, "Redrowech"));
        EXPECT_TRUE(same(matrix_from_array(dense), reduced_row_echelon(m, want, "Redrowech")));
        EXPECT_EQ(rank, want);
        ASSERT_TRUE(array_word_echelon(a, "ws", WordForm::Echelon, true, rank, "Colreduce"));
        EXPECT_TRUE(same(matrix_from_array(sparse), column_echelon(m, want, "Colreduce")));
        EXPECT_EQ(rank, want);
        ASSERT_TRUE(array_word_echelon(a, nullptr, WordForm::Echelon, false, rank, "Rank"));
        EXPECT_EQ(rank, want);
        // In place: the source becomes its own row echelon form.
        ASSERT_TRUE(array_word_echelon(a, "wa", WordForm::Echelon, false, rank, "Rowreduce"));
        EXPECT_TRUE(same(matrix_from_array(a), row_echelon(m, want, "Rowreduce")));
        remove_array_storage(sparse);
        remove_array_storage(dense);
        remove_array_storage(a);
    }
}

INSTANTIATE_TEST_SUITE_P(Moduli, WordEchelonTest, ::testing::Values(2, 3, 32003, 67108859, 2147483629, 256, 65536));

// Every combination of the rows of t with coefficients 0 .. n - 1.
std::set<std::vector<int64_t>> row_module(const Table& t, int64_t n) {
    std::set<std::vector<int64_t>> out;
    std::vector<int64_t> coef(t.size(), 0);
    while (true) {
        std::vector<int64_t> v(t[0].size(), 0);
        for (size_t i = 0; i < t.size(); ++i)
            for (size_t j = 0; j < v.size(); ++j) v[j] = (v[j] + coef[i] * t[i][j]) % n;
        out.insert(v);
        size_t k = 0;
        while (k < coef.size() && ++coef[k] == n) coef[k++] = 0;
        if (k == coef.size()) break;
    }
    return out;
}

TEST(WordEchelonComposite, RowEchelonFormSpansTheSameModule) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 70);
    for (int32_t n : {4, 6, 12}) {
        unit::RingScope ring(n);
        for (int round = 0; round < 12; ++round) {
            const int32_t rows = 1 + rng() % 3, cols = 1 + rng() % 3;
            Matrix a = random_residues(rng, rows, cols, rng() % 2, rng() % 2);
            int32_t rank = -1;
            Matrix e = row_echelon(a, rank, "Rowreduce");
            const Table te = table_of(e);
            EXPECT_EQ(static_cast<int32_t>(echelon_leads(te).size()), rank);
            EXPECT_EQ(row_module(table_of(a), n), row_module(te, n)) << "modulo " << n << " round " << round;
            Matrix f = column_echelon(a, rank, "Colreduce");
            EXPECT_EQ(row_module(table_of(matrix_transpose(a)), n), row_module(table_of(matrix_transpose(f)), n));
        }
    }
    // The largest composite word modulus (Shoup's kernel): echelon shape,
    // and the rows of a full-rank identity stay.
    unit::RingScope ring(2147483646);
    Matrix a = random_residues(rng, 6, 4, false, true);
    int32_t rank = -1;
    EXPECT_EQ(static_cast<int32_t>(echelon_leads(table_of(row_echelon(a, rank, "Rowreduce"))).size()), rank);
    Matrix id = matrix_identity(3, true);
    EXPECT_TRUE(same(row_echelon(id, rank, "Rowreduce"), id));
    EXPECT_EQ(rank, 3);
}

TEST(WordEchelonErrors, CompositeModuliAndUnsuitedEntries) {
    if (!polynames) adjoin_poly_var("x", false);
    unit::RingScope ring(12);
    Matrix a = Matrix::zero(2, 2, false);
    a.set(0, 0, residue(2));
    a.set(1, 1, residue(3));
    int32_t rank = 0;
    EXPECT_EQ(unit::raised_code([&] { (void)reduced_row_echelon(a, rank, "Redrowech"); }), 179);
    EXPECT_EQ(unit::raised_code([&] { (void)matrix_rank(a, "Rank"); }), 179);
    EXPECT_EQ(unit::raised_code([&] { (void)row_echelon(a, rank, "Rowreduce", EchelonPath::Quolys); }), 179);
    ArrayRec* arr = array_holding("we", a, false);
    EXPECT_EQ(unit::raised_code([&] { array_word_echelon(arr, "we", WordForm::Reduced, false, rank, "Redrowech"); }),
              179);
    EXPECT_EQ(unit::raised_code([&] { array_word_echelon(arr, nullptr, WordForm::Echelon, false, rank, "Rank"); }),
              179);
    ArrayRec* other = insertarr("wf", 2, 3, 0);
    EXPECT_EQ(unit::raised_code([&] { array_word_echelon(arr, "wf", WordForm::Echelon, false, rank, "Rowreduce"); }),
              242);
    // An entry never assigned, or a poly: not for the words.
    EXPECT_FALSE(array_word_echelon(other, nullptr, WordForm::Echelon, false, rank, "Rank"));
    EXPECT_EQ(unit::raised_code([&] { array_word_echelon(arr, "gone", WordForm::Echelon, false, rank, "Rowreduce"); }),
              28);
    Poly x;
    base_poly(x, 1);
    Quoly qx;
    p_q_take(std::move(x), qx);
    a.set(0, 1, std::move(qx));
    array_store_entry(arr, 0, 1, quoly_copy(a.at(0, 1)));
    EXPECT_FALSE(array_word_echelon(arr, "we", WordForm::Echelon, false, rank, "Rowreduce"));
    EXPECT_EQ(unit::raised_code([&] { (void)row_echelon(a, rank, "Rowreduce"); }), 179);
    EXPECT_EQ(unit::raised_code([&] { (void)row_echelon(a, rank, "Rowreduce", EchelonPath::Words); }), 367);
    remove_array_storage(other);
    remove_array_storage(arr);
}

}  // namespace

namespace {

// The rank of integer matrices by word primes: a matrix whose only
// nonzero 2 x 2 minor is the product of the first two primes has rank 2
// although its rank modulo each of them is 1; random matrices of large
// entries and planted dependencies agree with fraction-free elimination.
TEST(IntegerRank, PrimesPastTheBoundFindTheRank) {
    unit::RingScope ring(0);
    const std::vector<int32_t>& primes = det_primes();
    ASSERT_GE(primes.size(), 3u);
    Matrix m = Matrix::zero(3, 3, false);
    Number prod;
    fast_mult(number_from_int64(primes[0]), number_from_int64(primes[1]), prod);
    m.set(0, 0, make_numeric(std::move(prod)));
    m.set(1, 1, make_numeric(number_from_int64(1)));
    int32_t rank = -1;
    ASSERT_TRUE(integer_rank(m, rank));
    EXPECT_EQ(rank, 2);
    EXPECT_EQ(matrix_rank(m, "Rank"), 2);
}

TEST(IntegerRank, AgreesWithFractionFreeElimination) {
    POLYTEST_SEED_TRACE();
    unit::RingScope ring(0);
    std::mt19937_64 rng(polytest::seed() + 80);
    for (int round = 0; round < 20; ++round) {
        const int32_t rows = 1 + rng() % 7, cols = 1 + rng() % 7;
        Matrix m = Matrix::zero(rows, cols, false);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < cols; ++c) {
                Number x = number_from_int64(static_cast<int64_t>(rng() % 2000001) - 1000000);
                if (rng() % 2) fast_mult(x, number_from_int64(static_cast<int64_t>(rng() >> 2)), x);
                if (rng() % 4) m.set(r, c, make_numeric(std::move(x)));
            }
        // Row 0 := row 1 + row 2 (when there are three rows), so that the
        // rank drops.
        if (rows >= 3)
            for (int32_t c = 0; c < cols; ++c) {
                Quoly s;
                quoly_set(0, s);
                for (int32_t r = 1; r <= 2; ++r)
                    if (const QuolyRec* q = m.at(r, c)) best_quoly_add(s, quoly_copy(q));
                m.set(0, c, std::move(s));
            }
        int32_t rank = -1;
        ASSERT_TRUE(integer_rank(m, rank));
        EXPECT_EQ(rank, matrix_rank(m, "Rank", EchelonPath::Quolys)) << "round " << round;
    }
}

}  // namespace
