// Row reduction on a dense row-major copy of the matrix.
#include "matrix/echelon.h"
#include "matrix/echelon_words.h"

#include <utility>
#include <vector>

#include "base/errors.h"
#include "numbers/modular_state.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

using Rows = std::vector<std::vector<Quoly>>;

Rows rows_of(const Matrix& m) {
    Rows a(static_cast<size_t>(m.rows));
    for (int32_t r = 0; r < m.rows; ++r) {
        a[r].resize(static_cast<size_t>(m.cols));
        for (int32_t c = 0; c < m.cols; ++c) {
            if (const QuolyRec* v = m.at(r, c))
                a[r][c] = quoly_copy(v);
            else
                quoly_set(0, a[r][c]);
        }
    }
    return a;
}

Rows zero_rows(int32_t rows, int32_t cols) {
    Rows a(static_cast<size_t>(rows));
    for (auto& row : a) {
        row.resize(static_cast<size_t>(cols));
        for (Quoly& q : row) quoly_set(0, q);
    }
    return a;
}

Matrix matrix_of(Rows&& a, int32_t rows, int32_t cols, bool sparse) {
    Matrix m = Matrix::zero(rows, cols, sparse);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c)
            if (!quoly_iszero(a[r][c].get())) m.set(r, c, std::move(a[r][c]));
    return m;
}

Matrix matrix_of(Rows&& a, const Matrix& shape) {
    Matrix m = matrix_of(std::move(a), shape.rows, shape.cols, shape.sparse);
    m.onedim = shape.onedim;
    return m;
}

bool integral(const Rows& a) {
    for (const auto& row : a)
        for (const Quoly& q : row)
            if (!quoly_is_number(q.get()) && !quoly_is_poly(q.get())) return false;
    return true;
}

bool all_numbers(const Rows& a) {
    for (const auto& row : a)
        for (const Quoly& q : row)
            if (!quoly_is_number(q.get())) return false;
    return true;
}

// The first row from r on with a nonzero entry in column c, or -1.
int32_t pivot_row(const Rows& a, int32_t r, int32_t c) {
    for (size_t i = static_cast<size_t>(r); i < a.size(); ++i)
        if (!quoly_iszero(a[i][c].get())) return static_cast<int32_t>(i);
    return -1;
}

void set_zero(Quoly& q) { quoly_set(0, q); }

int32_t first_nonzero_column(const std::vector<Quoly>& row) {
    int32_t c = 0;
    while (quoly_iszero(row[c].get())) ++c;
    return c;
}

// Row i := (p row i - a[i][c] row r) / prev on the columns from `from` on
// (after c by default), where p = a[r][c]: every entry stays a minor of
// the original matrix, so the division by the previous pivot is exact.
void bareiss_row(Rows& a, int32_t r, int32_t i, int32_t c, const QuolyRec* prev, int32_t from = -1) {
    const QuolyRec* p = a[r][c].get();
    const QuolyRec* f = a[i][c].get();
    for (size_t j = static_cast<size_t>(from < 0 ? c + 1 : from); j < a[i].size(); ++j) {
        if (j == static_cast<size_t>(c)) continue;
        Quoly x, y;
        quoly_mult(p, a[i][j].get(), x);
        quoly_mult(f, a[r][j].get(), y);
        best_quoly_sub(x, std::move(y));
        if (prev) fast_quoly_quot(x, quoly_copy(prev));
        a[i][j] = std::move(x);
    }
    set_zero(a[i][c]);
}

// Row i -= (a[i][c] / a[r][c]) row r on the columns from c on.
void field_row(Rows& a, int32_t r, int32_t i, int32_t c) {
    if (quoly_iszero(a[i][c].get())) return;
    Quoly f;
    quoly_quot(a[i][c].get(), a[r][c].get(), f);
    for (size_t j = static_cast<size_t>(c) + 1; j < a[i].size(); ++j) {
        if (quoly_iszero(a[r][j].get())) continue;
        Quoly t;
        quoly_mult(f.get(), a[r][j].get(), t);
        best_quoly_sub(a[i][j], std::move(t));
    }
    set_zero(a[i][c]);
}

// Row r := row r / a[r][c], so that it leads with 1.
void normalize_row(Rows& a, int32_t r, int32_t c) {
    Quoly inv = quoly_copy(a[r][c].get());
    for (size_t j = static_cast<size_t>(c) + 1; j < a[r].size(); ++j)
        if (!quoly_iszero(a[r][j].get())) fast_quoly_quot(a[r][j], quoly_copy(inv.get()));
    quoly_set(1, a[r][c]);
}

// FractionFreeReduced also clears the pivot columns above each pivot,
// updating the rows above on every column (row r is zero left of c), so
// that all pivots come to equal the last one, d: the reduced form is the
// result divided by d (reduced_row_echelon).
enum class Mode { FractionFree, FractionFreeReduced, Field, Reduced };

// Reduces a in place; the value is the rank.
int32_t eliminate(Rows& a, int32_t cols, Mode mode) {
    const int32_t rows = static_cast<int32_t>(a.size());
    Quoly prev;
    int32_t r = 0;
    for (int32_t c = 0; c < cols && r < rows; ++c) {
        poll_interrupt();
        const int32_t p = pivot_row(a, r, c);
        if (p < 0) continue;
        if (p != r) std::swap(a[p], a[r]);
        if (mode == Mode::Reduced) normalize_row(a, r, c);
        const bool fraction_free = mode == Mode::FractionFree || mode == Mode::FractionFreeReduced;
        const bool above = mode == Mode::Reduced || mode == Mode::FractionFreeReduced;
        for (int32_t i = above ? 0 : r + 1; i < rows; ++i) {
            if (i == r) continue;
            if (fraction_free)
                bareiss_row(a, r, i, c, prev.get(), i < r ? 0 : -1);
            else
                field_row(a, r, i, c);
        }
        if (fraction_free) prev = quoly_copy(a[r][c].get());
        ++r;
    }
    return r;
}

// Fraction-free over the integral domains Z and R[x]; a matrix of
// residues or field elements, or with fractions, by field pivots.
Mode echelon_mode(const Rows& a) {
    if (!integral(a)) return Mode::Field;
    return modularmode && all_numbers(a) ? Mode::Field : Mode::FractionFree;
}

}  // namespace

void require_field_ground(const char* name) {
    if (modularmode && !mod_is_prime && !finf) error(179, name);
}

namespace {

// True when m goes to the word elimination (error 367 when it is forced
// on entries that are not residues).
bool on_words(const Matrix& m, EchelonPath path, const char* name) {
    if (path == EchelonPath::Quolys) return false;
    const bool suit = words_suit(m);
    if (path == EchelonPath::Words && !suit) error(kErrUnsuitedMethod, name);
    return suit;
}

}  // namespace

int32_t matrix_rank(const Matrix& m, const char* name, EchelonPath path) {
    require_field_ground(name);
    int32_t rank = 0;
    if (path == EchelonPath::Auto && integer_rank(m, rank)) return rank;
    Matrix ignored = row_echelon(m, rank, name, path);
    return rank;
}

Matrix row_echelon(const Matrix& m, int32_t& rank, const char* name, EchelonPath path) {
    if (on_words(m, path, name)) return word_echelon(m, WordForm::Echelon, rank);
    require_field_ground(name);
    Rows a = rows_of(m);
    rank = eliminate(a, m.cols, echelon_mode(a));
    return matrix_of(std::move(a), m);
}

Matrix column_echelon(const Matrix& m, int32_t& rank, const char* name, EchelonPath path) {
    Matrix t = row_echelon(matrix_transpose(m), rank, name, path);
    Matrix back = matrix_transpose(t);
    back.onedim = m.onedim;
    return back;
}

Matrix reduced_row_echelon(const Matrix& m, int32_t& rank, const char* name, EchelonPath path) {
    require_field_ground(name);
    if (on_words(m, path, name)) return word_echelon(m, WordForm::Reduced, rank);
    Rows a = rows_of(m);
    if (echelon_mode(a) == Mode::Field) {
        rank = eliminate(a, m.cols, Mode::Reduced);
        return matrix_of(std::move(a), m);
    }
    // Integers and polys: fraction-free, one division per entry at the end
    // instead of fractions at every step.
    rank = eliminate(a, m.cols, Mode::FractionFreeReduced);
    if (rank > 0) {
        const Quoly d = quoly_copy(a[rank - 1][first_nonzero_column(a[rank - 1])].get());
        for (auto& row : a)
            for (Quoly& q : row)
                if (!quoly_iszero(q.get())) fast_quoly_quot(q, quoly_copy(d.get()));
    }
    return matrix_of(std::move(a), m);
}

FractionFreeLU fraction_free_lu(const Matrix& m, const char* name) {
    require_field_ground(name);
    const int32_t n = m.rows;
    Rows a = rows_of(m), l = zero_rows(n, n);
    FractionFreeLU out;
    for (int32_t i = 0; i < n; ++i) out.perm.push_back(i);
    Quoly prev;
    int32_t r = 0;
    for (int32_t c = 0; c < m.cols && r < n; ++c) {
        poll_interrupt();
        const int32_t p = pivot_row(a, r, c);
        if (p < 0) continue;
        if (p != r) std::swap(a[p], a[r]), std::swap(l[p], l[r]), std::swap(out.perm[p], out.perm[r]);
        l[r][r] = quoly_copy(a[r][c].get());
        for (int32_t i = r + 1; i < n; ++i) {
            l[i][r] = quoly_copy(a[i][c].get());
            bareiss_row(a, r, i, c, prev.get());
        }
        prev = quoly_copy(a[r][c].get());
        ++r;
    }
    for (int32_t k = r; k < n; ++k) quoly_set(1, l[k][k]);
    out.rank = r;
    out.l = matrix_of(std::move(l), n, n, m.sparse);
    out.u = matrix_of(std::move(a), m);
    return out;
}

Matrix compact_lu(const FractionFreeLU& lu) {
    Matrix b = matrix_copy(lu.u);
    for (int32_t i = 0; i < lu.l.rows; ++i)
        for (int32_t k = 0; k < i && k < lu.rank && k < b.cols; ++k)
            if (const QuolyRec* v = lu.l.at(i, k)) b.set(i, k, quoly_copy(v));
    return b;
}

}  // namespace tolmex
