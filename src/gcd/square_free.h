// Square-free decomposition: f = product of f_i^i with every f_i
// square-free and the f_i pairwise coprime, over Z/p (and the fields of
// characteristic 2) and over Z.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// Modular mode with a prime modulus, or a field of characteristic 2; f of
// positive degree in its main variable (coefficients may be polys in the
// lower variables; vars is the variable record of f's level). list := the
// factors as a factor list (poly_residues.h: each entry's exponent is the
// multiplicity, its coefficient the factor), count := their number. The
// factors are monic and their product with multiplicities is f made monic.
// A p-th power whose coefficient has no p-th root is error 308 in a field
// of characteristic 2 and error 352 otherwise (also for any other ground
// ring).
void square_free_factor(const PolyNode* f, Poly& list, int32_t& count, PolyVar* vars);

// Rational mode; f primitive of positive degree in its main variable. The
// same list over Z: primitive factors with positive leading coefficients
// whose product with multiplicities is f (negated when its leading
// coefficient is negative).
void rat_sq_free_factor(const PolyNode* f, Poly& list, int32_t& count, PolyVar* vars);

// r := the p-th root of p (p the characteristic): every exponent divided
// by p and every coefficient replaced by its p-th root; errors 308 / 352
// when p is no p-th power.
void pth_root(const PolyNode* p, Poly& r);

}  // namespace tolmex
