// The characteristic polynomial det(A - x I) of a square matrix, x the
// polynomial variable of level 1. The reference route subtracts x on the
// diagonal and hands the polynomial matrix to the determinant dispatcher;
// numeric matrices have faster exact routes: Hessenberg reduction over a
// prime field, a division-free (Berkowitz) recurrence modulo a composite
// modulus, and for integer matrices in rational mode Hessenberg reduction
// modulo word primes recombined by Chinese remaindering under a bound.
//
// How Auto chooses, and why: over a field of residues, Hessenberg
// reduction (about n^3 field operations, no determinant of a polynomial
// matrix); modulo a composite, where Hessenberg reduction would divide by
// non-units, the division-free Berkowitz recurrence (about n^4 ring
// operations); integer and rational matrices, Hessenberg reduction modulo
// word primes. Matrices of polys and rational functions take the
// reference route (entries in x too: the value is det(m - x I) as it
// stands), whose
// determinant dispatcher evaluates and interpolates or eliminates
// fraction-free over the polynomial ring; a Krylov or Wiedemann method
// over the rational-function field would pay there only for the minimal
// polynomial (minpoly.h), as its fractions cost more than the
// dispatcher's polynomial determinants.
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/matrix.h"
#include "numbers/number.h"
#include "quoly/quoly.h"

namespace tolmex {

// How Chpoly computes: Auto chooses. Determinant is the reference route
// (error 367 is never raised for it); the others are error 367 when the
// entries or the ring do not suit them.
enum class ChpolyMethod { Auto, Determinant, Hessenberg, Berkowitz, MultiModular };

// m + v on every diagonal entry, in place (a sparse m stays sparse).
void add_to_diag(Matrix& m, const QuolyRec* v);

// result := det(m - x I) for the square matrix m (error 313 with name when
// it is not square; error 182 when no polynomial variable exists). The
// leading coefficient is (-1)^n and the constant term det(m).
void char_poly(const Matrix& m, Quoly& result, const char* name, ChpolyMethod method = ChpolyMethod::Auto);

// The reference route on a sparse matrix: m - x I kept sparse and handed to
// the dispatcher as it is.
void sparse_chpoly(const Matrix& m, Quoly& result, const char* name);

// The monic characteristic polynomial det(x I - a) of the n x n residue
// matrix a (row by row; destroyed), coefficients from x^0 up to x^n.
// Hessenberg reduction needs a prime modulus or a small field; the
// Berkowitz recurrence uses no division and suits every modulus.
std::vector<int32_t> hessenberg_charpoly(std::vector<int32_t>& a, int32_t n);
std::vector<int32_t> berkowitz_charpoly(const std::vector<int32_t>& a, int32_t n);

// Rational mode, integer entries (column by column, null for 0): the
// coefficients of det(x I - e) from x^0 up, by Hessenberg reduction modulo
// enough word primes for the bound of the coefficients. False when the
// prime table does not suffice.
bool int_charpoly(const std::vector<const QuolyRec*>& e, int32_t n, std::vector<Number>& coefs);

}  // namespace tolmex
