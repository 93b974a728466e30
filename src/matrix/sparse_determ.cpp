// Determinants of sparse matrices worked on their rows: fraction-free
// elimination (sparse_gauss_Bareiss), Gaussian elimination over the quolys
// (sparse_gauss_elim), the residue elimination (sparse_mod_int_determ) and
// the choice among them (sparse_determinant).
//
// No row or column is ever swapped: each step pairs a pivot row with a
// pivot column, the rows still to pivot keep only the columns still to
// pivot, and the sign of the determinant is that of the permutation the
// pairing makes.
#include "matrix/sparse_determ.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <tuple>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "matrix/det_crt.h"
#include "matrix/det_settings.h"
#include "matrix/lagrange_det.h"
#include "matrix/minors_det.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

using Row = std::vector<SparseEntry>;

struct ResidueEntry {
    int32_t col;
    int32_t v;  // never 0
};
using ResidueRow = std::vector<ResidueEntry>;

// The working copy of an elimination.
template <class R>
struct Work {
    int32_t n = 0;
    std::vector<R> rows;
    std::vector<char> row_done, col_done;
    std::vector<int32_t> col_of_row;  // the pivot pairing

    explicit Work(int32_t size) : n(size), rows(size), row_done(size, 0), col_done(size, 0), col_of_row(size, -1) {}
    void pivoted(int32_t r, int32_t c) {
        row_done[r] = col_done[c] = 1;
        col_of_row[r] = c;
        R().swap(rows[r]);
    }
    // Entries per column in the rows still to pivot; false when one of
    // those rows or columns is zero, which makes the determinant 0.
    bool column_counts(std::vector<int32_t>& count) const {
        count.assign(n, 0);
        for (int32_t r = 0; r < n; ++r) {
            if (row_done[r]) continue;
            if (rows[r].empty()) return false;
            for (const auto& s : rows[r]) ++count[s.col];
        }
        for (int32_t c = 0; c < n; ++c)
            if (!col_done[c] && count[c] == 0) return false;
        return true;
    }
    // Pairs the last row left with the last column left.
    void pair_last(int32_t& r, int32_t& c) {
        r = static_cast<int32_t>(std::find(row_done.begin(), row_done.end(), 0) - row_done.begin());
        c = static_cast<int32_t>(std::find(col_done.begin(), col_done.end(), 0) - col_done.begin());
    }
    // The pairing, complete, is an odd permutation of the columns.
    bool odd() const {
        std::vector<int32_t> p(col_of_row);
        bool odd = false;
        for (size_t i = 0; i < p.size(); ++i)
            while (p[i] != static_cast<int32_t>(i)) {
                std::swap(p[i], p[p[i]]);
                odd = !odd;
            }
        return odd;
    }
};

template <class R>
auto find_col(const R& row, int32_t c) {
    auto it = std::lower_bound(row.begin(), row.end(), c, [](const auto& s, int32_t col) { return s.col < col; });
    return it != row.end() && it->col == c ? &*it : nullptr;
}

const QuolyRec* entry(const Row& row, int32_t c) {
    const SparseEntry* s = find_col(row, c);
    return s ? s->v.get() : nullptr;
}

// The sparse rows of m (a dense m is read as sparse), zeros left out.
template <class R, class Convert>
Work<R> work_copy(const Matrix& m, Convert convert) {
    const Matrix s = m.sparse ? Matrix() : matrix_to_sparse(m);
    const Matrix& src = m.sparse ? m : s;
    Work<R> w(src.rows);
    for (int32_t r = 0; r < src.rows; ++r)
        for (const SparseEntry& e : src.srows[r]) convert(e, w.rows[r]);
    return w;
}

Work<Row> quoly_rows(const Matrix& m) {
    return work_copy<Row>(m, [](const SparseEntry& e, Row& row) {
        if (!quoly_iszero(e.v.get())) row.push_back({e.col, quoly_copy(e.v.get())});
    });
}

bool integral(const QuolyRec* q) { return quoly_is_number(q) || quoly_is_poly(q); }

// ---------------------------------------------------------------------------
// Pivot choice

int64_t quoly_mass(const QuolyRec* q) {
    int64_t m = poly_mass(quoly_numerator(q), 1, 1);
    if (quoly_denominator(q)) m += poly_mass(quoly_denominator(q), 1, 1);
    return m;
}

// The rules of the dense pivot search (find_good_spot) on rows: a number 1
// or -1 first, then the number of least size (bits; the residue in lint
// mode), then the non-number of least mass. Where the dense search keeps
// the earlier of two equal candidates, the sparse one takes the entry of
// least fill, the Markowitz product (entries in its row - 1) (entries in
// its column - 1), and only then the earlier column and row: fill is what
// decides the cost of a sparse elimination.
struct PivotKey {
    int cls = 0;  // 0: a number 1 or -1, 1: another number, 2: not a number
    double size = 0;
    int64_t fill = 0;
    int32_t col = 0, row = 0;
    bool operator<(const PivotKey& o) const {
        return std::tie(cls, size, fill, col, row) < std::tie(o.cls, o.size, o.fill, o.col, o.row);
    }
};

PivotKey key_of(const QuolyRec* q) {
    PivotKey k;
    if (!quoly_is_number(q)) {
        k.cls = 2;
        k.size = static_cast<double>(quoly_mass(q));
        return k;
    }
    const Number& x = quoly_number(q);
    if (num_is_one(x) || num_is_minus_one(x)) return k;
    k.cls = 1;
    k.size = lintmode ? x.lint() : log2_abs(x);
    return k;
}

// False when a remaining row or column is zero (the determinant is 0).
bool sparse_good_spot(const Work<Row>& w, int32_t& pr, int32_t& pc) {
    std::vector<int32_t> count;
    if (!w.column_counts(count)) return false;
    bool found = false;
    PivotKey best;
    for (int32_t r = 0; r < w.n; ++r) {
        if (w.row_done[r]) continue;
        const int64_t in_row = static_cast<int64_t>(w.rows[r].size()) - 1;
        for (const SparseEntry& s : w.rows[r]) {
            PivotKey k = key_of(s.v.get());
            k.fill = in_row * (count[s.col] - 1);
            k.col = s.col;
            k.row = r;
            if (!found || k < best) best = k, found = true;
        }
    }
    pr = best.row, pc = best.col;
    return found;
}

// ---------------------------------------------------------------------------
// Row operations

// x a - y b over the columns of a and b other than skip (x null stands for
// 1, b may be empty), each value divided by q when q is not null; zero
// values are left out. With check an inexact quotient (one that is not
// integral) is an internal stop.
Row combine(const Row& a, const QuolyRec* x, const Row& b, const QuolyRec* y, int32_t skip, const QuolyRec* q,
            bool check) {
    Row out;
    out.reserve(a.size() + b.size());
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const int32_t ca = i < a.size() ? a[i].col : INT32_MAX;
        const int32_t cb = j < b.size() ? b[j].col : INT32_MAX;
        const int32_t c = std::min(ca, cb);
        const QuolyRec* u = ca == c ? a[i++].v.get() : nullptr;
        const QuolyRec* v = cb == c ? b[j++].v.get() : nullptr;
        if (c == skip) continue;
        Quoly t;
        if (!u)
            quoly_set(0, t);
        else if (x)
            quoly_mult(x, u, t);
        else
            t = quoly_copy(u);
        if (v) {
            Quoly yv;
            quoly_mult(y, v, yv);
            best_quoly_sub(t, std::move(yv));
        }
        if (quoly_iszero(t.get())) continue;
        if (q) {
            fast_quoly_quot(t, quoly_copy(q));
            if (check && !integral(t.get())) internal_stop(" Gauss-Bareiss");
        }
        out.push_back({c, std::move(t)});
    }
    return out;
}

bool is_one(const QuolyRec* q) { return quoly_is_number(q) && num_is_one(quoly_number(q)); }

// det := the entry left in the last row and column, with the pairing's sign.
void finish(Work<Row>& w, Quoly& det, Quoly&& factor) {
    int32_t r = 0, c = 0;
    w.pair_last(r, c);
    const QuolyRec* v = entry(w.rows[r], c);
    if (!v) {
        quoly_set(0, det);
        return;
    }
    w.col_of_row[r] = c;
    Quoly d;
    if (factor)
        quoly_mult(factor.get(), v, d);
    else
        d = quoly_copy(v);
    if (w.odd()) quoly_inplace(d.get());
    det = std::move(d);
}

// ---------------------------------------------------------------------------
// Residues

Work<ResidueRow> residue_rows(const Matrix& m) {
    return work_copy<ResidueRow>(m, [](const SparseEntry& e, ResidueRow& row) {
        const int32_t v = quoly_number(e.v.get()).lint();
        if (v != 0) row.push_back({e.col, v});
    });
}

// a - f b over the columns of a and b other than skip (-1: none), zero
// residues left out.
ResidueRow residue_combine(const ResidueRow& a, const ResidueRow& b, int32_t f, int32_t skip) {
    ResidueRow out;
    out.reserve(a.size() + b.size());
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const int32_t ca = i < a.size() ? a[i].col : INT32_MAX;
        const int32_t cb = j < b.size() ? b[j].col : INT32_MAX;
        const int32_t c = std::min(ca, cb);
        const int32_t u = ca == c ? a[i++].v : 0;
        const int32_t v = cb == c ? b[j++].v : 0;
        if (c == skip) continue;
        const int32_t t = v ? mod_sub(u, modmult(f, v), modulus) : u;
        if (t != 0) out.push_back({c, t});
    }
    return out;
}

int32_t residue_at(const ResidueRow& row, int32_t c) {
    const ResidueEntry* s = find_col(row, c);
    return s ? s->v : 0;
}

// A field: any nonzero entry is a pivot; the one of least fill is taken.
int32_t residue_field(Work<ResidueRow>& w) {
    int32_t d = 1;
    std::vector<int32_t> count;
    for (int32_t k = 0; k < w.n; ++k) {
        poll_interrupt();
        if (!w.column_counts(count)) return 0;
        std::tuple<int64_t, int32_t, int32_t> best{INT64_MAX, 0, 0};
        for (int32_t r = 0; r < w.n; ++r)
            if (!w.row_done[r])
                for (const ResidueEntry& s : w.rows[r])
                    best = std::min(best, std::make_tuple(static_cast<int64_t>(w.rows[r].size() - 1) * (count[s.col] - 1),
                                                          s.col, r));
        const auto [fill, pc, pr] = best;
        const int32_t p = residue_at(w.rows[pr], pc);
        d = modmult(d, p);
        int32_t inv = 0;
        emod_inverse(p, inv);
        for (int32_t i = 0; i < w.n; ++i) {
            if (w.row_done[i] || i == pr) continue;
            if (const int32_t a = residue_at(w.rows[i], pc))
                w.rows[i] = residue_combine(w.rows[i], w.rows[pr], modmult(a, inv), pc);
        }
        w.pivoted(pr, pc);
    }
    return d;
}

// Euclid's remainder steps on column c: row i -= q row r, with r the row of
// least residue there and q the integer quotient of the representatives,
// until one row alone has an entry in c; that row is returned. Each step
// is an operation of determinant 1.
int32_t clear_column(Work<ResidueRow>& w, int32_t c) {
    for (;;) {
        poll_interrupt();
        std::vector<int32_t> with;
        int32_t least = -1;
        for (int32_t r = 0; r < w.n; ++r) {
            if (w.row_done[r]) continue;
            const int32_t v = residue_at(w.rows[r], c);
            if (v == 0) continue;
            with.push_back(r);
            if (least < 0 || v < residue_at(w.rows[least], c)) least = r;
        }
        if (with.size() == 1) return least;
        const int32_t p = residue_at(w.rows[least], c);
        for (int32_t i : with)
            if (i != least) w.rows[i] = residue_combine(w.rows[i], w.rows[least], residue_at(w.rows[i], c) / p, -1);
    }
}

// A composite modulus: the column of fewest entries is cleared by Euclid's
// steps; its last entry is the pivot.
int32_t residue_composite(Work<ResidueRow>& w) {
    int32_t d = 1;
    std::vector<int32_t> count;
    for (int32_t k = 0; k < w.n; ++k) {
        if (!w.column_counts(count)) return 0;
        int32_t c = -1;
        for (int32_t j = 0; j < w.n; ++j)
            if (!w.col_done[j] && (c < 0 || count[j] < count[c])) c = j;
        const int32_t r = clear_column(w, c);
        d = modmult(d, residue_at(w.rows[r], c));
        w.pivoted(r, c);
    }
    return d;
}

// ---------------------------------------------------------------------------
// The choice of method

struct SparseClasses {
    bool numbers = true;  // every entry an integer (a residue in lint mode)
    bool polys = true;    // no entry with a denominator
};

SparseClasses classify(const Matrix& m) {
    SparseClasses k;
    auto look = [&](const QuolyRec* q) {
        if (!q || quoly_is_number(q)) return;
        k.numbers = false;
        if (!quoly_is_poly(q)) k.polys = false;
    };
    if (!m.sparse)
        for (const Quoly& q : m.e) look(q.get());
    else
        for (const Row& row : m.srows)
            for (const SparseEntry& s : row) look(s.v.get());
    return k;
}

// Rational mode, integer entries: the multi-modular method, which keeps to
// word residues whatever the fill; false when the primes do not suffice.
bool integer_crt(const Matrix& m, Quoly& det) {
    const Matrix dense = matrix_to_dense(m);
    std::vector<const QuolyRec*> e(dense.e.size());
    for (size_t k = 0; k < e.size(); ++k) e[k] = dense.e[k].get();
    Number d;
    if (!int_determ(e, dense.rows, d)) return false;
    det = make_numeric(std::move(d));
    return true;
}

void residue_determinant(const Matrix& m, Quoly& det) { quoly_set(sparse_mod_int_determ(m), det); }

void forced(const Matrix& m, Quoly& det, DetMethod method, const SparseClasses& k) {
    switch (method) {
        case DetMethod::SparseBareiss: sparse_gauss_Bareiss(m, det); return;
        case DetMethod::SparseElim: sparse_gauss_elim(m, det); return;
        default:
            if (!k.numbers || !lintmode) fail(kErrUnsuitedMethod, "sparse_mod_int_determ");
            residue_determinant(m, det);
    }
}

}  // namespace

void sparse_gauss_Bareiss(const Matrix& m, Quoly& det) {
    Work<Row> w = quoly_rows(m);
    if (w.n == 0) return quoly_set(1, det);
    bool check = true;
    for (const Row& row : w.rows)
        for (const SparseEntry& s : row) check = check && integral(s.v.get());
    if (verbose) std::printf("Sparse Gauss-Bareiss method, size %d\n", w.n);
    Quoly prev;  // the previous pivot; null for 1
    const Row none;
    for (int32_t k = 0; k + 1 < w.n; ++k) {
        poll_interrupt();
        int32_t pr = 0, pc = 0;
        if (!sparse_good_spot(w, pr, pc)) return quoly_set(0, det);
        const QuolyRec* p = entry(w.rows[pr], pc);
        // A row without an entry in the pivot column is multiplied by
        // p / prev, which changes nothing when the two are equal.
        const bool same = prev ? quoly_equal(p, prev.get()) : is_one(p);
        for (int32_t i = 0; i < w.n; ++i) {
            if (w.row_done[i] || i == pr) continue;
            const QuolyRec* f = entry(w.rows[i], pc);
            if (!f && same) continue;
            w.rows[i] = combine(w.rows[i], p, f ? w.rows[pr] : none, f, pc, prev.get(), check);
        }
        Quoly next = quoly_copy(p);
        w.pivoted(pr, pc);
        prev = std::move(next);
    }
    finish(w, det, Quoly());
}

void sparse_gauss_elim(const Matrix& m, Quoly& det) {
    Work<Row> w = quoly_rows(m);
    if (w.n == 0) return quoly_set(1, det);
    if (verbose) std::printf("Sparse G.E. method, rank %d\n", w.n);
    Quoly d;
    quoly_set(1, d);
    for (int32_t k = 0; k + 1 < w.n; ++k) {
        poll_interrupt();
        int32_t pr = 0, pc = 0;
        if (!sparse_good_spot(w, pr, pc)) return quoly_set(0, det);
        const QuolyRec* p = entry(w.rows[pr], pc);
        fast_quoly_mult(d, quoly_copy(p));
        for (int32_t i = 0; i < w.n; ++i) {
            if (w.row_done[i] || i == pr) continue;
            const QuolyRec* a = entry(w.rows[i], pc);
            if (!a) continue;
            Quoly f;
            quoly_quot(a, p, f);
            w.rows[i] = combine(w.rows[i], nullptr, w.rows[pr], f.get(), pc, nullptr, false);
        }
        w.pivoted(pr, pc);
    }
    finish(w, det, std::move(d));
}

int32_t sparse_mod_int_determ(const Matrix& m) {
    if (!lintmode || modulus < 2) internal_stop(" sparse_mod_int_determ");
    Work<ResidueRow> w = residue_rows(m);
    const int32_t d = modulus == 2 || mod_is_prime || finf ? residue_field(w) : residue_composite(w);
    // The pairing's sign (complete unless d is 0); in the fields of
    // characteristic 2 -d is d.
    return d != 0 && w.odd() ? mod_sub(0, d, modulus) : d;
}

bool is_sparse_method(DetMethod method) {
    return method == DetMethod::SparseBareiss || method == DetMethod::SparseElim || method == DetMethod::SparseModInt;
}

void check_sparse_inverse(const Matrix& m, const char* name) {
    if (m.sparse && lintmode && m.rows >= modulus) fail(36, name);
}

void sparse_determinant(const Matrix& m, Quoly& det, DetMethod method, int32_t degree, int32_t power) {
    const SparseClasses k = classify(m);
    if (is_sparse_method(method)) return forced(m, det, method, k);
    const int32_t n = m.rows;
    if (n == 1) {
        if (const QuolyRec* v = m.at(0, 0))
            det = quoly_copy(v);
        else
            quoly_set(0, det);
        return;
    }
    // Up to detcutoff rows (3 by default): expansion by minors, in
    // residues when every entry is one.
    if (sparse_minors_branch(m, det)) return;
    const bool residues = k.numbers && lintmode;
    if (k.polys) {
        if (residues) return residue_determinant(m, det);
        // Integers over Q: the multi-modular method, as for dense matrices,
        // which keeps to word residues where elimination over Q would grow
        // fractions as the rows fill; Gauss-Bareiss when the primes do not
        // suffice.
        if (k.numbers && !modularmode && detcutoff < 0) {
            if (!integer_crt(m, det)) sparse_gauss_Bareiss(m, det);
            return;
        }
        if (gauss_cutoff == 1) return sparse_gauss_Bareiss(m, det);
        if (rat_det_method_cut == 1 && detcutoff < 0 && sparse_lagrange(m, det, degree, power)) return;
    }
    sparse_gauss_elim(m, det);
}

}  // namespace tolmex
