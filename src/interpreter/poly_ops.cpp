#include "interpreter/poly_ops.h"

#include "interpreter/errors.h"
#include "interpreter/scanner.h"

namespace tolmex {

void evaluate_at_list(FILE*, Quoly&, TokenNode*&) { error(2, "#"); }

void differentiate_once(Quoly&) { error(2, "\""); }

}  // namespace tolmex
