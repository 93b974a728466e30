#include "matrix/poly_product.h"

namespace tolmex {

bool poly_matrix_product(const Matrix&, const Matrix&, Matrix&) { return false; }

}  // namespace tolmex
