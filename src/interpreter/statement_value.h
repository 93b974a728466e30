// The value a statement leaves for the command loop, and the previous
// top-level value ("<").
#pragma once

#include "interpreter/operand.h"

namespace tolmex {

extern Quoly prevnum;  // the value of the previous top-level statement
// Statements being run as factors ("!", "&", "?", "@" inside expressions):
// they keep their terminator instead of leaving "@".
extern int statement_as_factor;

// A copy of the previous value (0 when there is none).
[[nodiscard]] Quoly previous_value_copy();
// Displays the statement's value on Output.
void display_statement_value(Operand& v);
// At the top level the value becomes the previous value; at nested levels
// it is discarded.
void keep_as_previous(Operand& v, bool nested);

// The array-system dump that array statements may leave pending.
void show_pending_system_array();
void clear_pending_system_array();

bool no_poly_variables();

}  // namespace tolmex
