// Matrix products. Dense integer matrices whose entries fit a machine word
// (in rational arithmetic) are multiplied with 128-bit accumulators and no
// intermediate values; everything else goes entry by entry through the
// quoly arithmetic. Sparse times sparse merges rows and stays sparse.
#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "matrix/matrix.h"
#include "matrix/poly_product.h"
#include "numbers/modular_state.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

bool is_zero_value(const QuolyRec* q) { return !q || quoly_iszero(q); }

// The entries of a dense matrix as words, row by row (transposed: true
// gives column by column); false when one of them is not an integer of
// at most 31 bits.
bool small_integers(const Matrix& m, std::vector<int64_t>& out, bool by_columns) {
    if (modularmode || lintmode) return false;
    out.assign(static_cast<size_t>(m.rows) * m.cols, 0);
    for (int32_t c = 0; c < m.cols; ++c)
        for (int32_t r = 0; r < m.rows; ++r) {
            const QuolyRec* q = m.e[static_cast<size_t>(c) * m.rows + r].get();
            if (!q) continue;
            if (!quoly_is_number(q)) return false;
            int64_t v;
            if (!to_int64(quoly_number(q), v) || v > INT32_MAX || v < -INT32_MAX) return false;
            out[by_columns ? static_cast<size_t>(c) * m.rows + r : static_cast<size_t>(r) * m.cols + c] = v;
        }
    return true;
}

Quoly int128_value(__int128 s) {
    const bool neg = s < 0;
    unsigned __int128 u = neg ? static_cast<unsigned __int128>(-(s + 1)) + 1 : static_cast<unsigned __int128>(s);
    if (u <= static_cast<unsigned __int128>(INT64_MAX)) {
        const int64_t v = static_cast<int64_t>(u);
        return make_numeric(number_from_int64(neg ? -v : v));
    }
    uint64_t limbs[2] = {static_cast<uint64_t>(u), static_cast<uint64_t>(u >> 64)};
    return make_numeric(number_from_limbs(limbs, 2, neg));
}

bool integer_product(const Matrix& a, const Matrix& b, Matrix& r) {
    std::vector<int64_t> x, y;
    if (!small_integers(a, x, false) || !small_integers(b, y, true)) return false;
    const int32_t n = a.cols;
    r = Matrix::zero(a.rows, b.cols, false);
    for (int32_t j = 0; j < b.cols; ++j) {
        poll_interrupt();
        const int64_t* col = &y[static_cast<size_t>(j) * n];
        for (int32_t i = 0; i < a.rows; ++i) {
            const int64_t* row = &x[static_cast<size_t>(i) * n];
            __int128 s = 0;
            int64_t part = 0;
            // Products of two 31-bit words: two of them fit 63 bits.
            int32_t k = 0;
            for (; k + 1 < n; k += 2) {
                part = row[k] * col[k] + row[k + 1] * col[k + 1];
                s += part;
            }
            if (k < n) s += row[k] * col[k];
            r.e[static_cast<size_t>(j) * a.rows + i] = int128_value(s);
        }
    }
    return true;
}

void dense_general(const Matrix& a, const Matrix& b, Matrix& r) {
    r = Matrix::zero(a.rows, b.cols, false);
    for (int32_t j = 0; j < b.cols; ++j) {
        poll_interrupt();
        for (int32_t i = 0; i < a.rows; ++i) {
            Quoly sum;
            for (int32_t k = 0; k < a.cols; ++k) {
                const QuolyRec* u = a.e[static_cast<size_t>(k) * a.rows + i].get();
                const QuolyRec* v = b.e[static_cast<size_t>(j) * b.rows + k].get();
                if (is_zero_value(u) || is_zero_value(v)) continue;
                Quoly p;
                quoly_mult(u, v, p);
                if (!sum)
                    sum = std::move(p);
                else
                    best_quoly_add(sum, std::move(p));
            }
            if (!sum) quoly_set(0, sum);
            r.e[static_cast<size_t>(j) * a.rows + i] = std::move(sum);
        }
    }
}

void sparse_general(const Matrix& a, const Matrix& b, Matrix& r) {
    r = Matrix::zero(a.rows, b.cols, true);
    std::vector<Quoly> acc(b.cols);
    std::vector<int32_t> touched;
    for (int32_t i = 0; i < a.rows; ++i) {
        poll_interrupt();
        touched.clear();
        for (const auto& x : a.srows[i])
            for (const auto& y : b.srows[x.col]) {
                Quoly p;
                quoly_mult(x.v.get(), y.v.get(), p);
                if (!acc[y.col]) {
                    acc[y.col] = std::move(p);
                    touched.push_back(y.col);
                } else {
                    best_quoly_add(acc[y.col], std::move(p));
                }
            }
        std::sort(touched.begin(), touched.end());
        for (int32_t c : touched) {
            Quoly v = std::move(acc[c]);
            if (!is_zero_value(v.get())) r.srows[i].push_back({c, std::move(v)});
        }
    }
}

}  // namespace

Matrix matrix_mult(const Matrix& a, const Matrix& b) {
    if (a.cols != b.rows) error(242, "*");
    Matrix r;
    if (a.sparse && b.sparse) {
        sparse_general(a, b, r);
        return r;
    }
    if (a.sparse || b.sparse) return matrix_mult(matrix_to_dense(a), matrix_to_dense(b));
    if (integer_product(a, b, r)) return r;
    if (poly_matrix_product(a, b, r)) return r;
    dense_general(a, b, r);
    return r;
}

Matrix matrix_mult_plain(const Matrix& a, const Matrix& b) {
    if (a.cols != b.rows) error(242, "*");
    Matrix r;
    if (a.sparse && b.sparse) {
        sparse_general(a, b, r);
        return r;
    }
    dense_general(matrix_to_dense(a), matrix_to_dense(b), r);
    return r;
}

}  // namespace tolmex
