// Built-ins that read or write arrays (declaration, shape tests, sparse
// conversions, sorting, the matrix utilities) and those whose mathematics
// Tolmex does not have yet (determinants, factoring, the matrix reductions).
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

// True for the table indices whose handler is array_builtin.
bool is_array_builtin(int index);
// Runs the built-in of table index `index` (is_array_builtin(index) holds);
// the current token is the built-in's name.
void array_builtin(int index, FILE* in, Operand& value, TokenNode*& cursor);

}  // namespace tolmex
