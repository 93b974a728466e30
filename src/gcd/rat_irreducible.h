// The exact irreducibility test over Q of a monic poly in one variable with
// integer coefficients, for the moduli that are reducible modulo every
// prime (x^4 + 1) and so leave no auxiliary prime to show they make a
// field.
#pragma once

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// Rational mode; m monic in its top variable (var's record, whose own
// modulus is not in force) with integer coefficients. True when m is
// irreducible over Q: m is factored modulo a word prime above twice the
// bound on the coefficients of its factors, and no product of the
// modular factors, lifted to the symmetric range, divides m over Z. False
// when m is reducible, and also when the bound does not fit a word or m
// has too many modular factors to try them all (the caller then treats m
// as reducible).
bool rat_irreducible(const PolyNode* m, PolyVar* var);

}  // namespace tolmex
