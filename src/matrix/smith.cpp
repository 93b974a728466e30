// The Smith form alone, modulo a determinant. The Hermite form H of a
// (rank r) has a's invariants. A pivot 1 of a Hermite form has only zeros
// above it, so its column is a unit vector: column operations clear its
// row, and row and column split off as an invariant 1. What remains, the
// rows with pivots other than 1 (usually one or two) and the columns that
// are not unit pivots, spans a column lattice that holds D Z^k, D the
// product of those pivots; it is diagonalised modulo D, each invariant the
// gcd with D.
#include <utility>
#include <vector>

#include "matrix/nf_support.h"
#include "numbers/gcd.h"

namespace tolmex::nf {

namespace {

// The rows of h (rank r) whose pivots are not 1, on the columns that are
// not pivot columns of a pivot 1; d := the product of those pivots.
IntMat rest_block(const IntMat& h, int32_t r, Number& d) {
    std::vector<int32_t> rows, cols;
    std::vector<bool> unit_col(h.cols, false);
    d = num(1);
    int32_t p = 0;
    for (int32_t i = 0; i < r; ++i, ++p) {
        while (h.at(i, p).sign() == 0) ++p;
        if (spec_is_longint(h.at(i, p), 1)) {
            unit_col[p] = true;
            continue;
        }
        rows.push_back(i);
        d = mul(d, h.at(i, p));
    }
    for (int32_t c = 0; c < h.cols; ++c)
        if (!unit_col[c]) cols.push_back(c);
    return submatrix(h, rows, cols);
}

// The invariants of a Hermite form h of rank r, in increasing order.
std::vector<Number> invariants(const IntMat& h, int32_t r) {
    Number d;
    IntMat b = rest_block(h, r, d);
    std::vector<Number> out;
    for (int32_t i = b.rows; i < r; ++i) out.push_back(num(1));
    smith_mod_d(b, d);
    for (int32_t i = 0; i < b.rows; ++i) {
        Number g;
        if (b.at(i, i).sign() == 0) g = copy_of(d);
        else binary_gcd(b.at(i, i), d, g);
        out.push_back(std::move(g));
    }
    return out;
}

// The Hermite form h (rank r) split: unit[t] the rows with pivot 1 and
// their pivot columns, rest the other rows within the rank, other the
// columns that are not pivot columns of a pivot 1.
struct Split {
    std::vector<int32_t> unit_rows, unit_cols, rest, other;
};

Split split_units(const IntMat& h, int32_t r) {
    Split sp;
    std::vector<bool> unit_col(h.cols, false);
    int32_t p = 0;
    for (int32_t i = 0; i < r; ++i, ++p) {
        while (h.at(i, p).sign() == 0) ++p;
        if (!spec_is_longint(h.at(i, p), 1)) {
            sp.rest.push_back(i);
            continue;
        }
        sp.unit_rows.push_back(i);
        sp.unit_cols.push_back(p);
        unit_col[p] = true;
    }
    for (int32_t c = 0; c < h.cols; ++c)
        if (!unit_col[c]) sp.other.push_back(c);
    return sp;
}

// Rows `rows` of a replaced by m times them.
void mix_rows(IntMat& a, const std::vector<int32_t>& rows, const IntMat& m) {
    IntMat old = submatrix(a, rows, [&] {
        std::vector<int32_t> all(a.cols);
        for (int32_t c = 0; c < a.cols; ++c) all[c] = c;
        return all;
    }());
    for (size_t i = 0; i < rows.size(); ++i)
        for (int32_t c = 0; c < a.cols; ++c) {
            Number s = num(0);
            for (size_t k = 0; k < rows.size(); ++k)
                if (m.at(static_cast<int32_t>(i), static_cast<int32_t>(k)).sign() != 0)
                    s = add(s, mul(m.at(static_cast<int32_t>(i), static_cast<int32_t>(k)), old.at(static_cast<int32_t>(k), c)));
            a.at(rows[i], c) = std::move(s);
        }
}

// m := the rows of a in the order given.
IntMat reorder_rows(const IntMat& a, const std::vector<int32_t>& order) {
    std::vector<int32_t> all(a.cols);
    for (int32_t c = 0; c < a.cols; ++c) all[c] = c;
    return submatrix(a, order, all);
}

}  // namespace

int32_t smith_with_transforms(IntMat& a, IntMat& u, IntMat& v, bool plain) {
    const int32_t m = a.rows, n = a.cols;
    const int32_t r = hermite_with_transform(a, u, plain);
    const Split sp = split_units(a, r);
    // Column operations clear the rows of the pivots 1: v = I with
    // v[p][c] = -h[i][c] for each such row i, pivot column p, c in other.
    IntMat vt = identity(n);
    for (size_t t = 0; t < sp.unit_rows.size(); ++t)
        for (int32_t c : sp.other) vt.at(sp.unit_cols[t], c) = neg(a.at(sp.unit_rows[t], c));
    IntMat block = submatrix(a, sp.rest, sp.other), bu, bv;
    if (!sp.rest.empty()) {
        smith_exact(block, &bu, &bv);
        mix_rows(u, sp.rest, bu);
        IntMat cols = transpose(vt);
        mix_rows(cols, sp.other, transpose(bv));
        vt = transpose(cols);
    }
    // Rows: the pivots 1, the rest, then the rows past the rank; columns:
    // the pivots 1, then the other columns.
    std::vector<int32_t> row_order = sp.unit_rows, col_order = sp.unit_cols;
    row_order.insert(row_order.end(), sp.rest.begin(), sp.rest.end());
    for (int32_t i = r; i < m; ++i) row_order.push_back(i);
    col_order.insert(col_order.end(), sp.other.begin(), sp.other.end());
    u = reorder_rows(u, row_order);
    v = transpose(reorder_rows(transpose(vt), col_order));
    a = zero_mat(m, n);
    const int32_t ones = static_cast<int32_t>(sp.unit_rows.size());
    for (int32_t i = 0; i < ones; ++i) a.at(i, i) = num(1);
    for (int32_t j = 0; j < static_cast<int32_t>(sp.rest.size()); ++j) a.at(ones + j, ones + j) = copy_of(block.at(j, j));
    return r;
}

int32_t smith_modular(IntMat& a, bool plain) {
    IntMat h = copy_mat(a);
    const int32_t rank = hermite_modular(h, plain);
    std::vector<Number> inv = invariants(h, rank);
    a = zero_mat(a.rows, a.cols);
    for (int32_t i = 0; i < rank; ++i) a.at(i, i) = std::move(inv[i]);
    return rank;
}

}  // namespace tolmex::nf
