// Echelon rows of the Hermite form: adding a row, the reduction above the
// pivots, and the modular route as a whole (the profile, the form on the
// profile's columns, the other columns by one rational solve, checked).
#include <numeric>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "matrix/determinant.h"
#include "matrix/nf_support.h"
#include "numbers/mul_div.h"
#include "quoly/quoly.h"

namespace tolmex::nf {

namespace {

// v -= f h in the columns from `from` on.
void sub_vec(std::vector<Number>& v, const std::vector<Number>& h, const Number& f, int32_t from) {
    if (f.sign() == 0) return;
    for (size_t c = from; c < v.size(); ++c)
        if (h[c].sign() != 0) v[c] = sub(v[c], mul(f, h[c]));
}

// The first nonzero column of v from `from` on (v.size() when none).
int32_t leading(const std::vector<Number>& v, int32_t from) {
    while (static_cast<size_t>(from) < v.size() && v[from].sign() == 0) ++from;
    return from;
}

Number pivot_product(const Echelon& e) {
    Number d = num(1);
    for (size_t i = 0; i < e.rows.size(); ++i) d = mul(d, e.rows[i][e.piv[i]]);
    return d;
}

void reduce_mod(std::vector<Number>& v, const Number& d) {
    for (Number& x : v)
        if (x.sign() != 0) x = floor_mod(x, d);
}

// Rows h and v, both with their leading entry in column j, := the
// unimodular combination that leaves the gcd in h and 0 in v.
void gcd_combine(std::vector<Number>& h, std::vector<Number>& v, int32_t j) {
    Number g, s, t;
    extended_gcd(h[j], v[j], g, s, t);
    const Number p = trunc_quot(h[j], g), q = trunc_quot(v[j], g);
    for (size_t c = j; c < v.size(); ++c) {
        Number x = add(mul(s, h[c]), mul(t, v[c]));
        Number y = sub(mul(p, v[c]), mul(q, h[c]));
        h[c] = std::move(x);
        v[c] = std::move(y);
    }
}

}  // namespace

void reduce_row(Echelon& e, size_t i) {
    for (size_t k = i + 1; k < e.rows.size(); ++k) {
        const int32_t c = e.piv[k];
        sub_vec(e.rows[i], e.rows[k], floor_quot(e.rows[i][c], e.rows[k][c]), c);
    }
}

void reduce_all(Echelon& e) {
    for (size_t k = 1; k < e.rows.size(); ++k) {
        poll_interrupt();
        const int32_t c = e.piv[k];
        for (size_t i = 0; i < k; ++i) sub_vec(e.rows[i], e.rows[k], floor_quot(e.rows[i][c], e.rows[k][c]), c);
    }
}

void add_row(Echelon& e, std::vector<Number> v) {
    poll_interrupt();
    Number d;
    if (e.rows.size() == static_cast<size_t>(e.cols)) {
        d = pivot_product(e);
        reduce_mod(v, d);
    }
    size_t i = 0;
    for (int32_t j = leading(v, 0); j < e.cols; j = leading(v, j)) {
        while (i < e.rows.size() && e.piv[i] < j) ++i;
        if (i == e.rows.size() || e.piv[i] > j) {
            if (v[j].sign() < 0)
                for (Number& x : v) x = neg(x);
            e.rows.insert(e.rows.begin() + static_cast<ptrdiff_t>(i), std::move(v));
            e.piv.insert(e.piv.begin() + static_cast<ptrdiff_t>(i), j);
            return;
        }
        std::vector<Number>& h = e.rows[i];
        Number q, rem;
        divide(v[j], h[j], q, rem);
        if (rem.sign() == 0) {
            sub_vec(v, h, q, j);
        } else {
            gcd_combine(h, v, j);
            reduce_row(e, i);
            if (d) d = pivot_product(e);
        }
        if (d) reduce_mod(v, d);
    }
}

namespace {

Matrix matrix_of(const std::vector<std::vector<Number>>& rows, int32_t cols) {
    Matrix m = Matrix::zero(static_cast<int32_t>(rows.size()), cols, false);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int32_t c = 0; c < cols; ++c)
            if (rows[r][c].sign() != 0) m.set(static_cast<int32_t>(r), c, make_numeric(copy_of(rows[r][c])));
    return m;
}

// The rows of m as integers; false when an entry is not an integer.
bool integer_rows(const Matrix& m, std::vector<std::vector<Number>>& rows) {
    rows.clear();
    rows.resize(m.rows);
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* v = m.at(r, c);
            if (v && !quoly_iszero(v) && !quoly_is_number(v)) return false;
            rows[r].push_back(v && !quoly_iszero(v) ? copy_of(quoly_number(v)) : num(0));
        }
    return true;
}

// Every row of a reduces to 0 against e (integer quotients at the pivots):
// a's rows lie in the lattice of e's rows.
bool spans(const Echelon& e, const IntMat& a) {
    for (int32_t r = 0; r < a.rows; ++r) {
        poll_interrupt();
        std::vector<Number> v;
        for (int32_t c = 0; c < a.cols; ++c) v.push_back(copy_of(a.at(r, c)));
        for (size_t i = 0; i < e.rows.size(); ++i) {
            Number q, rem;
            divide(v[e.piv[i]], e.rows[i][e.piv[i]], q, rem);
            if (rem.sign() != 0) return false;
            sub_vec(v, e.rows[i], q, e.piv[i]);
        }
        if (leading(v, 0) != a.cols) return false;
    }
    return true;
}

// The form on the profile's columns extended to all columns: the rows
// H_C B^-1 A_P, B the profile's minor and A_P its rows. Accepted only
// when integral, in echelon form on the profile's columns, and spanning
// every row of a (which also proves the rank); with as many profile rows
// as a has rows the rank needs no proof and the rows of a are spanned.
bool lift(const IntMat& a, const Profile& pr, const Echelon& ec, Echelon& out) {
    std::vector<bool> in_profile(a.cols, false);
    for (int32_t c : pr.cols) in_profile[c] = true;
    std::vector<int32_t> other;
    for (int32_t c = 0; c < a.cols; ++c)
        if (!in_profile[c]) other.push_back(c);
    Quoly det;
    Matrix binv;
    mat_invert(matrix_of(submatrix(a, pr.rows, pr.cols)), det, &binv, "Hermite");
    const Matrix x = matrix_mult(matrix_of(ec.rows, ec.cols), binv);
    std::vector<std::vector<Number>> rest;
    if (!integer_rows(matrix_mult(x, matrix_of(submatrix(a, pr.rows, other))), rest)) return false;
    out = Echelon{a.cols, {}, pr.cols};
    for (size_t i = 0; i < ec.rows.size(); ++i) {
        std::vector<Number> row(a.cols);
        for (size_t k = 0; k < pr.cols.size(); ++k) row[pr.cols[k]] = copy_of(ec.rows[i][k]);
        for (size_t j = 0; j < other.size(); ++j) row[other[j]] = std::move(rest[i][j]);
        if (leading(row, 0) != pr.cols[i]) return false;
        out.rows.push_back(std::move(row));
    }
    return pr.rows.size() == static_cast<size_t>(a.rows) || spans(out, a);
}

void write_rows(IntMat& a, const Echelon& e) {
    IntMat h = zero_mat(a.rows, a.cols);
    for (size_t r = 0; r < e.rows.size(); ++r)
        for (int32_t c = 0; c < a.cols; ++c) h.at(static_cast<int32_t>(r), c) = copy_of(e.rows[r][c]);
    a = std::move(h);
}

}  // namespace

int32_t hermite_modular(IntMat& a, bool plain) {
    if (is_zero(a)) return 0;
    const Profile pr = rank_profile(a, random_word_prime());
    std::vector<int32_t> all(a.rows);
    std::iota(all.begin(), all.end(), 0);
    const Echelon ec = hermite_full_rank(submatrix(a, all, pr.cols), pr.rows, plain);
    const int32_t rank = static_cast<int32_t>(pr.cols.size());
    if (rank == a.cols) {
        write_rows(a, ec);
        return rank;
    }
    Echelon e;
    if (!lift(a, pr, ec, e)) return hermite_exact(a, nullptr);
    write_rows(a, e);
    return rank;
}

}  // namespace tolmex::nf
