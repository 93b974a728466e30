// The statement parser and the expression evaluator. Values are computed
// while parsing (there is no syntax tree); every operator calls the quoly
// arithmetic.
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"
#include "numbers/number.h"

namespace tolmex {

// Expressions are evaluated in machine integers (inside function bodies
// after an "Integer" declaration).
extern int integerflag;
// Depth of |...| being read: a "|" then closes the absolute value instead of
// being the remainder operator. Parentheses reset it, and so does a command
// level opened meanwhile.
extern int abs_depth;
// Positive while a for-loop header is read: the words "to" and "by" then
// end a term instead of multiplying it.
extern int loop_header_words;

// Executes one statement whose first token has been read; leaves its value
// in value (possibly none) and the terminator in `token`.
void parse(FILE* in, Operand& value, TokenNode*& cursor);
// A statement beginning with a capitalised name starting with "A" or "M"
// (other than the array statements): terms joined by "+" and "-".
void restricted_statement(FILE* in, Operand& value, TokenNode*& cursor);

// expression := term { ("+" | "-") term } | target ":=" restricted-expression
//             | target ":+" [amount] | target ":-" [amount]
void expre(FILE* in, Operand& value, TokenNode*& cursor);
// term := factor { ("*" | "/" | "//" | "\" | "|") factor | juxtaposed factor }
void term(FILE* in, Operand& value, TokenNode*& cursor);
// factor := ["*"] prefix-or-primary [ "^" exponent | "!" | "#" list ] { '"' }
void fact(FILE* in, Operand& value, TokenNode*& cursor);
// The restricted twins: no assignment; always a value of their own.
void old_expre(FILE* in, Quoly& value, TokenNode*& cursor);
void old_fact(FILE* in, Quoly& value, TokenNode*& cursor);
// The increment forms ":+", ":-" on an array element (value holds it).
void increment_array_element(FILE* in, Operand& value, TokenNode*& cursor, bool up);
// Continuations for readers that already hold the first factor's value.
void half_fact(FILE* in, Operand& value, TokenNode*& cursor);
void half_term(FILE* in, Operand& value, TokenNode*& cursor);
void half_expre(FILE* in, Operand& value, TokenNode*& cursor);
// True when the tokens after the current one of a stored list (the
// operator) are a term that cannot change any variable: a number literal or
// a plain variable name, followed by what ends a term.
bool simple_term_follows(const TokenNode* cursor);
// The same for the term beginning at the token node t.
bool simple_term_at(const TokenNode* t);
// Reads the exponent after "^" (a factor, evaluated with modular
// arithmetic switched off) into e.
void get_exponent(FILE* in, TokenNode*& cursor, Number& e);

// A restricted expression read with modular arithmetic switched off, for
// settings: is_number tells whether it was a number; v is its value as a
// machine integer when it fits (fits).
struct IntValue {
    bool is_number = false;
    bool fits = false;
    int64_t v = 0;
};
IntValue read_setting_value(FILE* in, TokenNode*& cursor);

}  // namespace tolmex
