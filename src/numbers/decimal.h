// Decimal conversion of big integers, both ways, and the printed layout.
//
// Base-10^8 numbers are number records whose digits are in base 10^8 (each
// 0 .. 99999999 with the number's sign), least significant first like every
// number. Only these routines make and use them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "numbers/number.h"

namespace tolmex {

// 10^(8 * disp_size) as a big integer (base 2^28), the scale of the decimal
// approximation of rational numbers. Built when first asked for after
// disp_size changed, so that a very large display size costs nothing until
// a rational number is displayed with it.
const Number& display_constant();

// Digit count from which conversions divide and conquer.
constexpr int64_t kDecimalCut = 16;

// y := x in base 10^8 by repeated division by 10^8.
void make_base_10(const Number& x, Number& y);
// y := the raw chain in base 10^8, divide and conquer with the powers
// (2^28)^k of the two_28 table (built by computation when absent).
void verybig_base_10(DigitSpan chain, Number& y);
// The chain of base-10^8 digits (least significant first) as a big integer,
// divide and conquer above kDecimalCut digits.
void base_10_to_number(DigitSpan groups, Number& x);

// The value of a string of decimal digits: rational mode: the exact
// integer; modular mode: its residue in lint; lintmode outside modular mode:
// the 32-bit value, with " *** Warning. overflow while reading constant.\n"
// (at most 30 times in a run) when it does not fit.
void readin_digits(std::string_view digits, Number& x);
// Times the overflow warning of readin_digits has been printed.
extern int readin_warnings;

// Prints the big integer x in decimal; col counts the characters on the
// current line. lead: the first group without leading zeros; pad: fill to
// disp_size groups with zeros; ready: x is already in base 10^8; aligned: the
// first group right-aligned in 8 columns after its sign; minus_space: a
// space after "-"; breaks: lines end at dispcutoff with the continuation
// mark.
void showint(FILE* out, const Number& x, bool lead, bool pad, bool ready, bool aligned,
             bool minus_space, bool breaks, int& col);
// Prints a number of either representation: lint values directly (residues
// above half the modulus as negatives when alt_form_display is on), big
// integers through showint.
void display(FILE* out, bool breaks, bool aligned, const Number& x, int& col, bool sign);

// Plain decimal text of a big integer ("-" and digits), and its inverse;
// for tests and tools.
std::string number_to_decimal(const Number& x);
[[nodiscard]] Number decimal_to_number(std::string_view text);

// Forgets the display constant: disp_size has changed (init_numbers and the
// display-size command call it).
void init_disp_cons();

}  // namespace tolmex
