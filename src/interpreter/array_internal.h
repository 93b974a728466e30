// Shared by the array files of the interpreter.
#pragma once

#include <cstdio>

#include "matrix/matrix.h"

namespace tolmex {

// The uninitialised-element warning (where: "[name]", "%" or "#"; null
// for the readers of whole arrays), 20 per command, then " ....etc...".
void uninit_warning(const char* where);

// The temporary array copy: the value of the last array statement (the
// system array "<"), kept until an error abandons a command.
const Matrix* temporary_array();
void set_temporary_array(Matrix&& m, const char* name);
void drop_temporary_array();

// The matrix in slot k of the arrays of arrays (error 220 when empty).
const Matrix& arrstash_slot(int32_t k);

// Ends an array statement: at its terminator (";" or ":") nothing more is
// displayed for it.
void end_array_statement();
// The array to display after the statement (";"): its name ("<" for the
// temporary copy), as a literal or entry by entry.
void set_pending_display(const char* name, bool literal);

}  // namespace tolmex
