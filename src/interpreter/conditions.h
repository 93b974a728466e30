// Conditions of "if" and "while": comparisons joined by "and", "or" and
// "not", grouped with brackets.
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"

namespace tolmex {

// condition := conjunction { "or" conjunction }
// conjunction := negation { "and" negation }
// negation := "not" negation | "[" condition "]" | comparison
// Every operand is evaluated (no short cut). The first token is current;
// the token after the condition is current on return.
bool bool_expre(FILE* in, TokenNode*& cursor);
// comparison := restricted-expression [ op restricted-expression ], op one
// of = < > <= >= <>; without an operator, true when the value is 1.
bool evalcond(FILE* in, TokenNode*& cursor);
// A whole stored condition: error 13 when tokens are left after it.
bool condition_holds(TokenNode* list);

}  // namespace tolmex
