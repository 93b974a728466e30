// Hermite and Smith normal forms of integer matrices by extended-gcd row
// and column operations (see normal_forms.h).
#include "matrix/normal_forms.h"

#include <utility>
#include <vector>

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "quoly/quoly.h"

namespace tolmex {

namespace {

Number num(int64_t v) { return number_from_int64(v); }

Number copy_of(const Number& x) {
    Number r;
    num_assign(x, r);
    return r;
}

Number add(const Number& a, const Number& b) {
    Number r;
    summ(a, b, r);
    return r;
}

Number sub(const Number& a, const Number& b) {
    Number r;
    diff(a, b, r);
    return r;
}

Number mul(const Number& a, const Number& b) {
    Number r;
    if (a.sign() == 0 || b.sign() == 0) return num(0);
    fast_mult(a, b, r);
    return r;
}

// a / b rounded toward zero (b nonzero).
Number trunc_quot(const Number& a, const Number& b) {
    if (a.sign() == 0) return num(0);
    Number q, r;
    divide(a, b, q, r);
    return q;
}

// floor(a / b) for b > 0.
Number floor_quot(const Number& a, const Number& b) {
    if (a.sign() == 0) return num(0);
    Number q, r;
    divide(a, b, q, r);
    if (r.sign() < 0) q = sub(q, num(1));
    return q;
}

Number neg(const Number& a) {
    Number r;
    makeneg(a, r);
    return r;
}

// Dense integer rows, row by row; the transforms ride along with it.
struct IntMat {
    int32_t rows = 0, cols = 0;
    std::vector<Number> e;
    Number& at(int32_t r, int32_t c) { return e[static_cast<size_t>(r) * cols + c]; }
};

IntMat identity(int32_t n) {
    IntMat m{n, n, {}};
    m.e.resize(static_cast<size_t>(n) * n);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) m.at(r, c) = num(r == c ? 1 : 0);
    return m;
}

IntMat from_matrix(const Matrix& a, const char* name) {
    if (modularmode) error(367, name);
    IntMat m{a.rows, a.cols, {}};
    m.e.resize(static_cast<size_t>(a.rows) * a.cols);
    for (int32_t r = 0; r < a.rows; ++r)
        for (int32_t c = 0; c < a.cols; ++c) {
            const QuolyRec* v = a.at(r, c);
            if (!v || quoly_iszero(v)) {
                m.at(r, c) = num(0);
                continue;
            }
            if (!quoly_is_number(v)) error(367, name);
            m.at(r, c) = copy_of(quoly_number(v));
        }
    return m;
}

Matrix to_matrix(IntMat& m) {
    Matrix out = Matrix::zero(m.rows, m.cols, false);
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c) out.set(r, c, make_numeric(std::move(m.at(r, c))));
    return out;
}

// Rows i and j of m := (p, q; s, t) applied to them (p t - q s = +-1).
void combine_rows(IntMat& m, int32_t i, int32_t j, const Number& p, const Number& q, const Number& s,
                  const Number& t) {
    for (int32_t c = 0; c < m.cols; ++c) {
        Number x = add(mul(p, m.at(i, c)), mul(q, m.at(j, c)));
        Number y = add(mul(s, m.at(i, c)), mul(t, m.at(j, c)));
        m.at(i, c) = std::move(x);
        m.at(j, c) = std::move(y);
    }
}

// Row i -= f * row j.
void sub_row(IntMat& m, int32_t i, int32_t j, const Number& f) {
    if (f.sign() == 0) return;
    for (int32_t c = 0; c < m.cols; ++c)
        if (m.at(j, c).sign() != 0) m.at(i, c) = sub(m.at(i, c), mul(f, m.at(j, c)));
}

// Column i -= f * column j.
void sub_col(IntMat& m, int32_t i, int32_t j, const Number& f) {
    if (f.sign() == 0) return;
    for (int32_t r = 0; r < m.rows; ++r)
        if (m.at(r, j).sign() != 0) m.at(r, i) = sub(m.at(r, i), mul(f, m.at(r, j)));
}

void swap_rows(IntMat& m, int32_t i, int32_t j) {
    if (i == j) return;
    for (int32_t c = 0; c < m.cols; ++c) m.at(i, c).swap(m.at(j, c));
}

void swap_cols(IntMat& m, int32_t i, int32_t j) {
    if (i == j) return;
    for (int32_t r = 0; r < m.rows; ++r) m.at(r, i).swap(m.at(r, j));
}

void negate_row(IntMat& m, int32_t i) {
    for (int32_t c = 0; c < m.cols; ++c)
        if (m.at(i, c).sign() != 0) m.at(i, c) = neg(m.at(i, c));
}

// g = s a + t b, g = gcd(a, b) >= 0, by the Euclidean remainders.
void extended_gcd(const Number& a, const Number& b, Number& g, Number& s, Number& t) {
    Number r0 = copy_of(a), r1 = copy_of(b);
    Number s0 = num(1), s1 = num(0), t0 = num(0), t1 = num(1);
    while (r1.sign() != 0) {
        Number q = trunc_quot(r0, r1);
        Number r2 = sub(r0, mul(q, r1));
        Number s2 = sub(s0, mul(q, s1));
        Number t2 = sub(t0, mul(q, t1));
        r0 = std::move(r1), r1 = std::move(r2);
        s0 = std::move(s1), s1 = std::move(s2);
        t0 = std::move(t1), t1 = std::move(t2);
    }
    if (r0.sign() < 0) r0 = neg(r0), s0 = neg(s0), t0 = neg(t0);
    g = std::move(r0), s = std::move(s0), t = std::move(t0);
}

// Row k takes the gcd of column c over rows k.. ; the rows below get 0
// there. False when the column is zero from row k down.
bool gather_pivot(IntMat& a, IntMat* u, int32_t k, int32_t c) {
    bool found = false;
    for (int32_t i = k; i < a.rows; ++i) {
        if (a.at(i, c).sign() == 0) continue;
        found = true;
        if (i == k) continue;
        Number g, s, t;
        extended_gcd(a.at(k, c), a.at(i, c), g, s, t);
        Number p = trunc_quot(a.at(k, c), g), q = trunc_quot(a.at(i, c), g);
        Number mq = neg(q);
        // (s, t; -q, p) has determinant s p + t q = 1.
        combine_rows(a, k, i, s, t, mq, p);
        if (u) combine_rows(*u, k, i, s, t, mq, p);
    }
    return found;
}

}  // namespace

int32_t hermite_form(const Matrix& in, Matrix& h, Matrix* u, const char* name) {
    IntMat a = from_matrix(in, name);
    IntMat tu = identity(a.rows);
    IntMat* pu = u ? &tu : nullptr;
    int32_t k = 0;
    for (int32_t c = 0; c < a.cols && k < a.rows; ++c) {
        if (!gather_pivot(a, pu, k, c)) continue;
        if (a.at(k, c).sign() < 0) {
            negate_row(a, k);
            if (pu) negate_row(tu, k);
        }
        // The entries above the new pivot into 0 .. pivot - 1.
        for (int32_t i = 0; i < k; ++i) {
            Number f = floor_quot(a.at(i, c), a.at(k, c));
            sub_row(a, i, k, f);
            if (pu) sub_row(tu, i, k, f);
        }
        ++k;
    }
    h = to_matrix(a);
    if (u) *u = to_matrix(tu);
    return k;
}

namespace {

struct SmithWork {
    IntMat a, u, v;
    bool want_u, want_v;
};

void rows_swap(SmithWork& w, int32_t i, int32_t j) {
    swap_rows(w.a, i, j);
    if (w.want_u) swap_rows(w.u, i, j);
}

void cols_swap(SmithWork& w, int32_t i, int32_t j) {
    swap_cols(w.a, i, j);
    if (w.want_v) swap_cols(w.v, i, j);
}

// Moves the nonzero entry of least size in row k and column k (from k on)
// to (k, k), or when both are zero any nonzero entry of the rest; false
// when the rest is zero.
bool smallest_to_corner(SmithWork& w, int32_t k) {
    int32_t br = -1, bc = -1;
    auto consider = [&](int32_t r, int32_t c) {
        const Number& x = w.a.at(r, c);
        if (x.sign() == 0) return;
        if (br < 0 || compare_abs(x, w.a.at(br, bc)) < 0) br = r, bc = c;
    };
    for (int32_t r = k; r < w.a.rows; ++r) consider(r, k);
    for (int32_t c = k + 1; c < w.a.cols; ++c) consider(k, c);
    // Row and column k are zero: any nonzero entry left will do.
    for (int32_t r = k + 1; r < w.a.rows && br < 0; ++r)
        for (int32_t c = k + 1; c < w.a.cols && br < 0; ++c) consider(r, c);
    if (br < 0) return false;
    rows_swap(w, k, br);
    cols_swap(w, k, bc);
    return true;
}

// Subtracts multiples of row and column k from the others; true when row
// and column k are then zero apart from the corner.
bool clear_cross(SmithWork& w, int32_t k) {
    bool clean = true;
    const Number& p = w.a.at(k, k);
    for (int32_t r = k + 1; r < w.a.rows; ++r) {
        Number f = trunc_quot(w.a.at(r, k), p);
        sub_row(w.a, r, k, f);
        if (w.want_u) sub_row(w.u, r, k, f);
        if (w.a.at(r, k).sign() != 0) clean = false;
    }
    for (int32_t c = k + 1; c < w.a.cols; ++c) {
        Number f = trunc_quot(w.a.at(k, c), p);
        sub_col(w.a, c, k, f);
        if (w.want_v) sub_col(w.v, c, k, f);
        if (w.a.at(k, c).sign() != 0) clean = false;
    }
    return clean;
}

// A row below k with an entry the corner does not divide, or -1.
int32_t undivided_row(SmithWork& w, int32_t k) {
    const Number& p = w.a.at(k, k);
    for (int32_t r = k + 1; r < w.a.rows; ++r)
        for (int32_t c = k + 1; c < w.a.cols; ++c) {
            const Number& x = w.a.at(r, c);
            if (x.sign() == 0) continue;
            Number q, rem;
            divide(x, p, q, rem);
            if (rem.sign() != 0) return r;
        }
    return -1;
}

// One diagonal entry at (k, k); false when the rest is zero. The corner
// strictly shrinks each time round, so the loop ends.
bool smith_step(SmithWork& w, int32_t k) {
    for (;;) {
        if (!smallest_to_corner(w, k)) return false;
        if (!clear_cross(w, k)) continue;
        const int32_t r = undivided_row(w, k);
        if (r < 0) break;
        sub_row(w.a, k, r, num(-1));
        if (w.want_u) sub_row(w.u, k, r, num(-1));
    }
    if (w.a.at(k, k).sign() < 0) {
        negate_row(w.a, k);
        if (w.want_u) negate_row(w.u, k);
    }
    return true;
}

}  // namespace

int32_t smith_form(const Matrix& in, Matrix& s, Matrix* u, Matrix* v, const char* name) {
    SmithWork w{from_matrix(in, name), {}, {}, u != nullptr, v != nullptr};
    if (w.want_u) w.u = identity(w.a.rows);
    if (w.want_v) w.v = identity(w.a.cols);
    int32_t k = 0;
    while (k < w.a.rows && k < w.a.cols && smith_step(w, k)) ++k;
    s = to_matrix(w.a);
    if (u) *u = to_matrix(w.u);
    if (v) *v = to_matrix(w.v);
    return k;
}

int32_t normalize_rows(const Matrix& in, Matrix& out, const char* name) {
    IntMat a = from_matrix(in, name);
    int32_t nonzero = 0;
    for (int32_t r = 0; r < a.rows; ++r) {
        Number g = num(0);
        int first = 0;
        for (int32_t c = 0; c < a.cols; ++c) {
            const Number& x = a.at(r, c);
            if (x.sign() == 0) continue;
            if (first == 0) first = x.sign();
            if (g.sign() == 0) {
                abs_val_num(x, g);
                continue;
            }
            Number h;
            binary_gcd(g, x, h);
            g = std::move(h);
        }
        if (first == 0) continue;
        ++nonzero;
        if (first < 0) g = neg(g);
        for (int32_t c = 0; c < a.cols; ++c) a.at(r, c) = trunc_quot(a.at(r, c), g);
    }
    out = to_matrix(a);
    return nonzero;
}

}  // namespace tolmex
