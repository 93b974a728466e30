// One-variable polys over Z/p (and the fields of 2^8 and 2^16 elements) as
// dense residue arrays, for the Euclidean and half-GCD methods and the
// square-free decomposition. Internal to src/gcd.
//
// A Residues array holds the coefficient of x^i at index i and is kept
// trimmed: its last entry is nonzero, and the zero poly is the empty array.
#pragma once

#include <cstdint>
#include <vector>

#include "poly/poly.h"

namespace tolmex::gcdimpl {

using Residues = std::vector<int32_t>;

// -1 for the zero poly.
inline int32_t degree(const Residues& a) { return static_cast<int32_t>(a.size()) - 1; }
void trim(Residues& a);

// Residue arithmetic of the ring in force.
int32_t r_mul(int32_t a, int32_t b);
int32_t r_inv(int32_t a);
int32_t r_add(int32_t a, int32_t b);
int32_t r_sub(int32_t a, int32_t b);

// a := a / lc(a) (nothing for zero); returns the factor used.
int32_t make_monic(Residues& a);
// a := a * c.
void scale(Residues& a, int32_t c);
// x := x mod y for a nonzero y (the long division on the arrays).
void remainder_in_place(Residues& x, const Residues& y);
// q := x div y, x := x mod y for a nonzero y.
void divide_in_place(Residues& x, const Residues& y, Residues& q);
// a * b, a + b, a - b.
Residues product(const Residues& a, const Residues& b);
Residues sum(const Residues& a, const Residues& b);
Residues difference(const Residues& a, const Residues& b);
// a div x^k (the coefficients of x^k and above).
Residues shift_down(const Residues& a, int32_t k);

// The kernel of every division: x[k] := x[k] - q y[k] for k < n.
void sub_multiple(int32_t* x, const int32_t* y, int32_t n, int32_t q);

// The array of a one-variable poly (every exponent divided by stride);
// " number in basic_poly_gcd " stops the command when p is no such poly.
Residues to_residues(const PolyNode* p, int32_t stride = 1);
[[nodiscard]] PolyNode* to_poly(const Residues& a, int32_t stride = 1);

}  // namespace tolmex::gcdimpl
