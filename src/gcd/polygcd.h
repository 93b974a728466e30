// Greatest common divisors of polys.
#pragma once

#include "numbers/number.h"
#include "poly/poly.h"

namespace tolmex {

// g := the GCD of a and b: over Z it carries the GCD of the integer contents
// and has a positive leading coefficient; in lint mode it is monic. Today
// only GCDs with a constant or zero operand are computed; two non-constant
// operands raise error 373 (rational functions of polys need the
// polynomial GCD).
void Lpolygcd(const PolyNode* a, const PolyNode* b, Poly& g);

// c := the GCD of the integer coefficients of p (positive; 1 in lint mode;
// 0 for the zero poly).
void find_gcdcoefs(const PolyNode* p, Number& c);
// r := the constant poly holding that GCD.
void gcd_coefs(const PolyNode* p, Poly& r);

}  // namespace tolmex
