// The display statement: "!" followed by quoted texts and values.
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"

namespace tolmex {

// ! item { "," item }, optionally in parentheses; an item is a quoted text
// (with ":" and a width to pad it) or an expression. Ends the line.
void write_out(FILE* in, TokenNode*& cursor);

}  // namespace tolmex
