// Arrays are not yet part of the language: every array form reports that no
// such array exists, and nothing is changed.
#include "interpreter/arrays.h"

#include "interpreter/errors.h"
#include "interpreter/scanner.h"

namespace tolmex {

int doing_sys_func = 0;
int addresser = 1;

void arr_parse(FILE*, TokenNode*&) { error(24, token.text); }

void arr_arr_state(FILE*, Operand&, TokenNode*&) { error(220, token.text); }

void array_element(FILE*, const char* name, Operand&, TokenNode*&) { error(24, name); }

void system_array_element(FILE*, Operand&, TokenNode*&) { error(24, "<"); }

void array_of_arrays_element(FILE*, Operand&, TokenNode*&) { error(220, token.text); }

void system_function(FILE*, Operand&, TokenNode*&) { error(222, "F"); }

}  // namespace tolmex
