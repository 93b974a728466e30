// Big integer multiplication, division and reduction.
//
// Products and quotients are written into a destination that may also be an
// operand. In lintmode products act on the lint words (the modular product
// in modular mode); the division routines other than mod_or_div work on the
// digits.
#pragma once

#include <cstdint>

#include "numbers/number.h"

namespace tolmex {

// Karatsuba threshold in digits of fast_mult; no command changes it. The
// default is 48: with the four-row basecase (kernels.cpp), bench_numbers
// (TOLMEX_MULTCUT=24, 32, 48, 64) shows 36-digit products (300 decimal
// digits) at 1.9x / 2.3x / 1.75x / 1.4x GMP's time and 119-digit products
// at 1.9x / 1.15-1.3x / 1.3x / 1.15x: a split below 48 digits costs more
// than it saves.
extern int32_t multcut;
// When nonzero the remainder operator returns 0 .. |divisor| - 1; when 0 it
// keeps the sign of the dividend (1).
extern int pos_mod;

// r := a * b: schoolbook up to multcut digits, Karatsuba above, Toom-3 and
// the number-theoretic transform for long operands (kernels.cpp names and
// measures their cut-offs); an operand twice as long as the other is
// multiplied piecewise. The general product.
void fast_mult(const Number& a, const Number& b, Number& r);

// Long division of a >= 0 by b > 0: q := a div b, r := a mod b.
void pos_divide(const Number& a, const Number& b, Number& q, Number& r);
// Signed division: q rounded toward zero, r with the sign of q (for b > 0 the
// sign of a): |a| = Q |b| + R gives (Q, R), (-Q, -R), (-Q, -R), (Q, R) for
// the sign pairs (+,+), (+,-), (-,+), (-,-). b = 0: nothing is written.
void divide(const Number& a, const Number& b, Number& q, Number& r);
// The language's integer operators: op '|' is the remainder (with the sign of
// a, or in 0 .. |b| - 1 when posmod is set), any other op the quotient
// rounded toward zero. b = 0 is error 22.
void mod_or_div(const Number& a, const Number& b, Number& res, int op, int posmod);
// x div d for x >= 0 and 0 < d < 2^28 whose quotient fits a machine word.
int32_t quotient_of(const Number& x, int32_t d);
// u * v has more than one digit or exceeds 1000000.
bool oversize(int32_t u, int32_t v);

// The base-10^8 product: schoolbook, and Karatsuba above 32 digits (the
// schoolbook rows vectorise; 32 against 10 more than halves the time of
// printing a 100,000-digit number), Toom-3 and the transform beyond.
void base_10_fast_mult(const Number& a, const Number& b, Number& r);

}  // namespace tolmex
