// GCDs over a poly-mod-out field: the levels field_depth and deeper are
// modded out by irreducible moduli, so polys in the variables above them
// have coefficients in an algebraic extension K of Q (or of Z/p).
#pragma once

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// The leading coefficient of p (rooted at vars' level) in the field: the
// first coefficient reached through the levels above the field; p itself
// when p is already a field element.
const PolyNode* field_leading_coef(const PolyNode* p, PolyVar* vars);
// Whether that leading coefficient is a unit of the field (a non-zero
// field element or number).
bool invertible_coef(const PolyNode* p, PolyVar* vars);
// p made monic over the field: multiplied by the inverse of its leading
// coefficient in the field and reduced. In rational mode the result is
// then made primitive over Z with a positive leading integer.
void rat_monic_poly(const PolyNode* p, Poly& r, PolyVar* vars);
// g := gcd(a, b) over the field for a and b in the one variable just above
// the field (vars' level is field_depth - 1): Euclid with remainders made
// monic over the field. Monic in lint mode; primitive with a positive
// leading integer in rational mode (the caller multiplies in the GCD of
// the integer contents).
void field_coef_gcd(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars);

// The driver's part while a field is in force: an operand that is a field
// element is a unit (g = 1 in lint mode, the GCD of the integer contents
// in rational mode); the operands are first tested modulo an auxiliary
// prime (coprime images prove them coprime: in several variables above the
// field, images at points, one variable kept at a time). Operands in the
// one variable above the field then go to field_coef_gcd. False when the
// driver's general path must go on (operands in several variables above
// the field that the test did not prove coprime).
bool field_gcd_steps(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars);

// Exact division over the field with integer coefficients kept: c p = q g
// with c a positive integer (1 in lint mode). False when g does not divide
// p over the field.
bool field_exact_quotient(const PolyNode* p, const PolyNode* g, Poly& q, Number& c,
                          PolyVar* vars);

// The element's level test: p (rooted at vars' level) involves only field
// variables.
bool is_field_element(const PolyNode* p, const PolyVar* vars);

}  // namespace tolmex
