// Reduction of polys by the modding polys of modded-out variables
// (quotient rings R[t]/(m) and algebraic extensions). A variable record's
// `mod_poly` is the monic modulus with integer (or residue) coefficients in
// the variable itself and the deeper levels. The field starts at level
// `field_depth` (0: no field): the variables at that level and deeper are
// all modded out by irreducible moduli. `modout_above_field` is set when a
// variable outside the field is modded out as well.
#pragma once

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

extern int modout_above_field;

// p := p reduced modulo m, the modding poly of the variable k levels below
// p's top variable (k = 1: p's top variable itself). vars is the variable
// record of p's top level.
void mod_out_poly(Poly& p, const PolyNode* m, int k, PolyVar* vars);
// p := p reduced by the modding polys of var (p's top level) and of every
// deeper variable; zero terms dropped, constant sub-polys collapsed.
void total_poly_modout(Poly& p, PolyVar* var);
// p := p reduced by every modded-out variable outside the field (every
// modded-out variable when there is no field).
void above_field_modout(Poly& p);

}  // namespace tolmex
