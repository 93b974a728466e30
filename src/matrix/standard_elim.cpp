// Gaussian elimination over the quolys down to a block of c rows, which
// expansion by minors finishes (standard_matrix_invert), and the cofactor
// expansion of small blocks (small_determ).
#include <cstdio>

#include "base/errors.h"
#include "matrix/det_settings.h"
#include "matrix/det_work.h"
#include "matrix/determinant.h"
#include "matrix/minors_det.h"
#include "numbers/residue.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// Expansion along the first row of the rows `rows` and columns `cols` of m.
void expand(QuolyRows& m, const std::vector<int32_t>& rows, const std::vector<int32_t>& cols, Quoly& det) {
    const size_t b = rows.size();
    if (b == 1) {
        det = quoly_copy(m.at(rows[0], cols[0]).get());
        return;
    }
    if (b == 2) {
        Quoly x, y;
        quoly_mult(m.at(rows[0], cols[0]).get(), m.at(rows[1], cols[1]).get(), x);
        quoly_mult(m.at(rows[0], cols[1]).get(), m.at(rows[1], cols[0]).get(), y);
        best_quoly_sub(x, std::move(y));
        det = std::move(x);
        return;
    }
    Quoly sum;
    quoly_set(0, sum);
    const std::vector<int32_t> lower(rows.begin() + 1, rows.end());
    for (size_t j = 0; j < b; ++j) {
        poll_interrupt();
        const QuolyRec* a = m.at(rows[0], cols[j]).get();
        if (quoly_iszero(a)) continue;
        std::vector<int32_t> rest(cols);
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(j));
        Quoly minor, t;
        expand(m, lower, rest, minor);
        quoly_mult(a, minor.get(), t);
        if (j % 2)
            best_quoly_sub(sum, std::move(t));
        else
            best_quoly_add(sum, std::move(t));
    }
    det = std::move(sum);
}

// The rows and columns k .. n - 1.
std::vector<int32_t> tail(int32_t k, int32_t n) {
    std::vector<int32_t> v;
    for (int32_t i = k; i < n; ++i) v.push_back(i);
    return v;
}

// Row i -= (a[i][k] / a[k][k]) row k, from column k + 1 on.
void eliminate_below(QuolyRows& m, int32_t k) {
    for (int32_t i = k + 1; i < m.n; ++i) {
        if (quoly_iszero(m.at(i, k).get())) continue;
        Quoly f;
        quoly_quot(m.at(i, k).get(), m.at(k, k).get(), f);
        for (int32_t j = k + 1; j < m.n; ++j) {
            if (quoly_iszero(m.at(k, j).get())) continue;
            Quoly t;
            quoly_mult(f.get(), m.at(k, j).get(), t);
            best_quoly_sub(m.at(i, j), std::move(t));
        }
    }
}

// The determinant of the block of rows and columns k .. n - 1: cofactor
// expansion for small blocks, else expansion by minors with the stash.
void finish_block(QuolyRows& m, int32_t k, Quoly& det) {
    const int32_t b = m.n - k;
    if (b <= kSmallDetermBlock) {
        expand(m, tail(k, m.n), tail(k, m.n), det);
        return;
    }
    std::vector<const QuolyRec*> e(static_cast<size_t>(b) * b);
    for (int32_t c = 0; c < b; ++c)
        for (int32_t r = 0; r < b; ++r) e[static_cast<size_t>(c) * b + r] = m.at(k + r, k + c).get();
    do_minors_det(e, b, det);
}

}  // namespace

int32_t elimination_depth(int32_t n, bool all_numbers) {
    if (detcutoff >= 0) return detcutoff < kMaxMinorsBlock ? detcutoff : kMaxMinorsBlock;
    if (all_numbers || n < 3) return 2;
    if (n < 6) return n - 1;
    return n == 6 ? 4 : 0;
}

void small_determ(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det) {
    QuolyRows m(e, n);
    expand(m, tail(0, n), tail(0, n), det);
}

void standard_matrix_invert(const std::vector<const QuolyRec*>& e, int32_t n, int32_t c, Quoly& det) {
    QuolyRows m(e, n);
    const int32_t block = c < 1 ? 1 : c;
    if (verbose) std::printf("Standard G.E. method, rank %d\n", n);
    Quoly d;
    quoly_set(1, d);
    int32_t k = 0;
    for (; n - k > block; ++k) {
        poll_interrupt();
        int32_t pr = 0, pc = 0;
        if (!find_good_spot(m, k, pr, pc)) {
            quoly_set(0, det);
            return;
        }
        if (pr != k) m.swap_rows(pr, k), quoly_inplace(d.get());
        if (pc != k) m.swap_cols(pc, k), quoly_inplace(d.get());
        fast_quoly_mult(d, quoly_copy(m.at(k, k).get()));
        eliminate_below(m, k);
    }
    if (verbose && n - k > 1) std::printf(" Finish by minors, rank %d\n", n - k);
    Quoly rest;
    finish_block(m, k, rest);
    fast_quoly_mult(d, std::move(rest));
    det = std::move(d);
}

}  // namespace tolmex
