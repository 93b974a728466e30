// Arrays: dense and sparse matrices of values.
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

extern int doing_sys_func;
extern int addresser;  // the first index of arrays, 0 or 1

// An array statement (first token "[", double quote, "~", "Trans", "Diag",
// "Adjoint", "Altmult", "Altpower" or "MPowermod").
void arr_parse(FILE* in, TokenNode*& cursor);
// The array-of-arrays statement (first token "%").
void arr_arr_state(FILE* in, Operand& value, TokenNode*& cursor);
// An element name[...] as a factor (the current token is "[").
void array_element(FILE* in, const char* name, Operand& value, TokenNode*& cursor);
// "<[...]": an element of the system array (the current token is "[").
void system_array_element(FILE* in, Operand& value, TokenNode*& cursor);
// "%...": an element of an array of arrays.
void array_of_arrays_element(FILE* in, Operand& value, TokenNode*& cursor);
// "<F": the current system function.
void system_function(FILE* in, Operand& value, TokenNode*& cursor);

}  // namespace tolmex
