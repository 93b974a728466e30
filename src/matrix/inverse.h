// The inverse by Gaussian elimination over the quolys (the general route of
// mat_invert for inverses).
#pragma once

#include "matrix/matrix.h"
#include "quoly/quoly.h"

namespace tolmex {

// inv := m^-1 and det := det(m) for the dense square matrix m: pivots from
// find_good_spot with row and column swaps, the pivot row divided by the
// pivot and eliminated below (the identity alongside), then the upper
// triangle cleared from the bottom up and the column swaps restored as
// row swaps of the result. Verbose: "Standard G.E. method, rank ",
// " Now inverting upper triangular matrix, rank " and "Restoring row and
// column ops. ". Error 44 with name when m is singular; modulo a composite
// modulus a pivot that is not a unit is error 85.
void standard_matrix_invert(const Matrix& m, Quoly& det, Matrix& inv, const char* name);

}  // namespace tolmex
