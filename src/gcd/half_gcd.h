// The half-GCD over Z/p on dense residue arrays: the GCD of one-variable
// polys of large degree in fewer than quadratic steps.
#pragma once

#include <cstdint>

#include "gcd/residue_arrays.h"

namespace tolmex {

// basic_poly_gcd runs the half-GCD when deg a + deg b exceeds this.
// Measured on this machine (modulus 32003, random operands of equal
// degree n with a common factor of degree n/4, times per GCD of the
// Euclid on arrays against the half-GCD): see the table in half_gcd.cpp.
extern const int32_t kHalfGcdDegreeSum;

// A 2 x 2 matrix of one-variable polys: (a', b') = M (a, b) means
// a' = m[0][0] a + m[0][1] b and b' = m[1][0] a + m[1][1] b.
struct PolyMatrix {
    gcdimpl::Residues m[2][2];
    static PolyMatrix identity();
};

// For deg a > deg b: M := the product of the Euclidean steps that take
// (a, b) to a pair (a', b') with deg a' >= ceil(deg a / 2) > deg b'.
void hgcd(const gcdimpl::Residues& a, const gcdimpl::Residues& b, PolyMatrix& M);
// The plain way to the same place: Euclidean steps on (a, b), their matrix
// accumulated in M, while deg b >= m. a and b are used up.
void parthg(gcdimpl::Residues& a, gcdimpl::Residues& b, int32_t m, PolyMatrix& M);
// g := monic gcd(a, b) by repeated half-GCDs; a and b are used up.
void fullhg(gcdimpl::Residues& a, gcdimpl::Residues& b, gcdimpl::Residues& g);

}  // namespace tolmex
