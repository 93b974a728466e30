// Hermite and Smith normal forms of integer matrices: the exact methods
// (extended-gcd row and column operations on exact integers), the choice
// between them and the modular ones (hermite.cpp, smith.cpp), and Normalize.
#include "matrix/normal_forms.h"

#include <utility>
#include <vector>

#include "base/errors.h"
#include "matrix/nf_support.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"

namespace tolmex {

namespace nf {

namespace {

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

int32_t hermite_exact(IntMat& a, IntMat* pu) {
    if (pu) *pu = identity(a.rows);
    int32_t k = 0;
    for (int32_t c = 0; c < a.cols && k < a.rows; ++c) {
        if (!gather_pivot(a, pu, k, c)) continue;
        if (a.at(k, c).sign() < 0) {
            negate_row(a, k);
            if (pu) negate_row(*pu, k);
        }
        // The entries above the new pivot into 0 .. pivot - 1.
        for (int32_t i = 0; i < k; ++i) {
            Number f = floor_quot(a.at(i, c), a.at(k, c));
            sub_row(a, i, k, f);
            if (pu) sub_row(*pu, i, k, f);
        }
        ++k;
        poll_interrupt();
    }
    return k;
}

namespace {

struct SmithWork {
    IntMat a, u, v;
    bool want_u, want_v;
    const Number* mod = nullptr;  // entries kept symmetric modulo it
};

Number symmetric_mod(const Number& x, const Number& d) {
    Number r = floor_mod(x, d);
    if (compare(add(r, r), d) > 0) r = sub(r, d);
    return r;
}

// Row i -= f row j, then row i reduced modulo w.mod.
void row_sub(SmithWork& w, int32_t i, int32_t j, const Number& f) {
    sub_row(w.a, i, j, f);
    if (w.want_u) sub_row(w.u, i, j, f);
    if (w.mod)
        for (int32_t c = 0; c < w.a.cols; ++c) w.a.at(i, c) = symmetric_mod(w.a.at(i, c), *w.mod);
}

void col_sub(SmithWork& w, int32_t i, int32_t j, const Number& f) {
    sub_col(w.a, i, j, f);
    if (w.want_v) sub_col(w.v, i, j, f);
    if (w.mod)
        for (int32_t r = 0; r < w.a.rows; ++r) w.a.at(r, i) = symmetric_mod(w.a.at(r, i), *w.mod);
}

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
        row_sub(w, r, k, f);
        if (w.a.at(r, k).sign() != 0) clean = false;
    }
    for (int32_t c = k + 1; c < w.a.cols; ++c) {
        Number f = trunc_quot(w.a.at(k, c), p);
        col_sub(w, c, k, f);
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
        row_sub(w, k, r, num(-1));
    }
    if (w.a.at(k, k).sign() < 0) {
        negate_row(w.a, k);
        if (w.want_u) negate_row(w.u, k);
    }
    return true;
}

}  // namespace

int32_t smith_exact(IntMat& a, IntMat* u, IntMat* v) {
    SmithWork w{std::move(a), {}, {}, u != nullptr, v != nullptr};
    if (w.want_u) w.u = identity(w.a.rows);
    if (w.want_v) w.v = identity(w.a.cols);
    int32_t k = 0;
    while (k < w.a.rows && k < w.a.cols && smith_step(w, k)) {
        ++k;
        poll_interrupt();
    }
    a = std::move(w.a);
    if (u) *u = std::move(w.u);
    if (v) *v = std::move(w.v);
    return k;
}

// The form of (a | I) has the rows (y a, y) for y running over a
// unimodular matrix, so its left block is a's form and its right block a
// transform: a := its form, u := the transform; the value is the rank.
int32_t hermite_with_transform(IntMat& a, IntMat& u, bool plain) {
    IntMat aug = zero_mat(a.rows, a.cols + a.rows);
    for (int32_t r = 0; r < a.rows; ++r) {
        for (int32_t c = 0; c < a.cols; ++c) aug.at(r, c) = std::move(a.at(r, c));
        aug.at(r, a.cols + r) = num(1);
    }
    hermite_modular(aug, plain);
    u = zero_mat(a.rows, a.rows);
    int32_t rank = 0;
    for (int32_t r = 0; r < a.rows; ++r) {
        for (int32_t c = 0; c < a.cols; ++c) {
            a.at(r, c) = std::move(aug.at(r, c));
            if (a.at(r, c).sign() != 0 && rank == r) rank = r + 1;
        }
        for (int32_t c = 0; c < a.rows; ++c) u.at(r, c) = std::move(aug.at(r, a.cols + c));
    }
    return rank;
}

int32_t smith_mod_d(IntMat& a, const Number& d) {
    SmithWork w{std::move(a), {}, {}, false, false, &d};
    for (Number& x : w.a.e) x = symmetric_mod(x, d);
    int32_t k = 0;
    while (k < w.a.rows && k < w.a.cols && smith_step(w, k)) {
        ++k;
        poll_interrupt();
    }
    a = std::move(w.a);
    return k;
}

}  // namespace nf

using namespace nf;

int32_t hermite_form(const Matrix& in, Matrix& h, Matrix* u, const char* name, NormalFormMethod method) {
    IntMat a = from_matrix(in, name);
    IntMat tu;
    int32_t rank = 0;
    if (method == NormalFormMethod::Exact) {
        rank = hermite_exact(a, u ? &tu : nullptr);
    } else if (u) {
        rank = hermite_with_transform(a, tu, method == NormalFormMethod::ModularPlain);
    } else {
        rank = hermite_modular(a, method == NormalFormMethod::ModularPlain);
    }
    h = to_matrix(a);
    if (u) *u = to_matrix(tu);
    return rank;
}

int32_t smith_form(const Matrix& in, Matrix& s, Matrix* u, Matrix* v, const char* name, NormalFormMethod method) {
    IntMat a = from_matrix(in, name);
    IntMat tu, tv;
    int32_t rank = 0;
    const bool plain = method == NormalFormMethod::ModularPlain;
    if (method == NormalFormMethod::Exact)
        rank = smith_exact(a, u ? &tu : nullptr, v ? &tv : nullptr);
    else if (u || v)
        rank = smith_with_transforms(a, tu, tv, plain);
    else
        rank = smith_modular(a, plain);
    s = to_matrix(a);
    if (u) *u = to_matrix(tu);
    if (v) *v = to_matrix(tv);
    return rank;
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
