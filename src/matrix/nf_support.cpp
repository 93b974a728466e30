// Integer helpers and row and column operations of the normal forms (see
// nf_support.h).
#include "matrix/nf_support.h"

#include <utility>

#include "base/errors.h"
#include "matrix/determinant.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "quoly/quoly.h"

namespace tolmex::nf {

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

Number neg(const Number& a) {
    Number r;
    makeneg(a, r);
    return r;
}

Number trunc_quot(const Number& a, const Number& b) {
    if (a.sign() == 0) return num(0);
    Number q, r;
    divide(a, b, q, r);
    return q;
}

Number floor_quot(const Number& a, const Number& b) {
    if (a.sign() == 0) return num(0);
    Number q, r;
    divide(a, b, q, r);
    if (r.sign() < 0) q = sub(q, num(1));
    return q;
}

Number floor_mod(const Number& a, const Number& b) {
    if (a.sign() == 0) return num(0);
    Number q, r;
    divide(a, b, q, r);
    if (r.sign() < 0) r = add(r, b);
    return r;
}

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

IntMat zero_mat(int32_t rows, int32_t cols) {
    IntMat m{rows, cols, {}};
    m.e.resize(static_cast<size_t>(rows) * cols);
    for (Number& x : m.e) x = num(0);
    return m;
}

IntMat identity(int32_t n) {
    IntMat m = zero_mat(n, n);
    for (int32_t r = 0; r < n; ++r) m.at(r, r) = num(1);
    return m;
}

IntMat copy_mat(const IntMat& a) {
    IntMat m{a.rows, a.cols, {}};
    m.e.reserve(a.e.size());
    for (const Number& x : a.e) m.e.push_back(copy_of(x));
    return m;
}

IntMat transpose(const IntMat& a) {
    IntMat m{a.cols, a.rows, {}};
    m.e.resize(a.e.size());
    for (int32_t r = 0; r < a.rows; ++r)
        for (int32_t c = 0; c < a.cols; ++c) m.at(c, r) = copy_of(a.at(r, c));
    return m;
}

IntMat from_matrix(const Matrix& a, const char* name) {
    if (modularmode) error(kErrUnsuitedMethod, name);
    IntMat m = zero_mat(a.rows, a.cols);
    for (int32_t r = 0; r < a.rows; ++r)
        for (int32_t c = 0; c < a.cols; ++c) {
            const QuolyRec* v = a.at(r, c);
            if (!v || quoly_iszero(v)) continue;
            if (!quoly_is_number(v)) error(kErrUnsuitedMethod, name);
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

IntMat submatrix(const IntMat& a, const std::vector<int32_t>& rows, const std::vector<int32_t>& cols) {
    IntMat m{static_cast<int32_t>(rows.size()), static_cast<int32_t>(cols.size()), {}};
    m.e.reserve(rows.size() * cols.size());
    for (int32_t r : rows)
        for (int32_t c : cols) m.e.push_back(copy_of(a.at(r, c)));
    return m;
}

bool is_zero(const IntMat& m) {
    for (const Number& x : m.e)
        if (x.sign() != 0) return false;
    return true;
}

void combine_rows(IntMat& m, int32_t i, int32_t j, const Number& p, const Number& q, const Number& s,
                  const Number& t) {
    for (int32_t c = 0; c < m.cols; ++c) {
        Number x = add(mul(p, m.at(i, c)), mul(q, m.at(j, c)));
        Number y = add(mul(s, m.at(i, c)), mul(t, m.at(j, c)));
        m.at(i, c) = std::move(x);
        m.at(j, c) = std::move(y);
    }
}

void sub_row(IntMat& m, int32_t i, int32_t j, const Number& f) {
    if (f.sign() == 0) return;
    for (int32_t c = 0; c < m.cols; ++c)
        if (m.at(j, c).sign() != 0) m.at(i, c) = sub(m.at(i, c), mul(f, m.at(j, c)));
}

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

Matrix matrix_of(const IntMat& a) {
    Matrix m = Matrix::zero(a.rows, a.cols, false);
    for (int32_t r = 0; r < a.rows; ++r)
        for (int32_t c = 0; c < a.cols; ++c)
            if (a.at(r, c).sign() != 0) m.set(r, c, make_numeric(copy_of(a.at(r, c))));
    return m;
}

Number int_det(const IntMat& a) {
    Quoly d;
    mat_invert(matrix_of(a), d, nullptr, "Hermite", DetMethod::IntCrt);
    if (quoly_iszero(d.get())) return num(0);
    return copy_of(quoly_number(d.get()));
}

}  // namespace tolmex::nf
