// Greatest common divisors of polys: the driver, its wrappers and the
// contents. Over Z a GCD carries the GCD of the integer contents and has a
// positive leading coefficient; over Z/p (lint mode) it is monic.
#pragma once

#include <cstdint>

#include "numbers/number.h"
#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// g := gcd(a, b). vars is the variable record of the operands' top level
// (polynames at level 1). degree_only: the driver may return early with
// only the degree of the GCD in the main variable, as the monomial x^d.
// use_tests: the probabilistic evaluation test may answer. allow_alg_c:
// the primitive remainder sequence may run. copy_a / copy_b: 0 makes the
// driver work on a private copy of that operand, 1 lets it edit the operand
// in place and undo the edits before returning (the operands are const to
// the caller either way). top: the call starts a new top-level GCD.
void polygcd(const PolyNode* a, const PolyNode* b, Poly& g, bool degree_only, bool use_tests,
             bool allow_alg_c, PolyVar* vars, int copy_a, int copy_b, bool top);

// The GCD as the value code asks for it: alg_c_count and original_depth
// set up, and with laurent on the monomial factors of a (and of b when
// both is set) taken out before and put back after.
void Lpolygcd(const PolyNode* a, const PolyNode* b, Poly& g, bool both = true,
              PolyVar* vars = nullptr);

// a2 := a / g and b2 := b / g for a non-constant g that divides both. When
// the division fails (g came from a probabilistic shortcut and is wrong)
// the GCD is recomputed with the shortcuts off (Warnings 5 and 6 under
// verbose) and g is replaced; the divisions start again. With laurent set
// the monomial factors are handled as Lpolygcd does. a2 or b2 may be null
// when that quotient is not wanted.
void reduce(const PolyNode* a, const PolyNode* b, Poly& g, Poly* a2, Poly* b2, bool laurent,
            PolyVar* vars = nullptr);
// reduce over a poly-mod-out field, whose quotients may need a
// denominator: factor := the positive integer K with K a = a2 g and
// K b = b2 g (1 while no field is in force, and in lint mode).
void field_reduce(const PolyNode* a, const PolyNode* b, Poly& g, Poly* a2, Poly* b2,
                  Poly& factor, PolyVar* vars = nullptr);

// c := the GCD of the integer coefficients of p (positive; 1 in lint mode;
// 0 for the zero poly).
void find_gcdcoefs(const PolyNode* p, Number& c);
// r := the constant poly holding that GCD.
void gcd_coefs(const PolyNode* p, Poly& r);

// Contents with respect to the main variable: the GCD of the coefficients
// of p seen as a poly in its top variable (each a poly one level down, or a
// number), padded back to p's level.
void content(const PolyNode* p, Poly& c, PolyVar* vars);
// ca := content of a, cb := content of b, pa := a / ca, pb := b / cb.
void dual_content(const PolyNode* a, const PolyNode* b, Poly& ca, Poly& cb, Poly& pa, Poly& pb,
                  PolyVar* vars);

}  // namespace tolmex
