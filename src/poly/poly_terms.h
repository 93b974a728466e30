// Terms, coefficients and degrees of a poly with respect to one chosen
// variable, for the built-ins that take polys apart (coefficients, terms,
// degrees, remainders in a chosen variable).
//
// Levels are absolute: the polys of stored values are rooted at level 1,
// and every result here is rooted at level 1 again (wrapped as needed).
// "The main level" of p is the level of the first variable p involves
// (poly_level); its list is the one reached through p's wrapper nodes.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

// r := the coefficient of x_k^e in p seen as a poly in x_k (a poly that
// does not involve level k; 0 when p has no such term).
void level_coefficient(const PolyNode* p, int k, int32_t e, Poly& r);
// The largest sum of exponents of a monomial of p (0 for a constant).
int64_t total_degree(const PolyNode* p);
// The number of terms of p in its main variable (1 for a constant).
int32_t main_term_count(const PolyNode* p);
// The number of monomials of p over all levels (0 for the zero poly).
int64_t monomial_count(const PolyNode* p);
// r := the leading term of p: its leading monomial times the number that
// multiplies it.
void leading_term(const PolyNode* p, Poly& r);
// r := the k-th term (k >= 1, in decreasing exponent) of p in its main
// variable, with its whole coefficient; false, r := 0, when p has fewer
// terms.
bool main_term(const PolyNode* p, int32_t k, Poly& r);
// r := the remainder of a divided by b as polys in x_k: the pseudo-
// remainder lc^(deg a - deg b + 1) a mod b over the integers, the true
// remainder when lc (the leading coefficient of b in x_k) is a number
// that can be inverted (a prime modulus or a field). A b of degree 0 in
// x_k leaves 0; b = 0 is error 22. With `pseudo` the pseudo-remainder is
// formed whatever the ground ring.
void level_remainder(const PolyNode* a, const PolyNode* b, int k, Poly& r, bool pseudo = false);
// inner := a copy of p's main list (rooted at level `level`, p's main
// level; 1 for a constant), and the way back: p wrapped up to level 1.
void unwrap_main(const PolyNode* p, Poly& inner, int& level);
void wrap_to_top(Poly& p, int level);
// r := p * x_k^e.
void times_level_power(const PolyNode* p, int k, int32_t e, Poly& r);

}  // namespace tolmex
