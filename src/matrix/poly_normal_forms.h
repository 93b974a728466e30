// Hermite and Smith normal forms of matrices over F[t]: entries that are
// polynomials in one polynomial variable t with coefficients in the field F
// of the ground ring (Q in rational mode, Z/p or a small field of
// characteristic 2 in modular mode).
//
// Hermite normal form by rows: H = U A with U unimodular (det U a nonzero
// constant), H in row echelon form with monic pivots, every entry above a
// pivot of lower degree than the pivot, zero rows last. Smith normal form:
// S = U A V with U, V unimodular, S diagonal with monic invariant factors
// d1 | d2 | ... followed by zeros.
//
// Matrices whose entries are all numbers keep going to the integer normal
// forms (normal_forms.h); the dispatchers below choose.
#pragma once

#include <cstdint>

#include "matrix/matrix.h"

namespace tolmex {

// True when some entry of a is not a number: the normal forms over F[t]
// apply (or error 367 when the entries do not suit them).
bool has_poly_entries(const Matrix& a);

// The forms over F[t]; arguments and value as for hermite_form and
// smith_form (normal_forms.h). Entries in more than one variable, in
// different variables, in a modded-out variable, with a non-constant
// denominator or with negative exponents are error 367 with name; a
// composite modulus is error 179.
// With modular (the default), a square matrix of full rank over a finite
// field whose transforms are not asked for is worked modulo its
// determinant, which bounds the degrees of every entry; without it, the
// general elimination runs (the tests compare the two).
int32_t poly_hermite_form(const Matrix& a, Matrix& h, Matrix* u, const char* name, bool modular = true);
int32_t poly_smith_form(const Matrix& a, Matrix& s, Matrix* u, Matrix* v, const char* name,
                        bool modular = true);

// The built-ins' entry points: the forms over F[t] when has_poly_entries,
// else the integer forms.
int32_t hermite_any(const Matrix& a, Matrix& h, Matrix* u, const char* name);
int32_t smith_any(const Matrix& a, Matrix& s, Matrix* u, Matrix* v, const char* name);

}  // namespace tolmex
