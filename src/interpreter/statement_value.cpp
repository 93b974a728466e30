#include "interpreter/statement_value.h"

namespace tolmex {

void discard_statement_value() {}
void take_statement_value(StatementValue& v) { v.present = false; }
void display_statement_value(StatementValue&) {}
void keep_as_previous(StatementValue&, bool) {}
void show_pending_system_array() {}
void clear_pending_system_array() {}
bool no_poly_variables() { return true; }

}  // namespace tolmex
