// Fraction-free Gaussian elimination (Gauss-Bareiss) over the quolys, and
// the pivot search shared by the elimination methods.
#include <cstdio>

#include "base/errors.h"
#include "matrix/det_crt.h"
#include "matrix/det_work.h"
#include "matrix/determinant.h"
#include "numbers/residue.h"
#include "poly/poly.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

QuolyRows::QuolyRows(const std::vector<const QuolyRec*>& e, int32_t size) : n(size) {
    a.resize(static_cast<size_t>(n) * n);
    for (int32_t c = 0; c < n; ++c)
        for (int32_t r = 0; r < n; ++r) {
            const QuolyRec* q = e[static_cast<size_t>(c) * n + r];
            if (q)
                at(r, c) = quoly_copy(q);
            else
                quoly_set(0, at(r, c));
        }
}

namespace {

// The size of a nonzero number: its bits, or in lint mode the residue.
double number_size(const Number& x) { return lintmode ? x.lint() : log2_abs(x); }

int64_t quoly_mass(const QuolyRec* q) {
    int64_t m = poly_mass(quoly_numerator(q), 1, 1);
    if (quoly_denominator(q)) m += poly_mass(quoly_denominator(q), 1, 1);
    return m;
}

struct Candidate {
    int32_t r = -1, c = -1;
    bool numeric = false;
    double size = 0;
    // Takes (r, c) when it is better: a number beats any non-number; among
    // equals only a strictly smaller size wins.
    void offer(int32_t row, int32_t col, bool num, double s) {
        if (r >= 0 && (numeric > num || (numeric == num && s >= size))) return;
        r = row, c = col, numeric = num, size = s;
    }
};

}  // namespace

bool find_good_spot(QuolyRows& m, int32_t k, int32_t& pr, int32_t& pc) {
    Candidate best;
    for (int32_t c = k; c < m.n; ++c) {
        bool any = false;
        for (int32_t r = k; r < m.n; ++r) {
            const QuolyRec* q = m.at(r, c).get();
            if (quoly_iszero(q)) continue;
            any = true;
            if (!quoly_is_number(q)) {
                best.offer(r, c, false, static_cast<double>(quoly_mass(q)));
                continue;
            }
            if (num_is_one(quoly_number(q)) || num_is_minus_one(quoly_number(q))) {
                pr = r, pc = c;
                return true;
            }
            best.offer(r, c, true, number_size(quoly_number(q)));
        }
        if (c == k && !any) return false;
    }
    pr = best.r, pc = best.c;
    return best.r >= 0;
}

namespace {

bool integral(const QuolyRec* q) { return quoly_is_number(q) || quoly_is_poly(q); }

// a[i][j] := (a[k][k] a[i][j] - a[i][k] a[k][j]) / prev for i, j > k.
void bareiss_step(QuolyRows& m, int32_t k, const QuolyRec* prev, bool check) {
    for (int32_t i = k + 1; i < m.n; ++i)
        for (int32_t j = k + 1; j < m.n; ++j) {
            Quoly x, y;
            quoly_mult(m.at(k, k).get(), m.at(i, j).get(), x);
            quoly_mult(m.at(i, k).get(), m.at(k, j).get(), y);
            best_quoly_sub(x, std::move(y));
            if (prev) {
                fast_quoly_quot(x, quoly_copy(prev));
                if (check && !integral(x.get())) internal_stop(" Gauss-Bareiss");
            }
            m.at(i, j) = std::move(x);
        }
}

}  // namespace

void gauss_Bareiss(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det) {
    QuolyRows m(e, n);
    bool check = true;
    for (const Quoly& q : m.a) check = check && integral(q.get());
    if (verbose) std::printf("Gauss-Bareiss method, size %d\n", n);
    bool negate = false;
    Quoly prev;
    for (int32_t k = 0; k + 1 < n; ++k) {
        poll_interrupt();
        if (verbose) std::printf(" %d", k + 1);
        int32_t pr = 0, pc = 0;
        if (!find_good_spot(m, k, pr, pc)) {
            quoly_set(0, det);
            return;
        }
        if (pr != k) m.swap_rows(pr, k), negate = !negate;
        if (pc != k) m.swap_cols(pc, k), negate = !negate;
        bareiss_step(m, k, prev.get(), check);
        prev = quoly_copy(m.at(k, k).get());
    }
    if (verbose) std::printf("\n");
    Quoly d = std::move(m.at(n - 1, n - 1));
    if (negate) quoly_inplace(d.get());
    det = std::move(d);
}

}  // namespace tolmex
