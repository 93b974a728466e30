// The minimal polynomial of a square numeric matrix over the rationals or a
// finite field (a prime modulus or a small field).
//
// Method: Krylov sequences. With p := 1, each unit vector e_j in turn gives
// v = p(A) e_j; the first linear dependency among v, A v, A^2 v, ... (found
// by elimination as the vectors come) is the minimal polynomial q of v, and
// p := p q, which is the least common multiple of p and the minimal
// polynomial of e_j. It stops as soon as deg p = n. About n^3 field
// operations for a matrix whose minimal polynomial is its characteristic
// polynomial (the usual case), at most about n^4 otherwise; no polynomial
// gcd is needed.
#pragma once

#include <vector>

#include "matrix/matrix.h"
#include "quoly/quoly.h"

namespace tolmex {

// The coefficients of the monic minimal polynomial of the square matrix m
// from x^0 up (null for 0). Entries that are not numbers of the field, and
// composite moduli, are error 367 with name; a matrix not square is 313.
std::vector<Quoly> minimal_poly_coefs(const Matrix& m, const char* name);

// result := the minimal polynomial in x, the polynomial variable of level 1
// (error 182 when there is none).
void minimal_poly(const Matrix& m, Quoly& result, const char* name);

}  // namespace tolmex
