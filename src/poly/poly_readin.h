// Reading polys: the fast reader of written-out polys (array data, the
// "&_n" raw input form, saved values), and the tree dump of a poly. The
// readers of numbers and polys in the initialization data files
// (direct_number_read, direct_poly_read, direct_quoly_read) live with the
// data-file reader, interpreter/data_files.h.
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"
#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

struct PolyVar;

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
// "x / 3", ...). The value is taken as it stands, without normalising it
// again: a denominator of 1 is dropped, a constant numerator without
// denominator makes a numeric quoly, two constants in rational mode a
// rational number.
void quoly_readin(FILE* in, TokenNode*& cursor, Quoly& q);

// Debugging dump of the node tree, one line per list, indented by two
// blanks per level below the first: the label and the variable's name
// ("%s: " then the name, or " : " when no name is known), then each
// exponent ("%d "), a number coefficient as "*" with the number and a
// blank; the sub-lists follow on further lines, and a sub-list that is a
// single number node is marked by a line " **" with the number.
void crude_poly_disp(FILE* out, const char* label, const PolyNode* p, int indent, PolyVar* var);

}  // namespace tolmex
