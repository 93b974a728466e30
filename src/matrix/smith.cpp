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

}  // namespace

int32_t smith_modular(IntMat& a, bool plain) {
    IntMat h = copy_mat(a);
    const int32_t rank = hermite_modular(h, plain);
    std::vector<Number> inv = invariants(h, rank);
    a = zero_mat(a.rows, a.cols);
    for (int32_t i = 0; i < rank; ++i) a.at(i, i) = std::move(inv[i]);
    return rank;
}

}  // namespace tolmex::nf
