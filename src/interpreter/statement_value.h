// The value a statement leaves for the command loop to display and keep as
// the previous value.
#pragma once

namespace tolmex {

struct StatementValue {
    bool present = false;
};

// Frees the value of a statement that is not displayed (startup file).
void discard_statement_value();
// Moves the value the statement computed (if any) into v.
void take_statement_value(StatementValue& v);
// Displays the value on Output.
void display_statement_value(StatementValue& v);
// At the top level the value becomes the previous value; at nested levels
// it is discarded.
void keep_as_previous(StatementValue& v, bool nested);

// The array-system dump that array statements may leave pending.
void show_pending_system_array();
void clear_pending_system_array();

bool no_poly_variables();

}  // namespace tolmex
