// Arrays: dense and sparse matrices of values.
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"

namespace tolmex {

extern int doing_sys_func;

// An array statement (first token "[", double quote, "~", "Trans", "Diag",
// "Adjoint", "Altmult", "Altpower" or "MPowermod").
void arr_parse(FILE* in, TokenNode*& cursor);

}  // namespace tolmex
