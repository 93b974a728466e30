// The array store and the matrix arithmetic: seeded random matrices of
// integers, rationals and polys in one variable. Sparse and dense forms
// agree on sums, products and transposes; the fast products agree with the
// plain one; powers add their exponents; (AB)^T = B^T A^T; deleting arrays
// keeps every other array's entries (random declare / assign / delete runs
// checked against a model).
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "matrix/array_store.h"
#include "matrix/matrix.h"
#include "numbers/decimal.h"
#include "numbers/support.h"
#include "poly/poly_arith.h"
#include "poly/polyvars.h"
#include "poly/poly_support.h"
#include "quoly/quoly_arith.h"
#include "raised.h"

using namespace tolmex;

namespace {

enum class Kind { Integers, Rationals, Polys };

Quoly random_value(std::mt19937_64& rng, Kind kind) {
    auto small = [&](int64_t b) { return static_cast<int64_t>(rng() % (2 * b + 1)) - b; };
    if (rng() % 4 == 0) {
        Quoly z;
        quoly_set(0, z);
        return z;
    }
    if (kind == Kind::Integers) return make_numeric(number_from_int64(small(99)));
    if (kind == Kind::Rationals) {
        Quoly q;
        quot_numbers(number_from_int64(small(20)), number_from_int64(1 + rng() % 9), q);
        return q;
    }
    Poly p;
    poly_set(0, p);
    for (int e = 0; e <= 3; ++e) {
        Poly t;
        variable_power(t, 1, e);
        Poly c;
        scalar_by_poly(number_from_int64(small(9)), t.get(), c);
        best_poly_add(std::move(p), std::move(c), p);
    }
    Quoly q;
    p_q_take(std::move(p), q);
    polynum_to_quoly(q);
    return q;
}

Matrix random_matrix(std::mt19937_64& rng, int32_t rows, int32_t cols, Kind kind, bool sparse) {
    Matrix m = Matrix::zero(rows, cols, sparse);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) m.set(r, c, random_value(rng, kind));
    return m;
}

class MatrixTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!polynames) adjoin_poly_var("x", false);
    }
};

TEST_F(MatrixTest, SparseAndDenseFormsAgree) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed());
    for (Kind kind : {Kind::Integers, Kind::Rationals, Kind::Polys})
        for (int round = 0; round < 6; ++round) {
            const int32_t n = 1 + rng() % 6, k = 1 + rng() % 6, m = 1 + rng() % 6;
            Matrix a = random_matrix(rng, n, k, kind, false), b = random_matrix(rng, k, m, kind, false);
            Matrix c = random_matrix(rng, n, k, kind, false);
            Matrix sa = matrix_to_sparse(a), sb = matrix_to_sparse(b), sc = matrix_to_sparse(c);
            EXPECT_TRUE(matrix_equal(matrix_mult(a, b), matrix_mult(sa, sb)));
            EXPECT_TRUE(matrix_equal(matrix_mult(a, b), matrix_mult_plain(a, b)));
            EXPECT_TRUE(matrix_equal(matrix_add(a, c, false), matrix_add(sa, sc, false)));
            EXPECT_TRUE(matrix_equal(matrix_add(a, c, true), matrix_add(sa, sc, true)));
            EXPECT_TRUE(matrix_equal(matrix_transpose(a), matrix_transpose(sa)));
            EXPECT_TRUE(matrix_is_zero(matrix_add(sa, sa, true)));
            EXPECT_EQ(matrix_mult(sa, sb).count_nonzero(), matrix_mult(a, b).count_nonzero());
        }
}

TEST_F(MatrixTest, PowersAndTransposedProducts) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 1);
    for (Kind kind : {Kind::Integers, Kind::Rationals, Kind::Polys})
        for (int round = 0; round < 4; ++round) {
            const int32_t n = 1 + rng() % 4;
            const bool sparse = rng() % 2;
            Matrix a = random_matrix(rng, n, n, kind, sparse);
            const int64_t p = rng() % 4, q = rng() % 4;
            EXPECT_TRUE(matrix_equal(matrix_power(a, p + q, false),
                                     matrix_mult(matrix_power(a, p, false), matrix_power(a, q, true))));
            Matrix b = random_matrix(rng, n, 1 + rng() % 4, kind, !sparse);
            EXPECT_TRUE(matrix_equal(matrix_transpose(matrix_mult(a, b)),
                                     matrix_mult(matrix_transpose(b), matrix_transpose(a))));
        }
}

TEST_F(MatrixTest, HandComputedProducts) {
    auto m = [](std::initializer_list<int64_t> v, int32_t rows, int32_t cols) {
        Matrix r = Matrix::zero(rows, cols, false);
        int k = 0;
        for (int64_t x : v) {
            r.set(k / cols, k % cols, make_numeric(number_from_int64(x)));
            ++k;
        }
        return r;
    };
    Matrix a = m({1, 2, 3, 4}, 2, 2);
    EXPECT_TRUE(matrix_equal(matrix_mult(a, m({5, 7, 6, 8}, 2, 2)), m({17, 23, 39, 53}, 2, 2)));
    EXPECT_TRUE(matrix_equal(matrix_power(a, 3, false), m({37, 54, 81, 118}, 2, 2)));
    // Entries near 2^31: the sums pass 64 bits.
    Matrix big = m({2147483647, 2147483647, 2147483647, 2147483647}, 2, 2);
    Matrix sq = matrix_mult(big, big);
    EXPECT_EQ(number_to_decimal(quoly_number(sq.at(0, 0))), "9223372028264841218");
    Matrix huge = matrix_power(big, 3, false);
    EXPECT_EQ(number_to_decimal(quoly_number(huge.at(1, 1))), "39614081201791936601413124092");
    EXPECT_EQ(unit::raised_code([&] { (void)matrix_mult(a, m({1, 2, 3}, 3, 1)); }), 242);
    EXPECT_EQ(unit::raised_code([&] { (void)matrix_power(m({1, 2}, 1, 2), 2, false); }), 313);
}

// Random declarations, assignments and deletions against a model of every
// array's entries.
TEST_F(MatrixTest, DeletionKeepsOtherArrays) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 2);
    struct Model {
        int32_t rows, cols;
        bool sparse;
        std::map<std::pair<int32_t, int32_t>, int64_t> v;
    };
    std::map<std::string, Model> model;
    for (int step = 0; step < 400; ++step) {
        const int op = rng() % 10;
        if (op < 3 || model.empty()) {
            const std::string name = "a" + std::to_string(step);
            Model md{static_cast<int32_t>(1 + rng() % 5), static_cast<int32_t>(1 + rng() % 5), rng() % 3 == 0, {}};
            if (md.sparse)
                sparse_create(name.c_str(), md.rows, md.cols, 0, true);
            else
                insertarr(name.c_str(), md.rows, md.cols, 0);
            model[name] = md;
            continue;
        }
        auto it = model.begin();
        std::advance(it, rng() % model.size());
        ArrayRec* a = array_seek(it->first.c_str());
        if (op < 8) {
            const int32_t r = rng() % it->second.rows, c = rng() % it->second.cols;
            const int64_t x = static_cast<int64_t>(rng() % 7) - 3;
            array_store_entry(a, r, c, make_numeric(number_from_int64(x)));
            it->second.v[{r, c}] = x;
        } else {
            remove_array_storage(a);
            model.erase(it);
        }
        for (auto& [name, md] : model) {
            ArrayRec* b = array_seek(name.c_str());
            ASSERT_EQ(b->rows, md.rows);
            ASSERT_EQ(b->is_sparse(), md.sparse);
            for (int32_t r = 0; r < md.rows; ++r)
                for (int32_t c = 0; c < md.cols; ++c) {
                    const QuolyRec* q = array_entry(b, r, c);
                    auto f = md.v.find({r, c});
                    const int64_t want = f == md.v.end() ? 0 : f->second;
                    int64_t got = 0;
                    if (q) ASSERT_TRUE(to_int64(quoly_number(q), got));
                    ASSERT_EQ(got, want) << name << " [" << r << "," << c << "]";
                    if (md.sparse && want == 0) ASSERT_EQ(q, nullptr);
                }
        }
    }
    for (auto& [name, md] : model) remove_array_storage(array_seek(name.c_str()));
    EXPECT_EQ(endarr, 0);
}

TEST_F(MatrixTest, StoreErrorsAndSparseChunks) {
    EXPECT_EQ(unit::raised_code([] { insertarr("e", 0, 3, 0); }), 27);
    EXPECT_EQ(unit::raised_code([] { insertarr("e", 3000000, 2, 0); }), 26);
    EXPECT_EQ(unit::raised_code([] { array_seek("nosuch"); }), 28);
    ArrayRec* s = sparse_create("sp", 5000, 2, 0, true);
    int chunks = 0;
    for (SparseRec* c = s->sparse; c; c = c->next_chunk) ++chunks;
    EXPECT_EQ(chunks, 3);
    array_store_entry(s, 4096, 1, make_numeric(number_from_int64(4)));
    EXPECT_NE(s->sparse->next_chunk->next_chunk->heads[0], nullptr);
    array_store_entry(s, 7, 0, make_numeric(number_from_int64(0)));
    EXPECT_EQ(array_count_nonzero(s), 1);
    EXPECT_EQ(unit::raised_code([&] { array_quoly_ptr(s, 5001, 1, true, 1); }), 27);
    EXPECT_EQ(unit::raised_code([&] { array_quoly_ptr(s, 1, 3, true, 1); }), 27);
    // Single indices run column by column.
    ArrayRec* d = insertarr("d", 2, 3, 0);
    EXPECT_EQ(array_quoly_ptr(d, 5, 0, false, 1), array_quoly_ptr(d, 1, 3, true, 1));
    EXPECT_EQ(array_quoly_ptr(d, 4, 0, false, 0), array_quoly_ptr(d, 0, 2, true, 0));
    remove_array_storage(d);
    remove_array_storage(s);
}

}  // namespace

namespace {

int64_t entry_value(const ArrayRec* a, int32_t r, int32_t c) {
    const QuolyRec* q = array_entry(a, r, c);
    int64_t v = 0;
    if (q) EXPECT_TRUE(to_int64(quoly_number(q), v));
    return v;
}

void fill(ArrayRec* a, int64_t base) {
    for (int32_t r = 0; r < a->rows; ++r)
        for (int32_t c = 0; c < a->cols(); ++c) array_store_entry(a, r, c, make_numeric(number_from_int64(base + 10 * r + c)));
}

}  // namespace

// Arrays set aside while a function works in another ring keep their
// entries through the making and deleting of other arrays (which moves the
// dense store), are not visited by conversions, and give way on return to an
// array of the same name made meanwhile.
TEST_F(MatrixTest, HiddenArraysSurviveStoreMoves) {
    ArrayRec* old1 = insertarr("hold1", 2, 2, 0);
    ArrayRec* old2 = insertarr("hold2", 3, 1, 0);
    ArrayRec* kept = insertarr("kept", 2, 1, 0);
    fill(old1, 100);
    fill(old2, 200);
    fill(kept, 300);
    ArrayRec* param = make_array_parameter("w", kept);
    EXPECT_TRUE(has_array_parameter(kept));
    hide_arrays([&](const ArrayRec* a) { return a == old1 || a == old2; });
    EXPECT_EQ(find_array("hold1"), nullptr);
    int64_t visited = 0;
    for_each_array_value([&](QuolyRec*&) { ++visited; });
    EXPECT_EQ(visited, 2);  // kept's entries only (the parameter shares them)

    ArrayRec* tmp = insertarr("tmp", 4, 4, 0);
    fill(tmp, 1);
    ArrayRec* again = insertarr("hold2", 1, 1, 0);
    fill(again, 7);
    remove_array_storage(tmp);  // moves every later dense array down
    param->sparse = nullptr;
    remove_array_parameter(param);
    EXPECT_FALSE(has_array_parameter(kept));

    unhide_arrays();
    ArrayRec* h1 = array_seek("hold1");
    EXPECT_EQ(entry_value(h1, 1, 1), 111);
    EXPECT_EQ(entry_value(array_seek("hold2"), 0, 0), 7);  // the newer one stays
    EXPECT_EQ(entry_value(array_seek("kept"), 1, 0), 310);
    remove_array_storage(array_seek("hold1"));
    remove_array_storage(array_seek("hold2"));
    remove_array_storage(array_seek("kept"));
    EXPECT_EQ(find_array("hold2"), nullptr);
    EXPECT_EQ(endarr, 0);
}
