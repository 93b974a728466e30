// A poly's monomials one by one, and the word-size coefficient arrays of
// polys in the first variable that the fast matrix products work on.
#pragma once

#include <cstdint>
#include <vector>

#include "poly/poly.h"

namespace tolmex {

// The monomials of p (each a poly of one term over all levels), in term
// order; the zero poly has none.
[[nodiscard]] std::vector<Poly> poly_monomials(const PolyNode* p);

// Rational mode: c := the coefficients of p by exponent (c[k] the
// coefficient of x^k, x the variable of level 1) when p involves no other
// variable, has exponents 0 .. max_degree and every coefficient fits 31
// bits; false otherwise. A constant poly gives one entry.
bool poly_first_var_words(const PolyNode* p, int32_t max_degree, std::vector<int64_t>& c);
// The poly sum c[k] x^k over k < n (x the variable of level 1), with
// 128-bit coefficients.
[[nodiscard]] Poly poly_from_wide(const __int128* c, int32_t n);

}  // namespace tolmex
