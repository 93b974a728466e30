// The half-GCD over Z/p on dense residue arrays: the GCD of one-variable
// polys of large degree in fewer than quadratic steps.
#pragma once

#include <cstdint>

#include "gcd/residue_arrays.h"

namespace tolmex {

// basic_poly_gcd runs the half-GCD when deg a + deg b exceeds these (prime
// moduli; the fields of characteristic 2). Measured here with operands of
// degrees n and n - 1 sharing a factor of degree n/4, seconds per GCD,
// Euclid on arrays / half-GCD:
//   degree sum        3999           7999           31999          127999
//   mod 32003         .0071/.0048    .028/.014      .51/.11        7.4/1.0
//   mod 2147483629    .0083/.0076    .033/.022      .54/.19        11.3/1.7
//   field 2^8         .0035/.027     .0085/.047     .27/.77        3.5/6.3
//   field 2^16        .0056/.019     .023/.060      .35/.57        7.8/6.5
// (at degree sum 1999 the two tie for the primes). The products of field
// elements cost more than the table rows of the Euclid, so in the fields
// the half-GCD only pays far above 10^5.
constexpr int32_t kHalfGcdDegreeSum = 4000;
constexpr int32_t kHalfGcdFieldDegreeSum = 999999;

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
