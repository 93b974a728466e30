// Token-driven readers of literal values: decimal integers, written-out
// polys and quolys (array data, the "&_n" raw input form, saved values).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "interpreter/token_nodes.h"
#include "numbers/number.h"
#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

// Reads a decimal literal whose first digit is the current token (each digit
// is one token), leaving the token after it current. Rational mode: the
// exact integer; modular mode: its residue in lint; lintmode outside modular
// mode: the 32-bit value, with " *** Warning. overflow while reading
// constant.\n" (at most 30 times in a run) when it does not fit.
void new_readin(FILE* in, TokenNode*& cursor, Number& x);

// The last integer literal new_readin read, as written: its digits, a count
// of literals read so far, and whether "," came right after it. In modular
// mode a literal's value is a residue; the array literal reader takes a
// sparse row index from here, exactly as written.
struct LiteralMark {
    uint64_t serial = 0;
    std::string digits;
    bool comma_after = false;
};
extern LiteralMark last_literal;

// Reads a written-out poly from the scanner's token stream, starting at
// the current token (the global `token`) and leaving the first token after
// it current:
//     poly     -> ["+" | "-"] term { ("+" | "-") term }
//     term     -> factor { ["*"] factor }
//     factor   -> primary ["^" exponent]
//     primary  -> integer | variable | "(" poly ")"
//     exponent -> ["-"] digits | "(" ["-"] digits ")"
// Every form printed by the nested display (with uglyprint on or off) reads
// back to the same poly. Negative exponents need laurent and a variable as
// the base. Errors: 1 (")" expected), 2 (a token that cannot start a
// factor, or a name that is not a polynomial variable), 116 (a bad
// exponent; name "^"), 376 (an exponent beyond the 32-bit range). In
// modular mode a minus sign prints "*** Warning. Negative value seen during
// poly readin in modular mode.\n" and "    Check your data carefully.\n"
// (once per value).
void poly_readin(FILE* in, TokenNode*& cursor, Poly& p);

// Reads a value in the raw form: a poly, optionally followed by "/" and a
// denominator poly, as the quoly display prints them ("(num) / (den)",
// "x / 3", ...), taken as it stands (quoly_as_written). A zero
// denominator is error 22.
void quoly_readin(FILE* in, TokenNode*& cursor, Quoly& q);

}  // namespace tolmex
