// User functions and control flow.
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

// The early exits of function bodies and loops ("&}", "&>", "&]").
extern int exit_flag, leave_flag, cycle_flag;

// Removes the arguments of every function evaluation in progress and empties
// the evaluation stack (an error abandoned them).
void unwind_function_evaluations();
// A control statement ("for", "if", "while") typed at the terminal.
void control_statement(FILE* in, const char* word, Operand& value, TokenNode*& cursor);
// A call of the user function `name` (the current token follows the name).
void call_user_function(FILE* in, const char* name, Operand& value, TokenNode*& cursor);

}  // namespace tolmex
