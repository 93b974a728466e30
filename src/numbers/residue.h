// Residue arithmetic modulo the word-sized modulus, the arithmetic of the
// fields of 2^8 and 2^16 elements, and the conversion of big integers to
// residues and back.
//
// A residue is a 32-bit value in 0 .. modulus - 1 kept in a number's `lint`
// word. In the field modes (finf, with f256 or f2t16) a residue is a field
// element: the bit pattern of a polynomial over Z/2, 0..255 or 0..65535.
#pragma once

#include <cstdint>

#include "numbers/number.h"

namespace tolmex {

// a + b mod m and a - b mod m for residues of m; XOR in the field modes.
int32_t mod_add(int32_t a, int32_t b, int32_t m);
int32_t mod_sub(int32_t a, int32_t b, int32_t m);
// a + (d reduced into 0..m-1) mod m, for a signed d.
int32_t spec_mod_add(int32_t a, int32_t d, int32_t m);
// a * b mod modulus: field tables, one 32-bit product for smallmodulus, a
// 64-bit product otherwise.
int32_t modmult(int32_t a, int32_t b);
// a * b mod m for a modulus below 65536 (32-bit product); field product in
// the field modes.
int32_t mod_mult(int32_t a, int32_t b, int32_t m);
// 1 / a, checked: when gcd(a, modulus) is not 1, prints "bad1: %2d\n" with
// a, then error 85.
void emod_inverse(int32_t a, int32_t& r);
// The extended Euclidean algorithm on (m, a) for 0 <= a < m: returns x in
// 0 .. m - 1 with a x = g mod m, and g := gcd(a, m) (g = m and x = 0 for
// a = 0).
int64_t euclid_inverse(int64_t a, int64_t m, int64_t& g);
// r := a^e for e >= 1. For e > 15 and a prime modulus (the fields
// included) the exponent is first reduced modulo modulus - 1, the order of
// the group of units, a reduced exponent of 0 giving 1 (a = 0 gives 0);
// modulo a composite modulus nothing is reduced.
void mod_number_power(int32_t a, int32_t e, int32_t& r);
// a^|e| for an exponent e of any size, read from its digits whatever
// lintmode says: modulo modulus - 1 for a prime modulus, else by powering
// over the bits of e. 0^0 is 1.
int32_t residue_power(int32_t a, const Number& e);
// |x| mod m for the digits of x (whatever lintmode says), m >= 1.
int64_t digits_mod(const Number& x, int64_t m);

// Converts the big integer x to a residue of the current modulus, stored in
// x's lint word. With free_digits the digits are given up (len 0); without,
// they stay for a later return to rational mode. In the field modes values
// outside the field warn (when verbose is on; at most 20 times, counted by
// warn_cnt) and map into the field.
void change_num(Number& x, bool free_digits, bool check_sign);
// The integer of residue r: r, or r - modulus when alt_form_display is set
// and r > modulus / 2 (one or two base-2^28 digits). lint := r is kept.
void residue_to_number(int32_t r, Number& x);

// Warnings of change_num so far; reset at start-up, by errors and by the
// command loop (register_residue_resets joins those resets).
extern int warn_cnt;
// The verbose switch read by change_num's warnings.
extern int verbose;
void register_residue_resets();

}  // namespace tolmex
