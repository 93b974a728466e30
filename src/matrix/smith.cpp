// The Smith form alone, modulo a determinant: the Hermite form H of a
// (and, when a's rank r is short of its columns, the Hermite form of H's
// r rows transposed) gives an r x r triangular T with a's invariants. A
// pivot 1 of a Hermite form has only zeros above it, so its row and column
// split off as an invariant 1; what remains, usually a tiny block, is
// diagonalised modulo its determinant D, each invariant the gcd with D.
#include <numeric>
#include <utility>
#include <vector>

#include "matrix/nf_support.h"
#include "numbers/gcd.h"

namespace tolmex::nf {

namespace {

IntMat top_rows(const IntMat& a, int32_t r) {
    std::vector<int32_t> rows(r), cols(a.cols);
    std::iota(rows.begin(), rows.end(), 0);
    std::iota(cols.begin(), cols.end(), 0);
    return submatrix(a, rows, cols);
}

// The square triangular Hermite block with the invariants of a, whose
// Hermite form h of rank r > 0 is.
IntMat triangular_block(const IntMat& h, int32_t r, bool plain) {
    if (r == h.cols) return top_rows(h, r);
    IntMat t = transpose(top_rows(h, r));
    hermite_modular(t, plain);
    return top_rows(t, r);
}

// The invariants of the triangular nonsingular t, in increasing order.
std::vector<Number> invariants(const IntMat& t) {
    std::vector<int32_t> keep;
    for (int32_t i = 0; i < t.rows; ++i)
        if (!spec_is_longint(t.at(i, i), 1)) keep.push_back(i);
    std::vector<Number> out;
    for (size_t i = keep.size(); i < static_cast<size_t>(t.rows); ++i) out.push_back(num(1));
    if (keep.empty()) return out;
    IntMat b = submatrix(t, keep, keep);
    Number prod = num(1), d;
    for (int32_t i = 0; i < b.rows; ++i) prod = mul(prod, b.at(i, i));
    abs_val_num(prod, d);
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
    IntMat s = zero_mat(a.rows, a.cols);
    if (rank > 0) {
        std::vector<Number> inv = invariants(triangular_block(h, rank, plain));
        for (int32_t i = 0; i < rank; ++i) s.at(i, i) = std::move(inv[i]);
    }
    a = std::move(s);
    return rank;
}

}  // namespace tolmex::nf
