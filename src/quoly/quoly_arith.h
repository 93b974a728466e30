// Arithmetic of quolys. Plain forms leave their operands intact; better_
// forms consume the first operand; best_ and fast_ forms update the first
// operand in place and consume the second. Every result is in normal form.
#pragma once

#include <cstdint>

#include "quoly/quoly.h"

namespace tolmex {

void quoly_add(const QuolyRec* a, const QuolyRec* b, Quoly& r);
void quoly_sub(const QuolyRec* a, const QuolyRec* b, Quoly& r);
// r := a + b, a - b with a consumed (r may be the handle a came from).
void better_quoly_add(Quoly&& a, const QuolyRec* b, Quoly& r);
void better_quoly_sub(Quoly&& a, const QuolyRec* b, Quoly& r);
void best_quoly_add(Quoly& a, Quoly&& b);  // a := a + b
void best_quoly_sub(Quoly& a, Quoly&& b);  // a := a - b

void quoly_mult(const QuolyRec* a, const QuolyRec* b, Quoly& r);
void fast_quoly_mult(Quoly& a, Quoly&& b);  // a := a * b
// r := a / b; with no_gcd the new numerator and denominator are not
// searched for a common factor (the "//" operator).
void quoly_quot(const QuolyRec* a, const QuolyRec* b, Quoly& r, bool no_gcd = false);
void fast_quoly_quot(Quoly& a, Quoly&& b, bool no_gcd = false);  // a := a / b

void quoly_reciprocal(Quoly& q);  // q := 1 / q
// q := q^e for an integer exponent e (the power operator). e is a true
// integer: its digits are read whatever lintmode says (the evaluator reads
// exponents with integers), a number without digits being its word. A
// residue takes an exponent of any size (modulo modulus - 1 for a prime
// modulus); other values take exponents of one word in modular mode and of
// one digit in rational mode, else error 32.
void raise_to_power(Quoly& q, const Number& e);
// q := q^k for k >= 1.
void quoly_compute_power(Quoly& q, int32_t k);
// r := a mod b (op '|') or a div b (any other op).
void quoly_mod_or_div(const QuolyRec* a, const QuolyRec* b, Quoly& r, int op);

void quoly_inplace(QuolyRec* q);                  // q := -q
void quoly_great_int(Quoly& q);                   // the "$" operator
void quoly_abs(Quoly& q);                         // |q|

// Normalisation: check_quoly cancels common factors of numerator and
// denominator; normal_form and lint_normal_form only fix signs, monic
// denominators, constant denominators (and the Laurent step when lflag).
void check_quoly(Quoly& q, int lflag);
void normal_form(Quoly& q, int lflag);
void lint_normal_form(Quoly& q, int lflag);
// Cancels the common integer content of numerator and denominator.
void sanitize(Quoly& q);

// The change of ground ring of one value: applies f to the number of q, or
// to every coefficient of its numerator and denominator (terms that vanish
// are dropped), then brings q to the normal form of the arithmetic now in
// force: in lint mode through check_quoly; in rational mode the integer
// contents are cancelled and the signs fixed (integers lifted from residues
// of a reduced quotient share no factor that a GCD would find). Returns
// false, with q := 0, when the denominator vanished or its leading
// coefficient has no inverse modulo a composite modulus.
[[nodiscard]] bool quoly_map_coefficients(Quoly& q, CoefficientMap f);

// A stored value after a modding poly was installed: numerator and
// denominator reduced by the modding polys, then normalised again (a
// denominator in the field is inverted into the numerator). Returns false,
// with q unchanged, when the denominator became 0 (the caller reports it
// and sets the value); a numerator that became 0 makes q 0.
[[nodiscard]] bool mod_out_quoly(Quoly& q);

// The rational-number routines (rational mode): r := a + b or a - b (add
// clear) and the products and quotients; operands are integers or rational
// numbers.
void add_rats(const QuolyRec* a, const QuolyRec* b, Quoly& r, bool add);
void add_numb_rat(const Number& n, const QuolyRec* a, Quoly& r, bool add);
void mult_rats(const QuolyRec* a, const QuolyRec* b, Quoly& r);
void mult_numb_rat(const Number& n, const QuolyRec* a, Quoly& r);
void quot_rats(const QuolyRec* a, const QuolyRec* b, Quoly& r);
// The exact quotient n / m of two integers (error 22 for m = 0, and 1 when
// the error routine returns).
void quot_numbers(const Number& n, const Number& m, Quoly& r);
// p / q of integers as a normalised value (numeric when q divides p).
[[nodiscard]] Quoly make_rational(Number&& p, Number&& q);

}  // namespace tolmex
