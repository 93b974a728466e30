// The minimal polynomial of a square matrix over a field: the rationals or
// a finite field (a prime modulus or a small field), or the fraction field
// of polys in the variables other than x when the entries are polys or
// rational functions in those. The result is monic over that field: for
// entries that are polys its coefficients are polys too (the minimal
// polynomial divides the characteristic polynomial, which is monic over
// the polynomial ring, and so by Gauss's lemma has coefficients there);
// for rational-function entries they may be rational functions.
//
// Method: Krylov sequences. With p := 1, each unit vector e_j in turn gives
// v = p(A) e_j; the first linear dependency among v, A v, A^2 v, ... (found
// by elimination as the vectors come) is the minimal polynomial q of v, and
// p := p q, which is the least common multiple of p and the minimal
// polynomial of e_j. It stops as soon as deg p = n. About n^3 field
// operations for a matrix whose minimal polynomial is its characteristic
// polynomial (the usual case), at most about n^4 otherwise; no polynomial
// gcd is needed. The same code runs over the rational-function field, each
// operation a normalised quotient of polys; evaluation at points and
// interpolation would avoid those fractions but needs a bound on the
// degrees of the coefficients, and Wiedemann's method gives only a factor
// of the minimal polynomial with each random vector, so Krylov sequences
// are kept for both.
#pragma once

#include <vector>

#include "matrix/matrix.h"
#include "quoly/quoly.h"

namespace tolmex {

// The coefficients of the monic minimal polynomial of the square matrix m
// from x^0 up (null for 0). Entries that involve x, and composite moduli,
// are error 367 with name; a matrix not square is 313.
std::vector<Quoly> minimal_poly_coefs(const Matrix& m, const char* name);

// result := the minimal polynomial in x, the polynomial variable of level 1
// (error 182 when there is none).
void minimal_poly(const Matrix& m, Quoly& result, const char* name);

}  // namespace tolmex
