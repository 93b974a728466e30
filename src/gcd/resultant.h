// The resultant of two polys with respect to one of their variables.
#pragma once

#include "poly/poly.h"

namespace tolmex {

// r := the resultant of a and b as polys in x_k (the determinant of their
// Sylvester matrix), by the subresultant remainder sequence: a poly in the
// other variables, 0 exactly when a and b have a common factor of positive
// degree in x_k (or one of them is 0). A poly of degree 0 in x_k gives its
// power: res(c, b) = c^deg b.
void resultant(const PolyNode* a, const PolyNode* b, int k, Poly& r);

}  // namespace tolmex
