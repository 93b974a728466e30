// User functions and control statements are not yet part of the language:
// a call of an unknown function and a control word report their errors.
#include "interpreter/functions.h"

#include "interpreter/driver.h"
#include "interpreter/errors.h"

namespace tolmex {

int exit_flag = 0, leave_flag = 0, cycle_flag = 0;

void unwind_function_evaluations() { lastf.clear(); }

void control_statement(FILE*, const char* word, Operand&, TokenNode*&) { error(2, word); }

void call_user_function(FILE*, const char* name, Operand&, TokenNode*&) { error(20, name); }

}  // namespace tolmex
