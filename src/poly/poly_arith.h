// Polynomial addition, subtraction, scaling, multiplication and powers.
//
// Families (they decide who owns the nodes afterwards):
//  * plain (poly_add, poly_sub): both operands are left intact;
//  * better_: the first operand is consumed, its nodes reused;
//  * best_: both operands are consumed, nothing is copied;
//  * simplest_: modular mode only, one-variable polys (every coefficient of
//    the top list a constant), residue arithmetic; add and sub consume both.
// Results are complete, normalised polys; the destination's old value is
// freed after the result is built, so a destination may hold an operand.
//
// Every ground ring is served: big integers in rational mode, residues of
// the modulus in modular mode (lintmode), and the fields of 2^8 and 2^16
// elements (finf). A product or power whose exponent would leave the 32-bit
// range reports error 376 instead of wrapping.
//
// Method choice of poly_mult (the cutoffs are the settings of
// poly_settings.h): both constants; a constant times a poly; modular
// one-variable operands through simplest_poly_mult; modular dense
// two-variable operands through fastest_poly2_mult; schoolbook rows below
// the cutoff (var's cutoff, else poly_cutoff) or for sparse operands;
// Karatsuba on the term lists otherwise. The Karatsuba split edits the
// operands' exponents and links in place and always restores them before
// the product returns (also when an error unwinds through it).
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// ---------------------------------------------------------------------------
// Sums

void poly_add(const PolyNode* a, const PolyNode* b, Poly& c);
void poly_sub(const PolyNode* a, const PolyNode* b, Poly& c);
void better_poly_add(Poly&& a, const PolyNode* b, Poly& c);
void better_poly_sub(Poly&& a, const PolyNode* b, Poly& c);
void best_poly_add(Poly&& a, Poly&& b, Poly& c);
void best_poly_sub(Poly&& a, Poly&& b, Poly& c);
// Modular one-variable sums, consuming both operands.
void simplest_poly_add(Poly&& a, Poly&& b, Poly& c);

// ---------------------------------------------------------------------------
// Scaling

// c := x * p for a number x; x = 1 copies p; terms whose product is 0
// (modular mode with a composite modulus) are dropped.
void scalar_by_poly(const Number& x, const PolyNode* p, Poly& c);
// Modular: every coefficient of the one-variable poly c multiplied by the
// residue v, where c := a copy of p when `copy` is set, else c := p itself
// (p is then taken over). Terms that become 0 are removed.
void number_by_poly(int32_t v, Poly& p, Poly& c, bool copy);

// ---------------------------------------------------------------------------
// Products

// c := a * b; var is the variable record of a mod-out context, or null.
void poly_mult(const PolyNode* a, const PolyNode* b, Poly& c, PolyVar* var);
// Modular product of one-variable polys; na and nb are the term counts as
// exp_poly_length gives them (negative for sparse lists), or 0 to have them
// computed here.
void simplest_poly_mult(const PolyNode* a, const PolyNode* b, Poly& c, int32_t na = 0,
                        int32_t nb = 0);
// Modular dense one-variable product through the scratch arrays xx, yy, zz
// (degrees at most fast_gcd_size in sum, leading coefficients nonzero).
void k_fastest_poly_mult(const PolyNode* a, const PolyNode* b, Poly& c);
// Modular dense two-variable product (see try_fast_2_var).
void fastest_poly2_mult(const PolyNode* a, const PolyNode* b, Poly& c);
// Whether fastest_poly2_mult serves a and b: no mod-out in force, not a
// small field, both two-level dense polys of at least 26 top terms, the
// larger main degree at most 9 times the smaller, main degrees and inner
// degrees each summing to at most 700.
bool try_fast_2_var(const PolyNode* a, const PolyNode* b);
// Number of terms of p's top list, negated when the list is sparse (first
// exponent minus last exponent greater than 6 times the number of terms);
// low := the last exponent; simple := modular mode, every coefficient of the
// top list a constant and low >= 0.
int32_t exp_poly_length(const PolyNode* p, int32_t& low, int& simple);

// ---------------------------------------------------------------------------
// Powers

// p := p^n for n >= 1 (n <= 0 leaves p unchanged). Rules in order: a
// constant in modular mode with a prime modulus has n reduced mod
// (modulus - 1); a prime modulus and n >= modulus use the p-th-power
// shortcut; a poly whose first branching list has a non-constant
// coefficient is raised by n - 1 successive products; otherwise binary
// powering from the top bit of n.
void compute_power(Poly& p, int32_t n, PolyVar* var);
// The p-th-power shortcut (modular mode, prime modulus, or a field of
// characteristic 2): p := p^n using p^modulus = p with every exponent
// multiplied by modulus.
void poly_mod_prime(Poly& p, int64_t n, PolyVar* var);
// r := p^n for n >= 0 (n = 0 gives 1, also for p = 0).
void poly_power(const PolyNode* p, int32_t n, Poly& r, PolyVar* var);

}  // namespace tolmex
