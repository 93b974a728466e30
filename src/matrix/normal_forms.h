// Integer normal forms of matrices over Z (rational mode, integer entries).
//
// Hermite normal form by rows: H = U A with U unimodular, H in row echelon
// form with positive pivots and every entry above a pivot in 0 .. pivot - 1;
// the zero rows come last. Smith normal form: S = U A V with U, V
// unimodular and S diagonal, d1 | d2 | ... , non-negative.
//
// The forms alone are computed modulo a determinant, so that the entries
// stay bounded (hermite.cpp, smith.cpp): the rank profile is found modulo
// a word prime, D is a nonzero maximal minor, and the elimination runs
// with extended gcds modulo D, the true pivots recovered as gcds with D. A
// square nonsingular block is first reduced modulo the gcd of two of its
// (n-1)-minors, usually tiny, and the last rows are added back. The
// Hermite transform comes from the form of (a | I); the Smith transforms
// from it, the pivots 1 split off by column operations and the rest
// diagonalised by the exact route. The exact extended-gcd route is also
// the fallback whenever the modular route cannot prove its result.
#pragma once

#include <cstdint>

#include "matrix/matrix.h"

namespace tolmex {

// Auto: modular for the forms, exact for transforms that the form does not
// fix. The others force a route (for tests): Exact the extended-gcd
// operations on exact integers, Modular the modular route, ModularPlain
// the modular route without the two-minor reduction.
enum class NormalFormMethod { Auto, Exact, Modular, ModularPlain };

// h := the Hermite normal form of a (a's shape, dense), u (not null) := the
// transform. The value is the rank. Entries that are not integers, and
// modular mode, are error 367 with name.
int32_t hermite_form(const Matrix& a, Matrix& h, Matrix* u, const char* name,
                    NormalFormMethod method = NormalFormMethod::Auto);

// s := the Smith normal form of a; u and v (either may be null) := the
// transforms with s = u a v. The value is the rank. Error 367 as above.
int32_t smith_form(const Matrix& a, Matrix& s, Matrix* u, Matrix* v, const char* name,
                   NormalFormMethod method = NormalFormMethod::Auto);

// out := a with each nonzero row divided by the gcd of its entries and its
// first nonzero entry made positive (primitive rows). The value is the
// number of nonzero rows. Error 367 as above.
int32_t normalize_rows(const Matrix& a, Matrix& out, const char* name);

}  // namespace tolmex
