// Exact divisions and the Laurent step used by the quoly normal form.
#pragma once

#include <cstdint>

#include "numbers/number.h"
#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

// Divides every coefficient of p by c in place; c divides each of them.
void exact_divide_coefficients(PolyNode* p, const Number& c);
// out := a / g for a poly g known to divide a.
void exact_poly_quotient(const PolyNode* a, const PolyNode* g, Poly& out);
// With negative exponents allowed: removes the largest monomial dividing
// the denominator and lowers the numerator's exponents by it.
void remove_denominator_monomial(Quoly& q);
// r := x^k for k >= 1 (big integers, or residues in lint mode).
void number_power(const Number& x, int32_t k, Number& r);

}  // namespace tolmex
