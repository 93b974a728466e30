// Integer normal forms of matrices over Z (rational mode, integer entries).
//
// Hermite normal form by rows: H = U A with U unimodular, H in row echelon
// form with positive pivots and every entry above a pivot in 0 .. pivot - 1;
// the zero rows come last. Smith normal form: S = U A V with U, V
// unimodular and S diagonal, d1 | d2 | ... , non-negative.
//
// Both work by extended-gcd row (and column) operations on exact integers.
// Hermite reduces the entries above each pivot as soon as the pivot is
// found, which keeps the finished rows small; the rows below the pivot are
// not reduced modulo the determinant, so a dense matrix of full rank may
// see some growth in the rows still to be reduced.
#pragma once

#include <cstdint>

#include "matrix/matrix.h"

namespace tolmex {

// h := the Hermite normal form of a (a's shape, dense), u (not null) := the
// transform. The value is the rank. Entries that are not integers, and
// modular mode, are error 367 with name.
int32_t hermite_form(const Matrix& a, Matrix& h, Matrix* u, const char* name);

// s := the Smith normal form of a; u and v (either may be null) := the
// transforms with s = u a v. The value is the rank. Error 367 as above.
int32_t smith_form(const Matrix& a, Matrix& s, Matrix* u, Matrix* v, const char* name);

// out := a with each nonzero row divided by the gcd of its entries and its
// first nonzero entry made positive (primitive rows). The value is the
// number of nonzero rows. Error 367 as above.
int32_t normalize_rows(const Matrix& a, Matrix& out, const char* name);

}  // namespace tolmex
