// Evaluation of polys at numbers, and derivatives.
//
// Levels here are relative to the poly handed in: level 1 is the variable
// of its top list (for the polys of stored values, which are rooted at the
// outermost variable, that is the absolute level).
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// ---------------------------------------------------------------------------
// Evaluation in the main variable (Horner's rule with exponent gaps: one
// power of the value per gap, no work for absent terms)

// r := p with its main variable replaced by the constant poly v: a poly in
// the deeper variables, one level down (with pad, wrapped once more when it
// is not a constant, so that it sits at p's level again). Products are
// formed in the mod-out context var. A constant p is copied. A v that is
// not a constant is an internal error ("n2 not number in poly_at_numb").
void poly_at_numb(Poly& r, const PolyNode* p, const PolyNode* v, PolyVar* var, bool pad);

// ---------------------------------------------------------------------------
// Evaluation at several levels

// The marker of a value list: the level is left unevaluated.
inline constexpr const PolyNode* kKeepLevel = nullptr;

// r := p with numbers substituted for the variables of several levels.
// values[i] is the value (a constant poly) for level i + 1 of p, or
// kKeepLevel to leave that level as it is; levels from nvalues on are kept.
// The first k levels are kept whatever values says. The result keeps p's
// level structure (an evaluated level simply no longer occurs). A zero p
// gives no result (r is left null); a constant p is copied. When nothing
// stays unevaluated the result is a constant, computed directly on residues
// in modular mode or on big integers in rational mode, without building
// polys.
void all_poly_eval(const PolyNode* p, const PolyNode* const* values, int nvalues, Poly& r, int k);

// ---------------------------------------------------------------------------
// The evaluator's "#": substitution of constants for chosen levels

struct EvalPoint {
    int level;              // 1-based level of the variable
    const PolyNode* value;  // a constant poly
};
// num / den := p with the points substituted; den is left null unless p has
// negative exponents (Laurent polys) in an evaluated variable, in which case
// p is first multiplied by a power of that variable and den is the constant
// power of the value that undoes it. Later points for the same level win.
void poly_eval_points(const PolyNode* p, const EvalPoint* points, int npoints, Poly& num,
                      Poly& den);

// ---------------------------------------------------------------------------
// Derivatives (in place)

// p := the k-th derivative of p in its main variable. Rational mode: an
// exponent beyond 2^28 - 1 in magnitude is an internal error (" outsized
// exponent in derivative"); modular mode reduces the falling factorial by
// the modulus (in the fields of characteristic 2 only odd exponents survive
// a first derivative). Exponents that would leave the 32-bit range (Laurent
// polys) are error 376.
void poly_diff(Poly& p, int32_t k);
// p := the k-th derivative with respect to the variable of the given level
// (level 1 is poly_diff). The evaluator's double quote.
void general_poly_diff(Poly& p, int32_t k, int level);

}  // namespace tolmex
