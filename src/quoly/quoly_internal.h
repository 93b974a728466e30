// Shared pieces of the quoly arithmetic: a quotient taken apart into its
// two polys, the exact divisions that cancel a common factor, and the
// final form of a freshly computed quotient.
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

struct PolyVar;

namespace quoly_detail {

// A quotient taken apart: numerator and denominator (null for 1).
struct Frac {
    Poly n;
    Poly d;
};

// Moves the polys out of q (a numeric q gives a constant numerator).
Frac take_frac(Quoly&& q);
inline Frac copy_frac(const QuolyRec* q) { return take_frac(quoly_copy(q)); }
// Builds the record again from the polys, as they stand.
Quoly give_frac(Frac&& f);

Quoly zero_quoly();
Poly const_poly(int32_t v);
Poly mult(const PolyNode* a, const PolyNode* b);
Poly copy_of(const PolyNode* p);

// inv := 1 / x for a nonzero number in lint mode.
void lint_inverse(const Number& x, Number& inv);
// p := p / c exactly for a number c (lint mode: times the inverse of c).
void divide_by_number(Poly& p, const Number& c);
// Divides a and b by the number c unless it is 0 or 1.
void cancel_number(Poly& a, Poly& b, const Number& c);
// a := a / g, b := b / g for their GCD g: a constant g as a number (it is
// 1 in lint mode), a non-constant one by the exact division of `reduce`,
// which may replace g by the true GCD when g came from a probabilistic
// shortcut. With lflag and negative exponents allowed, monomials are units
// and each operand keeps its own (a / b keeps its value).
void divide_out(Poly& a, Poly& b, Poly& g, bool lflag);

// The final form of a sum or a power: a zero numerator is 0, a constant
// denominator 0 is error 210, 1 is dropped, any other constant is divided
// into the numerator in lint mode and kept in rational mode (ratflag set
// when the numerator is constant too); a constant numerator without
// denominator makes a numeric quoly.
Quoly finish(Frac&& f);
// The normal form of the arithmetic in force (no GCD work).
void ring_normal_form(Quoly& q, int lflag);
Quoly from_frac_normal(Frac&& f, int lflag);

// The variable record of level k (null when there is none).
PolyVar* var_at_level(int k);
// The denominator depends only on modded-out levels: it is a field element.
bool denominator_in_field(const PolyNode* d);
// q := n / d with a field-element denominator turned into a poly: the
// numerator times the field inverse of d, reduced by the mod-outs.
void quoly_mod_convert(Quoly& q);

// Sums with denominators on either side (both operands consumed): two
// polys are added as polys, a poly and a quotient without GCD work, two
// quotients by fast_gen_quoly_add when consuming, else general_quoly_add.
Quoly add_fracs(Frac a, Frac b, bool add, bool consuming);
// Henrici addition: only the GCD of the denominators and the GCD of the
// new numerator with that one are computed.
Quoly fast_gen_quoly_add(Frac a, Frac b, bool add);
// The safe addition: the new numerator's GCD with the whole new
// denominator, the field-monic factor, contents cancelled in a field.
Quoly general_quoly_add(Frac a, Frac b, bool add);

// (n1 / d1) * (n2 / d2) of borrowed polys (null denominators are 1), with
// cross-cancellation; the result ends in the normal form with lflag.
Quoly gen_quoly_mult(const PolyNode* n1, const PolyNode* d1, const PolyNode* n2,
                     const PolyNode* d2, int lflag);

// n * (p / q), (p / q) / n and n / (p / q) for a number n: the integer
// contents cancel before the product is formed.
Quoly number_times_quotient(const Number& n, Frac&& f);
Quoly quotient_by_number(Frac&& f, const Number& n);
Quoly number_by_quotient(const Number& n, Frac&& f);

}  // namespace quoly_detail
}  // namespace tolmex
