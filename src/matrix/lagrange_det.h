// Determinants of polynomial matrices by evaluation and interpolation:
// the matrix is evaluated at distinct points of Z/p in its main variable
// (one level per variable), the numeric determinants are interpolated by
// Newton's method, and over Z the images modulo word primes are combined
// by the Chinese remainder theorem.
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/matrix.h"
#include "quoly/quoly.h"

namespace tolmex {

// The most variables the interpolation nests over (one level each), taken
// together with the calls already under way; more make the methods
// decline (10).
extern int32_t lagrangecut;
// The warnings about negative exponents printed so far; three at most in a
// run of the program.
extern int neg_exponent_warning;

// Modular mode, a prime modulus or a field of 2^8 or 2^16 elements; the
// n x n entries e (column by column, null for 0) numbers or polys. det :=
// their determinant by interpolation in every variable they involve.
// degree > 0 bounds the degree in the main variable (the outermost level
// involved) beside the estimate from the entries. False, with det
// untouched, when the method declines: a composite modulus, too few points
// in the field for the degree (reported), Laurent entries (warned), a
// quotient among the entries, variables beyond lagrangecut, poly-mod-out
// in force, or a determinant too large for the dense arrays.
bool mod_poly_determ(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det, int32_t degree = 0);

// Rational mode, the same entries with integer coefficients: det := the
// determinant from its images modulo word primes (each by
// mod_poly_determ's interpolation in temporary modular arithmetic),
// combined until a bound on its coefficients is covered or two more primes
// change nothing. False when it declines as mod_poly_determ does, or when
// the primes run out ("Modular determinant method abandoned. "). An error
// or interrupt on the way leaves rational mode in force.
bool rat_poly_determ(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det, int32_t degree = 0);

// The same for a sparse matrix m (at most 65535 columns), in the ring in
// force: the evaluated matrices stay sparse and go to the dispatcher.
// degree > 0 bounds the determinant's degree in the main variable; power >
// 1 says the determinant is a poly in (main variable)^power, which is then
// interpolated in that power. False when it declines.
bool sparse_lagrange(const Matrix& m, Quoly& det, int32_t degree, int32_t power);

// For 4 to 6 rows, whether the entries (polys or numbers, column by
// column) are massive enough for interpolation to beat Gauss-Bareiss:
// poly mass, half the digits of each integer, 1 per residue, summed,
// above 1 in rational mode or mod_det_method_cut in modular mode. Always
// true from 7 rows on.
bool lagrange_pays(const std::vector<const QuolyRec*>& e, int32_t n);

}  // namespace tolmex
