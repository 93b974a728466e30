// Echelon forms on machine words: one residue per entry, row by row.
#include "matrix/echelon_words.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "matrix/det_crt.h"
#include "matrix/determinant.h"
#include "matrix/residue_work.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "numbers/residue_rows.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

struct WordRows {
    int32_t rows = 0, cols = 0;
    std::vector<int32_t> a;
    int32_t* row(int32_t r) { return a.data() + static_cast<size_t>(r) * cols; }
    int32_t& at(int32_t r, int32_t c) { return a[static_cast<size_t>(r) * cols + c]; }
    void swap_rows(int32_t r, int32_t s) { std::swap_ranges(row(r), row(r) + cols, row(s)); }
};

WordRows words_of(const Matrix& m) {
    WordRows w;
    w.rows = m.rows;
    w.cols = m.cols;
    w.a.assign(static_cast<size_t>(m.rows) * m.cols, 0);
    if (m.sparse) {
        for (int32_t r = 0; r < m.rows; ++r)
            for (const SparseEntry& s : m.srows[r]) w.at(r, s.col) = quoly_number(s.v.get()).lint();
        return w;
    }
    for (int32_t c = 0; c < m.cols; ++c)
        for (int32_t r = 0; r < m.rows; ++r)
            if (const QuolyRec* q = m.e[static_cast<size_t>(c) * m.rows + r].get()) w.at(r, c) = quoly_number(q).lint();
    return w;
}

// The entries of a as residues (with columns: of a's transpose); false
// when one is not a number or a dense entry was never assigned.
bool array_words(const ArrayRec* a, bool columns, WordRows& w) {
    w.rows = columns ? a->cols() : a->rows;
    w.cols = columns ? a->rows : a->cols();
    w.a.assign(static_cast<size_t>(w.rows) * w.cols, 0);
    auto put = [&](int32_t r, int32_t c, const QuolyRec* q) {
        if (!q || !quoly_is_number(q)) return false;
        (columns ? w.at(c, r) : w.at(r, c)) = quoly_number(q).lint();
        return true;
    };
    if (a->is_sparse()) {
        for (int32_t r = 0; r < a->rows; ++r)
            for (const ColmRec* p = sparse_row_head(a, r); p; p = p->next)
                if (!put(r, p->column - 1, p->entry)) return false;
        return true;
    }
    for (int32_t c = 0; c < a->cols(); ++c)
        for (int32_t r = 0; r < a->rows; ++r)
            if (!put(r, c, dense_slot(a, r, c))) return false;
    return true;
}

// Writes w (with columns: its transpose) into the numbers of the dense
// array t in place when every entry of t is a number already: no record
// is freed or made, and nothing can fail once the check has passed. False
// (t untouched) otherwise.
bool overwrite_numbers(ArrayRec* t, WordRows& w, bool columns) {
    if (t->is_sparse()) return false;
    for (int32_t c = 0; c < t->cols(); ++c)
        for (int32_t r = 0; r < t->rows; ++r) {
            QuolyRec* q = dense_slot(t, r, c);
            if (!q || !quoly_is_number(q) || !quoly_number(q)) return false;
        }
    for (int32_t c = 0; c < t->cols(); ++c)
        for (int32_t r = 0; r < t->rows; ++r)
            setvalue(columns ? w.at(c, r) : w.at(r, c), quoly_number(dense_slot(t, r, c)));
    return true;
}

WordRows transposed(WordRows& w) {
    WordRows t;
    t.rows = w.cols;
    t.cols = w.rows;
    t.a.resize(w.a.size());
    for (int32_t r = 0; r < w.rows; ++r)
        for (int32_t c = 0; c < w.cols; ++c) t.at(c, r) = w.at(r, c);
    return t;
}

Matrix matrix_of_words(WordRows& w, bool sparse, bool onedim) {
    Matrix m = Matrix::zero(w.rows, w.cols, sparse);
    m.onedim = onedim;
    for (int32_t r = 0; r < w.rows; ++r)
        for (int32_t c = 0; c < w.cols; ++c)
            if (const int32_t v = w.at(r, c)) {
                Quoly q;
                quoly_set(v, q);
                m.set(r, c, std::move(q));
            }
    return m;
}

// ri -= f rk over len entries.
void subtract(int32_t* ri, const int32_t* rk, int32_t len, int32_t f) {
    if (!finf) {
        residue_row_submul(ri, rk, len, static_cast<uint32_t>(f), static_cast<uint32_t>(modulus));
        return;
    }
    for (int32_t c = 0; c < len; ++c) ri[c] = mod_sub(ri[c], modmult(f, rk[c]), modulus);
}

int32_t inverse(int32_t a) {
    int32_t r = 0;
    emod_inverse(a, r);
    return r;
}

// The first row from r on with a nonzero entry in column c, or -1.
int32_t first_nonzero(WordRows& w, int32_t r, int32_t c) {
    for (int32_t i = r; i < w.rows; ++i)
        if (w.at(i, c) != 0) return i;
    return -1;
}

// Over a field: the pivot of column c is the first nonzero entry from
// row r down (the quoly elimination's choice). The value is the rank.
int32_t eliminate_field(WordRows& w, bool reduced) {
    int32_t r = 0;
    for (int32_t c = 0; c < w.cols && r < w.rows; ++c) {
        poll_interrupt();
        const int32_t p = first_nonzero(w, r, c);
        if (p < 0) continue;
        if (p != r) w.swap_rows(p, r);
        const int32_t inv = inverse(w.at(r, c));
        int32_t* pivot = w.row(r);
        if (reduced) {
            for (int32_t j = c + 1; j < w.cols; ++j) pivot[j] = modmult(pivot[j], inv);
            pivot[c] = 1;
        }
        for (int32_t i = reduced ? 0 : r + 1; i < w.rows; ++i) {
            const int32_t e = w.at(i, c);
            if (i == r || e == 0) continue;
            subtract(w.row(i) + c + 1, pivot + c + 1, w.cols - c - 1, reduced ? e : modmult(e, inv));
            w.at(i, c) = 0;
        }
        ++r;
    }
    return r;
}

// Modulo a prime below 2^26 (kLazyPrime): the entries are kept as 64-bit
// integers congruent to the residues and reduced only when read as a pivot
// candidate, a multiplier or a pivot row, so that the inner loop is a
// plain multiply-subtract (residue_multiply_subtract). An entry moves by
// less than p^2 a pivot; after `budget` pivots every entry is reduced, so
// that none reaches 2^62. The same pivots and the same form as
// eliminate_field.
constexpr int64_t kLazyPrime = int64_t{1} << 26;

int32_t eliminate_lazy(WordRows& w, bool reduced) {
    const int64_t p = modulus, cols = w.cols;
    const int64_t budget = (int64_t{1} << 62) / ((p - 1) * (p - 1) + 1) - 1;
    std::vector<int64_t> a(w.a.begin(), w.a.end());
    std::vector<uint32_t> pivot(static_cast<size_t>(w.cols));
    auto reduce = [&](int64_t& v) -> int64_t {
        v %= p;
        if (v < 0) v += p;
        return v;
    };
    auto at = [&](int32_t r, int32_t c) -> int64_t& { return a[static_cast<size_t>(r * cols + c)]; };
    int32_t r = 0;
    int64_t steps = 0;
    for (int32_t c = 0; c < w.cols && r < w.rows; ++c) {
        poll_interrupt();
        int32_t pr = r;
        while (pr < w.rows && reduce(at(pr, c)) == 0) ++pr;
        if (pr == w.rows) continue;
        if (pr != r) std::swap_ranges(&at(pr, 0), &at(pr, 0) + cols, &at(r, 0));
        if (++steps > budget) {
            for (int64_t& v : a) reduce(v);
            steps = 1;
        }
        const int64_t inv = inverse(static_cast<int32_t>(at(r, c)));
        for (int32_t j = c + 1; j < w.cols; ++j) {
            int64_t& v = at(r, j);
            if (reduced) v = reduce(v) * inv % p;
            pivot[j] = static_cast<uint32_t>(reduce(v));
        }
        if (reduced) at(r, c) = 1;
        for (int32_t i = reduced ? 0 : r + 1; i < w.rows; ++i) {
            if (i == r) continue;
            const int64_t e = reduce(at(i, c));
            if (e == 0) continue;
            const int64_t f = reduced ? e : e * inv % p;
            residue_multiply_subtract(&at(i, c + 1), &pivot[c + 1], w.cols - c - 1, static_cast<uint32_t>(f));
            at(i, c) = 0;
        }
        ++r;
    }
    for (size_t k = 0; k < a.size(); ++k) w.a[k] = static_cast<int32_t>(reduce(a[k]));
    return r;
}

// The row from r on with the least nonzero residue in column c, or -1.
int32_t least_nonzero(WordRows& w, int32_t r, int32_t c) {
    int32_t best = -1;
    for (int32_t i = r; i < w.rows; ++i)
        if (w.at(i, c) != 0 && (best < 0 || w.at(i, c) < w.at(best, c))) best = i;
    return best;
}

// Modulo a composite: each column by remainder steps until the least
// nonzero entry (moved to row r) is the only one from row r down.
int32_t eliminate_composite(WordRows& w) {
    int32_t r = 0;
    for (int32_t c = 0; c < w.cols && r < w.rows; ++c) {
        poll_interrupt();
        bool found = false;
        for (bool cleared = false; !cleared;) {
            const int32_t p = least_nonzero(w, r, c);
            if (p < 0) break;
            found = true;
            if (p != r) w.swap_rows(p, r);
            cleared = true;
            for (int32_t i = r + 1; i < w.rows; ++i) {
                if (w.at(i, c) == 0) continue;
                subtract(w.row(i) + c, w.row(r) + c, w.cols - c, w.at(i, c) / w.at(r, c));
                if (w.at(i, c) != 0) cleared = false;
            }
        }
        if (found) ++r;
    }
    return r;
}

// The form on w, in place; the value is the number of nonzero rows.
int32_t eliminate(WordRows& w, WordForm form) {
    const bool reduced = form == WordForm::Reduced;
    if (!mod_is_prime && !finf) return eliminate_composite(w);
    if (!finf && modulus < kLazyPrime) return eliminate_lazy(w, reduced);
    return eliminate_field(w, reduced);
}

}  // namespace

bool words_suit(const Matrix& m) {
    if (!modularmode || !lintmode) return false;
    if (m.sparse) {
        for (const auto& row : m.srows)
            for (const SparseEntry& s : row)
                if (!quoly_is_number(s.v.get())) return false;
        return true;
    }
    for (const Quoly& q : m.e)
        if (q && !quoly_is_number(q.get())) return false;
    return true;
}

Matrix word_echelon(const Matrix& m, WordForm form, int32_t& rank) {
    if (!mod_is_prime && !finf && form == WordForm::Reduced) internal_stop(" word_echelon");
    WordRows w = words_of(m);
    rank = eliminate(w, form);
    return matrix_of_words(w, m.sparse, m.onedim);
}

namespace {

// Every entry an integer (rational mode); false for a fraction or a poly.
bool integer_entries(const Matrix& m) {
    if (modularmode) return false;
    auto integer = [](const QuolyRec* q) { return quoly_is_number(q); };
    if (m.sparse) {
        for (const auto& row : m.srows)
            for (const SparseEntry& s : row)
                if (!integer(s.v.get())) return false;
        return true;
    }
    for (const Quoly& q : m.e)
        if (q && !integer(q.get())) return false;
    return true;
}

// Bits of the product of the lengths of m's nonzero rows.
double row_length_bits(const Matrix& m) {
    std::vector<std::vector<double>> logs(static_cast<size_t>(m.rows));
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c)
            if (const QuolyRec* q = m.at(r, c); q && !quoly_iszero(q))
                logs[r].push_back(2 * log2_abs(quoly_number(q)));
    double bits = 0;
    for (const auto& row : logs) {
        if (row.empty()) continue;
        const double top = *std::max_element(row.begin(), row.end());
        double sum = 0;
        for (double l : row) sum += std::exp2(l - top);
        bits += (top + std::log2(sum)) / 2;
    }
    return bits;
}

int32_t rank_modulo(const Matrix& m, int32_t p) {
    WordRows w;
    w.rows = m.rows;
    w.cols = m.cols;
    w.a.assign(static_cast<size_t>(m.rows) * m.cols, 0);
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c)
            if (const QuolyRec* q = m.at(r, c)) w.at(r, c) = residue_of(quoly_number(q), p);
    // Interrupts wait for the end of the prime: a command level opened
    // meanwhile would run in the temporary modulus.
    InterruptHold hold;
    TempModulus in_p(p);
    return eliminate(w, WordForm::Echelon);
}

}  // namespace

bool integer_rank(const Matrix& m, int32_t& rank) {
    if (!integer_entries(m)) return false;
    const double bits = row_length_bits(m) + 1;
    const int32_t full = std::min(m.rows, m.cols);
    int32_t best = 0;
    double have = 0;
    for (int32_t p : det_primes()) {
        poll_interrupt();
        best = std::max(best, rank_modulo(m, p));
        have += std::log2(static_cast<double>(p));
        if (best == full || have > bits) {
            rank = best;
            return true;
        }
    }
    return false;
}

bool array_word_echelon(const ArrayRec* a, const char* target, WordForm form, bool columns, int32_t& rank,
                        const char* name) {
    if (!modularmode || !lintmode) return false;
    WordRows w;
    if (!array_words(a, columns, w)) return false;
    if (!mod_is_prime && !finf && (form == WordForm::Reduced || !target)) error(179, name);
    const int32_t rows = a->rows, cols = a->cols();
    rank = eliminate(w, form);
    if (!target) return true;
    ArrayRec* t = array_seek(target);
    if (t->rows != rows || t->cols() != cols) error(242, t->name);
    if (overwrite_numbers(t, w, columns)) return true;
    if (columns) w = transposed(w);
    matrix_to_array(matrix_of_words(w, t->is_sparse(), t->onedim != 0), t);
    return true;
}

}  // namespace tolmex
