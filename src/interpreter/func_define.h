// Reading user-function definitions and control statements into the
// statement trees of func_store.h.
#pragma once

#include <cstdio>

#include "interpreter/func_store.h"
#include "interpreter/operand.h"

namespace tolmex {

// The definition after "Func"/"Function" and the function's name: the
// parameter list, "=", and the body up to its ".", entered in func_store.
// The "." is the current token on return.
void funcdef(FILE* in, TokenNode*& cursor, const char* name);
// The built-ins Func and Function (their name is the current token): reads
// the function's name and its definition; the statement's terminator is
// current on return and nothing is displayed.
void define_function(FILE* in, Operand& value, TokenNode*& cursor);
// An "if", "while" or "for" statement whose word has been read: its tree
// (to be freed by the caller); the token after its "fi" or "od" is current.
CondNode* read_control_statement(FILE* in, TokenNode*& cursor, const char* word);

}  // namespace tolmex
