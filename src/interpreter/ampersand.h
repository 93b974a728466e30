// Ampersand commands: switches, prompted settings and system commands.
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

// Reads and runs one command after "&" (the current token); leaves the
// statement's terminator in `token` ("@" when nothing is to be displayed).
void ampersand_command(FILE* in, Operand& value, TokenNode*& cursor);

}  // namespace tolmex
