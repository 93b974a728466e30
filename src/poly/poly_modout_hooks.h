// The places where polynomial arithmetic meets poly-mod-out (variables
// modded out by a monic polynomial): reduction of products, invertibility
// of leading coefficients in the field, the field inverse and the division
// by a divisor whose leading coefficient is a field element. The bodies
// live in poly_modout.cpp and poly_field.cpp.
#pragma once

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// Some variable is modded out: field_depth > 0 or a variable record holds
// a modulus poly.
bool modout_in_force();
// The variable record to hand to the products of values rooted at level 1
// (polynames while some variable is modded out, else null).
PolyVar* modout_context();

// Reduces p (rooted at var's level, its coefficients reduced at the deeper
// levels) modulo the modulus poly of var. No-op when var is null or
// carries no modulus poly.
void mod_out_reduce(Poly& p, PolyVar* var);

// Whether the leading coefficient lc (a poly one level below var, or a
// number) of a divisor can be inverted: a number in modular mode with a
// prime modulus or when a field is in force; a poly when it is an element
// of the field.
bool first_coef_invrtble(const PolyNode* lc, PolyVar* var);

// The field inverse of p, a field element rooted at var's level (wrapper
// nodes allowed above the field): p^-1 = num / den with den a positive
// constant (null for 1; always null in lint mode). A zero p is error 22;
// a remainder sequence that does not end in a unit (a modulus that is not
// irreducible) stops the command ("poly mod invert").
void poly_mod_invert(const PolyNode* p, Poly& num, Poly& den, PolyVar* var);

// Division by b whose leading coefficient is invertible in the field (or a
// number while a field is in force), a rooted at var's level: in lint mode
// the true division; in rational mode a pseudo-division whose quotient and
// remainder are those of the true division times a positive integer.
void pseudo_field_coef_poly_div(const PolyNode* a, const PolyNode* b, Poly* q, Poly* r,
                                PolyVar* var);

// A variable record that stands in for var during a division as polys:
// the same deeper variables, but no modulus at var's own level (var itself
// when it is not modded out). Owned by this module; kept in step with var.
PolyVar* newdummy(PolyVar* var);

}  // namespace tolmex
