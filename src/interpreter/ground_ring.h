// The commands that change the ground ring: "&p" and "&(p = n)".
#pragma once

#include <cstdio>

#include "interpreter/token_nodes.h"

namespace tolmex {

// "&p": back to rational arithmetic from modular mode; otherwise to modular
// arithmetic with a modulus asked for (the terminal) or read (a file).
void ring_command(FILE* in, TokenNode*& cursor);
// "&(p = n)": the current token is the first after "="; "_i" asks for
// rational arithmetic. Leaves the token after the value current.
void ring_setting(FILE* in, TokenNode*& cursor);

}  // namespace tolmex
