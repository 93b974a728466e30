// Pieces shared by the division files. Internal to src/poly.
#pragma once

#include <cstdint>
#include <functional>

#include "poly/poly_internal.h"

namespace tolmex {
struct PolyVar;
}

namespace tolmex::polyimpl {

// The degree in the main variable (0 for a leading number node).
inline int32_t degree(const PolyNode* p) {
    return p->isnum ? 0 : p->expo;
}

// q := 0 and r := a: the division by a divisor of higher degree (a may be
// part of q or r).
inline void zero_quotient(const PolyNode* a, Poly& q, Poly& r) {
    Poly rr(copy_poly(a));
    q.reset(zero_node());
    r = std::move(rr);
}

// The leading coefficient as a poly one level deeper (borrowed): the first
// node's coefficient, or the leading number node itself as a constant.
inline const PolyNode* lead_coef(const PolyNode* p) {
    return p->isnum ? p : p->sub;
}

// The same as a poly of its own: a leading number node followed by terms
// of negative exponent (a Laurent list) is copied out alone into holder.
const PolyNode* lead_coef_alone(const PolyNode* p, Poly& holder);

// The term c x^e (c taken over, a poly one level deeper): a number node
// when e == 0 and c is a constant.
PolyNode* make_term(int32_t e, PolyNode* c);

// Removes the leading term of r (r becomes 0 when nothing is left).
void pop_leading(Poly& r);

// The quotient of a leading coefficient: sets cq and returns false when the
// quotient is not exact.
using CoefQuotient = std::function<bool(const PolyNode* c, Poly& cq)>;

// Long division by the main variable, term by term: while deg r >= deg b,
// the quotient term is coef(lc(r)) x^(deg r - deg b); it is recorded in q
// and (term times the negated tail of b) is added to r, whose leading term
// is removed. Returns false as soon as a coefficient quotient is inexact
// (q and r are then unspecified). q may be null.
bool long_division(const PolyNode* a, const PolyNode* b, Poly* q, Poly& r, PolyVar* var,
                   const CoefQuotient& coef);

// True division with an invertible number leading coefficient: modular
// mode (field_coef_poly_divide). q may be null.
void field_coef_poly_divide(const PolyNode* a, const PolyNode* b, Poly* q, Poly& r, PolyVar* var);

// Modular one-variable operands (every coefficient of the top list a
// constant).
bool one_variable_modular(const PolyNode* a, const PolyNode* b);

// Whether the leading coefficient of the modular one-variable poly b is a
// unit.
bool lead_is_unit(const PolyNode* b);
// The residue inverse of the leading coefficient of b (error 85 when it
// is not a unit).
int32_t lead_inverse(const PolyNode* b);

// The schoolbook division of residue arrays: q[0 .. da - db] and
// r[0 .. db - 1] with a = q b + r, for a[0 .. da] and b[0 .. db] with
// b[db] != 0 and inv its inverse.
void array_long_division(const int32_t* a, int32_t da, const int32_t* b, int32_t db, int32_t inv,
                         int32_t* q, int32_t* r);

// A quotient longer than the divisor (deg a - deg b > deg b). The
// divide-and-conquer steps would then halve the divisor again and again while
// the dividend hardly shrinks, which costs more than quadratic time; such a
// quotient is found block by block from the top instead, each block a
// balanced division of at most 2 deg b - 1 by deg b, so that the whole
// division costs about deg a / deg b balanced ones.
inline bool long_quotient(int64_t da, int64_t db) { return da - db > db; }

// The divide-and-conquer division (fast_mod_and_div) carried out on residue
// arrays when a and b are dense modular one-variable polys; false, leaving q
// and r alone, otherwise.
bool dense_mod_and_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r);
// Whether those may be used (on unless a test compares them with the term
// lists).
extern bool dense_division;

}  // namespace tolmex::polyimpl
