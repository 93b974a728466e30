// Integer mode: the machine-integer twins of the evaluator, used on stored
// function bodies after an "Integer" declaration (integerflag set).
//
// Values are 32-bit signed integers; in modular mode they are residues of
// the modulus (field elements in the fields of characteristic 2) and every
// operator computes in the ring. Overflow is not checked: sums, products
// and powers wrap around modulo 2^32, as machine words do. Every factor
// must be a machine integer (error 68 otherwise): a variable's value, an
// array element, the value of a built-in or user function.
#pragma once

#include <cstdint>
#include <cstdio>

#include "interpreter/evaluator.h"
#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"
#include "quoly/quoly.h"

namespace tolmex {

// A restricted integer expression (terms joined by "+" and "-", no
// assignment); the token after it is current on return.
int32_t old_iexpre(FILE* in, TokenNode*& cursor);

// An expression statement in integer mode (the first token has been read):
// a plain expression, `v := e`, `v :+ n`, `v :- n`, with a variable or an
// array element as the target. An assignment or increment stores the
// result as a number in the target; value becomes the statement's value as
// a quoly (a reference to the variable after an assignment to one).
void integer_statement(FILE* in, Operand& value, TokenNode*& cursor);

// One comparison of a condition in integer mode: both sides are machine
// integers (residues in modular mode) and compare directly. Without an
// operator it holds when the value is 1; the condition must then end
// ("]", "or", "and" or the end of the list), error 13 otherwise.
bool integer_comparison(FILE* in, TokenNode*& cursor);

// The grammar levels, for readers that need one of them on its own:
// iexpre is integer_statement's expression without its target forms,
// iterm a term ("*", "/", "\", "|"), ifact a factor, iget_exponent the
// exponent after "^" (the current token), read in true integers also in
// modular mode.
int32_t iexpre(FILE* in, TokenNode*& cursor);
int32_t iterm(FILE* in, TokenNode*& cursor);
int32_t ifact(FILE* in, TokenNode*& cursor);
int32_t iget_exponent(FILE* in, TokenNode*& cursor);

// True where expressions are read in machine integers: integer mode on a
// stored token list.
inline bool integer_mode_here(const TokenNode* cursor) { return integerflag && cursor; }

// The machine integer of a value (its residue in modular mode); error 68,
// naming `name`, when it is not an integer of 32 bits.
int32_t machine_value(const QuolyRec* q, const char* name);
// A machine integer of the ring as a numeric quoly.
[[nodiscard]] Quoly machine_quoly(int32_t v);

}  // namespace tolmex
