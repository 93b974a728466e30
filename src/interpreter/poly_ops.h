// The evaluator's polynomial operators: evaluation lists after "#" and the
// derivative double quote.
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"
#include "quoly/quoly.h"

namespace tolmex {

// q := q evaluated at the list that follows "#" (the current token is the
// token after "#").
void evaluate_at_list(FILE* in, Quoly& q, TokenNode*& cursor);
// q := the derivative of q with respect to the variable of level 1.
void differentiate_once(Quoly& q);

}  // namespace tolmex
