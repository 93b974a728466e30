// What the GCD code needs to know about a poly's shape in its main
// variable, kept here so that only src/poly walks poly nodes: degrees,
// the coefficients of the main variable, exponent shifts and scalings,
// sizes, and the poly hash of the GCD stash.
#pragma once

#include <cstdint>
#include <vector>

#include "poly/poly.h"

namespace tolmex {

// The exponent of the first term of the top list (0 for a number node).
int32_t poly_degree(const PolyNode* p);
// The exponent of the last term of the top list (0 for a number node).
int32_t poly_low_degree(const PolyNode* p);
// A poly free of its main variable but not constant is one wrapper node:
// its coefficient one level deeper (borrowed). Null for anything else.
const PolyNode* poly_unwrap(const PolyNode* p);
// The coefficients of the main variable, leading first, as polys one level
// deeper (copies).
std::vector<Poly> poly_main_coefficients(const PolyNode* p);
// The leading coefficient in the main variable as a poly one level deeper
// (a copy).
[[nodiscard]] PolyNode* poly_main_lead(const PolyNode* p);

// p := p * x^s for the main variable x (s of either sign; the exponents
// must stay in range).
void poly_shift_main(PolyNode*& p, int32_t s);
// gcd(d, every difference of consecutive exponents of the top list, and
// the lowest exponent): the largest step every main exponent is a multiple
// of, when the lowest is 0. d = 0 starts the fold.
int32_t poly_exponent_step(const PolyNode* p, int32_t d);
// Every exponent of the top list divided by d (up false; each a multiple
// of d) or multiplied by d (up true).
void poly_scale_main(PolyNode* p, int32_t d, bool up);

// Nodes of the whole poly (big_node_total).
int32_t big_node_total(const PolyNode* p);
// Terms of the whole poly (the number nodes it holds), capped at 2^30.
int32_t poly_num_terms(const PolyNode* p);
// An upper bound for the decimal digits of the largest coefficient.
int32_t poly_max_digits(const PolyNode* p);

// The poly hash of the GCD stash: a value in [0, n) from every exponent
// and the low word of every number; equal polys hash equally.
int32_t hash_1(const PolyNode* p, int32_t n);

}  // namespace tolmex
