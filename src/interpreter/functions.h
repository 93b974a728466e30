// User functions and control flow: running statement trees, calls with
// their parameter bindings, and control statements typed at the terminal.
#pragma once

#include <cstdio>

#include "interpreter/func_store.h"
#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

// The early exits of function bodies and loops ("&}", "&>", "&]").
extern int exit_flag, leave_flag, cycle_flag;

// Forgets the function evaluations in progress (an error abandoned them;
// each call's own frame removes its parameters as it unwinds).
void unwind_function_evaluations();
// A control statement ("for", "if", "while") typed at the terminal; the
// token after the word is current.
void control_statement(FILE* in, const char* word, Operand& value, TokenNode*& cursor);
// A call of the user function `name` (the current token follows the name);
// `node`, the name's token in a stored list, remembers the function found.
void call_user_function(FILE* in, const char* name, Operand& value, TokenNode*& cursor,
                        TokenNode* node = nullptr);

// "Compile F(arguments)" (the current token is "Compile"): links F's body
// once and calls F with it.
void compile_call(FILE* in, Operand& value, TokenNode*& cursor);
void read_and_link(FuncRec* f);

// Runs one statement (value: the value of the last plain statement run).
void getval(CondNode* c, Operand& value);
// Runs a statement list in order, stopping at an early exit.
void eval_form(FormNode* f, Operand& value);

}  // namespace tolmex
