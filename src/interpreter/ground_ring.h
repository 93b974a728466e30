// The commands that change the ground ring: "&p" and "&(p = n)".
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"

namespace tolmex {

// "&p": back to rational arithmetic from modular mode; otherwise to modular
// arithmetic with a modulus asked for (the terminal) or read (a file).
void ring_command(FILE* in, TokenNode*& cursor);
// "&(p = n)": the current token is the first after "="; "_i" asks for
// rational arithmetic. Reads the rest of the statement, its terminator
// included. At the terminal an improper modulus is asked for again.
void ring_setting(FILE* in, TokenNode*& cursor);
// Error 74 when a command that converts stored values (a change of ground
// ring, adjoining or removing polynomial variables) is met inside an
// expression or inside the answer to the modulus prompt.
void refuse_inside_expression(const char* name);

}  // namespace tolmex
