// The places where polynomial arithmetic meets poly-mod-out (variables
// modded out by a monic polynomial, the rings subsystem). Everything here is
// complete for the case that no variable is modded out (field_depth == 0 and
// no variable carries a modulus poly). The mod-out cases are hooks: until
// the rings subsystem supplies them, reaching one reports an internal error
// ("*** Tolmex error. ...") and abandons the command.
#pragma once

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// Some variable is modded out: field_depth > 0 or a variable record holds
// a modulus poly.
bool modout_in_force();

// Reduces p modulo the modulus poly of var (the product's mod-out context).
// No-op when var is null or carries no modulus poly. Hook otherwise.
void mod_out_reduce(Poly& p, PolyVar* var);

// Whether the leading coefficient lc of a divisor can be inverted: a
// number is invertible in modular mode with a prime modulus or when levels
// are modded out; a poly only when it lies in modded-out levels (hook when
// field_depth > 0).
bool first_coef_invrtble(const PolyNode* lc, PolyVar* var);

// The field inverse of p (a poly in modded-out levels): num / den with a
// constant den (null for 1). Hook.
void poly_mod_invert(const PolyNode* p, Poly& num, Poly& den, PolyVar* var);

// True division by b whose leading coefficient is a modded-out unit or a
// number in rational mode with levels modded out (pseudo_field_coef_poly_div).
// Hook.
void pseudo_field_coef_poly_div(const PolyNode* a, const PolyNode* b, Poly* q, Poly* r,
                                PolyVar* var);

// The temporary variable record that stands in for a modded-out main
// variable during pseudo-division (null when var is not modded out). Hook
// when it is.
PolyVar* newdummy(PolyVar* var);

}  // namespace tolmex
