// The statement parser and the expression evaluator.
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"

namespace tolmex {

// Expressions are evaluated in machine integers (inside function bodies
// after an "Integer" declaration).
extern int integerflag;

// Executes one statement whose first token has been read; leaves the
// terminator in `token`.
void parse(FILE* in, TokenNode*& cursor);
// A statement beginning with a capitalised name starting with "A" or "M"
// (other than the array statements): terms joined by "+" and "-".
void restricted_statement(FILE* in, TokenNode*& cursor);

}  // namespace tolmex
