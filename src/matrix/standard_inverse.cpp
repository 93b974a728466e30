// The inverse by Gaussian elimination over the quolys with full pivoting:
// the column swaps of the matrix become row swaps of the inverse, undone at
// the end.
#include <cstdio>

#include "base/errors.h"
#include "matrix/det_work.h"
#include "matrix/inverse.h"
#include "numbers/residue.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// Row k of a and v divided by a[k][k] (which becomes 1).
void divide_pivot_row(QuolyRows& a, QuolyRows& v, int32_t k) {
    Quoly p = quoly_copy(a.at(k, k).get());
    quoly_reciprocal(p);
    for (int32_t c = k; c < a.n; ++c)
        if (!quoly_iszero(a.at(k, c).get())) fast_quoly_mult(a.at(k, c), quoly_copy(p.get()));
    for (int32_t c = 0; c < v.n; ++c)
        if (!quoly_iszero(v.at(k, c).get())) fast_quoly_mult(v.at(k, c), quoly_copy(p.get()));
}

// x row i -= f x row k, from column `from` on.
void row_minus(QuolyRows& x, int32_t i, int32_t k, const QuolyRec* f, int32_t from) {
    for (int32_t c = from; c < x.n; ++c) {
        if (quoly_iszero(x.at(k, c).get())) continue;
        Quoly t;
        quoly_mult(f, x.at(k, c).get(), t);
        best_quoly_sub(x.at(i, c), std::move(t));
    }
}

void eliminate_below(QuolyRows& a, QuolyRows& v, int32_t k) {
    for (int32_t i = k + 1; i < a.n; ++i) {
        if (quoly_iszero(a.at(i, k).get())) continue;
        const Quoly f = quoly_copy(a.at(i, k).get());
        row_minus(a, i, k, f.get(), k);
        row_minus(v, i, k, f.get(), 0);
    }
}

// a is unit upper triangular: v := a^-1 v, clearing columns from the last.
void invert_upper(QuolyRows& a, QuolyRows& v) {
    for (int32_t k = a.n - 1; k > 0; --k) {
        poll_interrupt();
        for (int32_t i = 0; i < k; ++i) {
            if (quoly_iszero(a.at(i, k).get())) continue;
            row_minus(v, i, k, a.at(i, k).get(), 0);
        }
    }
}

}  // namespace

void standard_matrix_invert(const Matrix& m, Quoly& det, Matrix& inv, const char* name) {
    const int32_t n = m.rows;
    std::vector<const QuolyRec*> e(m.e.size());
    for (size_t k = 0; k < e.size(); ++k) e[k] = m.e[k].get();
    QuolyRows a(e, n);
    const Matrix id = matrix_identity(n, false);
    std::vector<const QuolyRec*> ie(id.e.size());
    for (size_t k = 0; k < ie.size(); ++k) ie[k] = id.e[k].get();
    QuolyRows v(ie, n);
    if (verbose) std::printf("Standard G.E. method, rank %d\n", n);
    std::vector<int32_t> col_swap(n);
    Quoly d;
    quoly_set(1, d);
    for (int32_t k = 0; k < n; ++k) {
        poll_interrupt();
        int32_t pr = 0, pc = 0;
        if (!find_good_spot(a, k, pr, pc)) fail(44, name);
        if (pr != k) a.swap_rows(pr, k), v.swap_rows(pr, k), quoly_inplace(d.get());
        if (pc != k) a.swap_cols(pc, k), quoly_inplace(d.get());
        col_swap[k] = pc;
        fast_quoly_mult(d, quoly_copy(a.at(k, k).get()));
        divide_pivot_row(a, v, k);
        eliminate_below(a, v, k);
    }
    if (verbose) std::printf(" Now inverting upper triangular matrix, rank %d\n", n);
    invert_upper(a, v);
    // (A P)^-1 = P^-1 A^-1 with P the column swaps: A^-1 = P v.
    if (verbose) std::printf("Restoring row and column ops. \n");
    for (int32_t k = n - 1; k >= 0; --k)
        if (col_swap[k] != k) v.swap_rows(k, col_swap[k]);
    Matrix out = Matrix::zero(n, n, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) out.set(r, c, std::move(v.at(r, c)));
    inv = std::move(out);
    det = std::move(d);
}

}  // namespace tolmex
