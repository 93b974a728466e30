#include "matrix/matrix.h"

#include <algorithm>

#include "base/errors.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

bool is_zero_value(const QuolyRec* q) { return !q || quoly_iszero(q); }

}  // namespace

Matrix Matrix::zero(int32_t rows, int32_t cols, bool sparse) {
    Matrix m;
    m.rows = rows;
    m.cols = cols;
    m.sparse = sparse;
    if (sparse)
        m.srows.resize(rows);
    else
        m.e.resize(static_cast<size_t>(rows) * cols);
    return m;
}

const QuolyRec* Matrix::at(int32_t r, int32_t c) const {
    if (!sparse) return e[static_cast<size_t>(c) * rows + r].get();
    const auto& row = srows[r];
    auto it = std::lower_bound(row.begin(), row.end(), c,
                               [](const SparseEntry& s, int32_t col) { return s.col < col; });
    return it != row.end() && it->col == c ? it->v.get() : nullptr;
}

void Matrix::set(int32_t r, int32_t c, Quoly&& v) {
    if (!sparse) {
        e[static_cast<size_t>(c) * rows + r] = std::move(v);
        return;
    }
    auto& row = srows[r];
    auto it = std::lower_bound(row.begin(), row.end(), c,
                               [](const SparseEntry& s, int32_t col) { return s.col < col; });
    const bool zero = is_zero_value(v.get());
    if (it != row.end() && it->col == c) {
        if (zero)
            row.erase(it);
        else
            it->v = std::move(v);
    } else if (!zero) {
        row.insert(it, SparseEntry{c, std::move(v)});
    }
}

int64_t Matrix::count_nonzero() const {
    int64_t n = 0;
    if (sparse) {
        for (const auto& row : srows) n += static_cast<int64_t>(row.size());
        return n;
    }
    for (const Quoly& q : e)
        if (!is_zero_value(q.get())) ++n;
    return n;
}

Matrix matrix_from_array(const ArrayRec* a, int64_t* unassigned) {
    if (a->cols() > INT32_MAX || (!a->is_sparse() && a->size > kMaxStoreEntries)) error(43, a->name);
    Matrix m = Matrix::zero(a->rows, a->cols(), a->is_sparse());
    m.onedim = a->onedim != 0;
    for_each_entry(a, [&](int32_t r, int64_t c, const QuolyRec* v) {
        if (!v) {
            if (unassigned) ++*unassigned;
            return;
        }
        if (m.sparse)
            m.srows[r].push_back({static_cast<int32_t>(c), quoly_copy(v)});
        else
            m.e[static_cast<size_t>(c) * m.rows + r] = quoly_copy(v);
    });
    return m;
}

void matrix_to_array(Matrix&& m, ArrayRec* a) {
    if (m.rows != a->rows || m.cols != a->cols()) error(242, a->name);
    // Everything that can fail (allocation) happens before a is touched.
    if (!a->is_sparse()) {
        if (m.sparse) m = matrix_to_dense(m);
        for (Quoly& q : m.e)
            if (!q) quoly_set(0, q);
        for (int32_t c = 0; c < m.cols; ++c)
            for (int32_t r = 0; r < m.rows; ++r) {
                QuolyRec*& slot = dense_slot(a, r, c);
                QuolyRec* old = slot;
                slot = m.e[static_cast<size_t>(c) * m.rows + r].release();
                free_quoly(old);
            }
        return;
    }
    if (!m.sparse) m = matrix_to_sparse(m);
    clear_array_entries(a);
    for (int32_t r = 0; r < m.rows; ++r)
        for (auto it = m.srows[r].rbegin(); it != m.srows[r].rend(); ++it)
            array_store_entry(a, r, it->col, std::move(it->v));
}

Matrix matrix_copy(const Matrix& m) {
    Matrix r = Matrix::zero(m.rows, m.cols, m.sparse);
    r.onedim = m.onedim;
    if (m.sparse) {
        for (int32_t i = 0; i < m.rows; ++i)
            for (const auto& s : m.srows[i]) r.srows[i].push_back({s.col, quoly_copy(s.v.get())});
        return r;
    }
    for (size_t k = 0; k < m.e.size(); ++k)
        if (m.e[k]) r.e[k] = quoly_copy(m.e[k].get());
    return r;
}

Matrix matrix_to_sparse(const Matrix& m) {
    if (m.sparse) return matrix_copy(m);
    Matrix r = Matrix::zero(m.rows, m.cols, true);
    r.onedim = m.onedim;
    for (int32_t i = 0; i < m.rows; ++i)
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* v = m.at(i, c);
            if (!is_zero_value(v)) r.srows[i].push_back({c, quoly_copy(v)});
        }
    return r;
}

Matrix matrix_to_dense(const Matrix& m) {
    if (!m.sparse) return matrix_copy(m);
    if (static_cast<int64_t>(m.rows) * m.cols > kMaxStoreEntries) error(26, "Sparse");
    Matrix r = Matrix::zero(m.rows, m.cols, false);
    r.onedim = m.onedim;
    for (int32_t i = 0; i < m.rows; ++i)
        for (const auto& s : m.srows[i]) r.e[static_cast<size_t>(s.col) * m.rows + i] = quoly_copy(s.v.get());
    return r;
}

// ---------------------------------------------------------------------------
// Sums

namespace {

Quoly add_values(const QuolyRec* x, const QuolyRec* y, bool subtract) {
    Quoly r;
    if (!x && !y) return r;
    if (!y) return quoly_copy(x);
    if (!x) {
        r = quoly_copy(y);
        if (subtract) quoly_inplace(r.get());
        return r;
    }
    if (subtract)
        quoly_sub(x, y, r);
    else
        quoly_add(x, y, r);
    return r;
}

void merge_rows(const std::vector<SparseEntry>& x, const std::vector<SparseEntry>& y, bool subtract,
                std::vector<SparseEntry>& out) {
    size_t i = 0, j = 0;
    while (i < x.size() || j < y.size()) {
        int32_t c;
        const QuolyRec *u = nullptr, *v = nullptr;
        if (j == y.size() || (i < x.size() && x[i].col < y[j].col)) {
            c = x[i].col;
            u = x[i++].v.get();
        } else if (i == x.size() || y[j].col < x[i].col) {
            c = y[j].col;
            v = y[j++].v.get();
        } else {
            c = x[i].col;
            u = x[i++].v.get();
            v = y[j++].v.get();
        }
        Quoly s = add_values(u, v, subtract);
        if (!is_zero_value(s.get())) out.push_back({c, std::move(s)});
    }
}

}  // namespace

Matrix matrix_add(const Matrix& a, const Matrix& b, bool subtract) {
    if (a.rows != b.rows || a.cols != b.cols) error(242, subtract ? "-" : "+");
    if (a.sparse && b.sparse) {
        Matrix r = Matrix::zero(a.rows, a.cols, true);
        r.onedim = a.onedim;
        for (int32_t i = 0; i < a.rows; ++i) {
            poll_interrupt();
            merge_rows(a.srows[i], b.srows[i], subtract, r.srows[i]);
        }
        return r;
    }
    Matrix r = Matrix::zero(a.rows, a.cols, false);
    r.onedim = a.onedim;
    for (int32_t c = 0; c < a.cols; ++c) {
        poll_interrupt();
        for (int32_t i = 0; i < a.rows; ++i) r.e[static_cast<size_t>(c) * a.rows + i] = add_values(a.at(i, c), b.at(i, c), subtract);
    }
    return r;
}

// ---------------------------------------------------------------------------
// Scalars

void matrix_scale(Matrix& m, const QuolyRec* s, bool left) {
    auto scale = [&](Quoly& q) {
        if (!q) return;
        Quoly r;
        if (left)
            quoly_mult(s, q.get(), r);
        else
            quoly_mult(q.get(), s, r);
        q = std::move(r);
    };
    if (!m.sparse) {
        for (Quoly& q : m.e) scale(q);
        return;
    }
    for (auto& row : m.srows) {
        for (auto& x : row) scale(x.v);
        std::erase_if(row, [](const SparseEntry& x) { return is_zero_value(x.v.get()); });
    }
}

void matrix_entrywise(Matrix& m, const QuolyRec* s, char op) {
    auto apply = [&](Quoly& q) {
        if (!q) return;
        Quoly r;
        if (op == '/')
            quoly_quot(q.get(), s, r);
        else
            quoly_mod_or_div(q.get(), s, r, op);
        q = std::move(r);
    };
    if (!m.sparse) {
        for (Quoly& q : m.e) apply(q);
        return;
    }
    for (auto& row : m.srows) {
        for (auto& x : row) apply(x.v);
        std::erase_if(row, [](const SparseEntry& x) { return is_zero_value(x.v.get()); });
    }
}

void matrix_reduce(Matrix& m, const QuolyRec* q) { matrix_entrywise(m, q, '|'); }

void matrix_negate(Matrix& m) {
    if (!m.sparse) {
        for (Quoly& q : m.e)
            if (q) quoly_inplace(q.get());
        return;
    }
    for (auto& row : m.srows)
        for (auto& x : row) quoly_inplace(x.v.get());
}

Matrix matrix_identity(int32_t n, bool sparse) {
    Matrix m = Matrix::zero(n, n, sparse);
    for (int32_t i = 0; i < n; ++i) {
        Quoly one;
        quoly_set(1, one);
        m.set(i, i, std::move(one));
    }
    return m;
}

// ---------------------------------------------------------------------------
// Shapes

Matrix matrix_transpose(const Matrix& m) {
    Matrix r = Matrix::zero(m.cols, m.rows, m.sparse);
    if (m.sparse) {
        for (int32_t i = 0; i < m.rows; ++i)
            for (const auto& s : m.srows[i]) r.srows[s.col].push_back({i, quoly_copy(s.v.get())});
        return r;
    }
    for (int32_t c = 0; c < m.cols; ++c)
        for (int32_t i = 0; i < m.rows; ++i)
            if (const QuolyRec* v = m.at(i, c)) r.e[static_cast<size_t>(i) * r.rows + c] = quoly_copy(v);
    return r;
}

Matrix matrix_join(const Matrix& a, const Matrix& b) {
    if (a.onedim && b.onedim) {
        Matrix r = Matrix::zero(a.rows + b.rows, 1, a.sparse && b.sparse);
        r.onedim = true;
        for (int32_t i = 0; i < a.rows; ++i)
            if (const QuolyRec* v = a.at(i, 0)) r.set(i, 0, quoly_copy(v));
        for (int32_t i = 0; i < b.rows; ++i)
            if (const QuolyRec* v = b.at(i, 0)) r.set(a.rows + i, 0, quoly_copy(v));
        return r;
    }
    if (a.rows != b.rows) error(242, "_");
    if (static_cast<int64_t>(a.cols) + b.cols > INT32_MAX) error(43, "_");
    Matrix r = Matrix::zero(a.rows, a.cols + b.cols, a.sparse && b.sparse);
    for (int32_t i = 0; i < a.rows; ++i) {
        for (int32_t c = 0; c < a.cols; ++c)
            if (const QuolyRec* v = a.at(i, c)) r.set(i, c, quoly_copy(v));
        for (int32_t c = 0; c < b.cols; ++c)
            if (const QuolyRec* v = b.at(i, c)) r.set(i, a.cols + c, quoly_copy(v));
    }
    return r;
}

Matrix matrix_diag(const Matrix& m) {
    if (m.cols == 1 || m.rows == 1) {
        const int32_t n = m.cols == 1 ? m.rows : m.cols;
        Matrix r = Matrix::zero(n, n, m.sparse);
        for (int32_t i = 0; i < n; ++i) {
            const QuolyRec* v = m.cols == 1 ? m.at(i, 0) : m.at(0, i);
            if (v) r.set(i, i, quoly_copy(v));
        }
        return r;
    }
    const int32_t n = std::min(m.rows, m.cols);
    Matrix r = Matrix::zero(n, 1, m.sparse);
    r.onedim = true;
    for (int32_t i = 0; i < n; ++i)
        if (const QuolyRec* v = m.at(i, i)) r.set(i, 0, quoly_copy(v));
    return r;
}

Matrix matrix_part(const Matrix& m, int32_t lo_r, int32_t hi_r, int32_t lo_c, int32_t hi_c) {
    Matrix r = Matrix::zero(hi_r - lo_r + 1, hi_c - lo_c + 1, m.sparse);
    r.onedim = m.onedim && lo_c == hi_c;
    for (int32_t i = lo_r; i <= hi_r; ++i)
        for (int32_t c = lo_c; c <= hi_c; ++c)
            if (const QuolyRec* v = m.at(i, c)) r.set(i - lo_r, c - lo_c, quoly_copy(v));
    return r;
}

bool matrix_equal(const Matrix& a, const Matrix& b) {
    if (a.rows != b.rows || a.cols != b.cols) return false;
    for (int32_t i = 0; i < a.rows; ++i)
        for (int32_t c = 0; c < a.cols; ++c) {
            const QuolyRec *u = a.at(i, c), *v = b.at(i, c);
            const bool zu = is_zero_value(u), zv = is_zero_value(v);
            if (zu || zv) {
                if (zu != zv) return false;
                continue;
            }
            if (!quoly_equal(u, v)) return false;
        }
    return true;
}

bool matrix_is_zero(const Matrix& m) { return m.count_nonzero() == 0; }

// ---------------------------------------------------------------------------
// Powers

Matrix matrix_power(const Matrix& m, int64_t n, bool alt, const QuolyRec* modulus) {
    if (!m.square()) error(313, "^");
    auto reduce = [&](Matrix& x) {
        if (modulus) matrix_reduce(x, modulus);
    };
    Matrix result = matrix_identity(m.rows, m.sparse);
    if (n == 0) return result;
    if (alt) {
        result = matrix_copy(m);
        reduce(result);
        for (int64_t k = 1; k < n; ++k) {
            poll_interrupt();
            result = matrix_mult(result, m);
            reduce(result);
        }
        return result;
    }
    Matrix base = matrix_copy(m);
    reduce(base);
    bool have = false;
    for (;;) {
        if (n & 1) {
            result = have ? matrix_mult(result, base) : matrix_copy(base);
            reduce(result);
            have = true;
        }
        n >>= 1;
        if (!n) break;
        base = matrix_mult(base, base);
        reduce(base);
    }
    return result;
}

}  // namespace tolmex
