// The half-GCD on dense residue arrays: the quotient sequence of the
// Euclidean algorithm found from the leading halves of the operands, so
// that the remainders are formed only about log n times, by fast products.
#include "gcd/half_gcd.h"

#include <utility>

#include "base/errors.h"

namespace tolmex {

using gcdimpl::degree;
using gcdimpl::Residues;

namespace {

// Below this degree hgcd runs the plain Euclidean steps (parthg): their
// quadratic cost is less than the products of the recursion (128 and 256
// measured alike).
constexpr int32_t kHgcdBaseDegree = 256;

using gcdimpl::difference;
using gcdimpl::product;

// (u, v) := (v, u - q v): one Euclidean step applied to a pair of rows.
void step_rows(Residues& u, Residues& v, const Residues& q) {
    Residues next = difference(u, product(q, v));
    u = std::move(v);
    v = std::move(next);
}

// (a, b) := M (a, b).
void apply(const PolyMatrix& M, Residues& a, Residues& b) {
    Residues a2 = gcdimpl::sum(product(M.m[0][0], a), product(M.m[0][1], b));
    Residues b2 = gcdimpl::sum(product(M.m[1][0], a), product(M.m[1][1], b));
    a = std::move(a2);
    b = std::move(b2);
}

// L := L R.
void times(PolyMatrix& L, const PolyMatrix& R) {
    PolyMatrix P;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            P.m[i][j] = gcdimpl::sum(product(L.m[i][0], R.m[0][j]), product(L.m[i][1], R.m[1][j]));
    L = std::move(P);
}

// M := Q M for the step matrix Q = (0 1; 1 -q).
void step_matrix(PolyMatrix& M, const Residues& q) {
    for (int j = 0; j < 2; ++j) step_rows(M.m[0][j], M.m[1][j], q);
}

}  // namespace

PolyMatrix PolyMatrix::identity() {
    PolyMatrix I;
    I.m[0][0] = Residues{1};
    I.m[1][1] = Residues{1};
    return I;
}

void parthg(Residues& a, Residues& b, int32_t m, PolyMatrix& M) {
    M = PolyMatrix::identity();
    Residues q;
    while (!b.empty() && degree(b) >= m) {
        gcdimpl::divide_in_place(a, b, q);  // a := a mod b
        std::swap(a, b);
        step_matrix(M, q);
    }
}

void hgcd(const Residues& a, const Residues& b, PolyMatrix& M) {
    const int32_t n = degree(a), m = (n + 1) / 2;
    if (degree(b) < m) {
        M = PolyMatrix::identity();
        return;
    }
    if (n < kHgcdBaseDegree) {
        Residues x = a, y = b;
        return parthg(x, y, m, M);
    }
    // The top halves give the first half of the quotients.
    PolyMatrix R;
    hgcd(gcdimpl::shift_down(a, m), gcdimpl::shift_down(b, m), R);
    Residues c = a, d = b;
    apply(R, c, d);
    if (degree(d) < m) {
        M = std::move(R);
        return;
    }
    // One Euclidean step by hand, then the second half from the top of the
    // remainders.
    Residues q;
    gcdimpl::divide_in_place(c, d, q);  // c := c mod d
    std::swap(c, d);
    step_matrix(R, q);
    if (degree(d) < m) {
        M = std::move(R);
        return;
    }
    const int32_t k = 2 * m - degree(c);
    PolyMatrix S;
    hgcd(gcdimpl::shift_down(c, k), gcdimpl::shift_down(d, k), S);
    times(S, R);
    M = std::move(S);
    poll_interrupt();
}

void fullhg(Residues& a, Residues& b, Residues& g) {
    if (degree(a) < degree(b)) std::swap(a, b);
    while (!b.empty()) {
        if (degree(a) == degree(b) || degree(b) < kHgcdBaseDegree) {
            gcdimpl::remainder_in_place(a, b);
            std::swap(a, b);
            continue;
        }
        PolyMatrix M;
        hgcd(a, b, M);
        apply(M, a, b);
        if (b.empty()) break;
        gcdimpl::remainder_in_place(a, b);
        std::swap(a, b);
        poll_interrupt();
    }
    g = std::move(a);
    gcdimpl::make_monic(g);
}

}  // namespace tolmex
