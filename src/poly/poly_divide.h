// Polynomial division: the language's quotient and remainder operators on
// polys, exact division by a constant and by a poly known to divide,
// Euclidean division in one variable, pseudo-division over the integers,
// divide-and-conquer division of one-variable modular polys, and trial
// division with its probabilistic pre-tests.
//
// Division is by the main variable x_d of the dividend: the degree is the
// exponent of the first node of the top list and the leading coefficient is
// that node's coefficient (a poly one level deeper, or a number).
//
// Settings read here (poly_settings.h): div_poly_cutoff (divide and conquer
// below it falls back to the schoolbook division), poly_cutoff (divisor
// degree above which modular one-variable division uses the fast method),
// try_rat and rat_yes (the probabilistic tests), laurent; pos_mod
// (mul_div.h) for the remainder of numbers.
//
// Errors: division by the constant 0 is error 22; negative exponents in a
// division while laurent is on are error 205; a non-invertible leading
// coefficient modulo a composite modulus is error 85 (from the residue
// inverse). Internal inconsistencies stop the command with "*** Tolmex
// error. " and the routine's text.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// ---------------------------------------------------------------------------
// Entry points of the evaluator

// The operators on polys: op '|' gives the remainder, any other operator
// character the quotient. A constant divisor applies the number operator
// (mod_or_div with pos_mod) to every coefficient; a constant dividend by a
// poly has quotient 0 and remainder the dividend; otherwise gen_case. r's
// old value is freed after the result is complete (r may hold an operand).
// var is the variable record of a's level (null: level 1 / no mod-out).
void poly_mod_or_div(const PolyNode* a, const PolyNode* b, Poly& r, int op, PolyVar* var);

// ---------------------------------------------------------------------------
// The general case and its parts

// The general poly case of poly_mod_or_div: common wrapper levels skipped
// and restored (add_pad), coefficient-wise division by a divisor free of
// the main variable, Euclidean division of modular one-variable polys,
// pseudo-division otherwise.
void gen_case(const PolyNode* a, const PolyNode* b, Poly& r, int op, PolyVar* var);

// Exact number quotient z := x / y: big integers by divide (the remainder is
// discarded); in modular mode x times the inverse of y. y = 0 is error 22.
void quot(const Number& x, const Number& y, Number& z);

// q := a / c coefficient by coefficient for a constant poly c; c = 1
// copies a. A non-constant c is an internal error ("divisor not number in
// poly quot.", preceded by "code %d\n" with the caller's code). Returns
// false when some coefficient did not divide exactly (rational mode).
bool poly_quot(const PolyNode* a, const PolyNode* c, Poly& q, int code);

// Divides every coefficient of p by the number c in place (exact).
void divide_thru(PolyNode* p, const Number& c);

// Euclidean division by the main variable: a = q b + r with deg r < deg b.
// Modular mode (and over the integers when every coefficient quotient is
// exact). Returns false when a coefficient quotient was inexact (rational
// mode); q and r are then unspecified.
bool basic_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r);

// Pseudo-division by the main variable: lc(b)^(deg a - deg b + 1) a = q b + r,
// or true division a = q b + r when lc(b) is invertible (a number in
// modular mode with a prime modulus). q or r may be null when not wanted.
void pseudo_div(const PolyNode* a, const PolyNode* b, Poly* q, Poly* r, PolyVar* var);
// The pseudo-remainder alone.
void pseudo_div_no_q(const PolyNode* a, const PolyNode* b, Poly& r, PolyVar* var);

// q := a / b for a b expected to divide a exactly. inexact := 1 when the
// division turned out not to be exact (q is then unspecified), else 0.
// A constant b is accepted only when it is 1 ("m is number in
// poly_divide." otherwise).
void gen_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, PolyVar* var, int& inexact);

// ---------------------------------------------------------------------------
// Modular one-variable division (prime modulus, lc(b) invertible)

// Long division on the term lists with residue arithmetic.
void simplest_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r);
// Long division on the dense arrays (delayed reduction).
void fastest_poly_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r);
// Divide and conquer for a monic b, falling back to the schoolbook division
// for small or unbalanced operands.
void fast_mod_and_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r);

// Quotient and remainder together: Euclidean division in modular mode,
// pseudo-division otherwise.
void mod_and_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r);
// The remainder of one-variable division (pseudo-remainder over the
// integers).
void poly_div_no_q(const PolyNode* a, const PolyNode* b, Poly& r);

// ---------------------------------------------------------------------------
// Trial division

// Whether b divides a; q := the quotient when it does. The probabilistic
// pre-tests run first (fast_test_rat in rational mode when try_rat is set,
// then fast_test); only when they do not refute divisibility is the exact
// division carried out, stopping at the first nonzero remainder. A
// constant b divides when its coefficient quotients are exact (a unit in
// modular mode).
bool trial_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, PolyVar* var);
// The test alone, for a non-constant b ("m number in
// trial_poly_divide_noq." is an internal error).
bool trial_poly_divide_noq(const PolyNode* a, const PolyNode* b, PolyVar* var);

// The verdict of a probabilistic test: Refuted proves that b does not
// divide a; NoVerdict proves nothing.
enum class TestVerdict { NoVerdict, Refuted };
// Substitutes points rand_integer2() mod 5 + base (reduced by the modulus in
// modular mode) for every variable below the main one, checks that the
// main degrees survive, and divides the one-variable images.
TestVerdict fast_test(uint32_t base, const PolyNode* a, const PolyNode* b);
// Rational mode: the same at random integer points rand_integer2().
TestVerdict fast_test_rat(const PolyNode* a, const PolyNode* b);

}  // namespace tolmex
