// The product of dense matrices of polys in one variable with small
// integer coefficients, by dense coefficient arrays and 128-bit sums.
#pragma once

#include "matrix/matrix.h"

namespace tolmex {

// r := a * b when every entry of a and b qualifies; false (r untouched)
// otherwise.
bool poly_matrix_product(const Matrix& a, const Matrix& b, Matrix& r);

}  // namespace tolmex
