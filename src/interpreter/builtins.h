// Built-in functions: the sorted name table read at start-up and the calls.
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"
#include "quoly/quoly.h"

namespace tolmex {

constexpr int kBuiltins = 110;

struct BuiltinEntry {
    char name[11];
    char alias[11];
};
extern BuiltinEntry builtin[kBuiltins];
extern int numbuiltins;  // index of the last entry read

// The denominator of the random-number built-in (1 at start-up and after
// every change of ground ring).
extern Quoly rand_denom;
void reset_random_denominator();

// Binary search of the table between low and high; -1 when absent.
int find_built_in(int low, int high, const char* name);
// Runs the built-in of the given index (the current token is its name):
// the array built-ins through their own handler, every other index through
// the bank its index is routed to. An index without code prints "not
// implemented" and abandons the command.
void builtin_func(FILE* in, Operand& value, TokenNode*& cursor, int index);
// Indices 0 .. 42 and a fixed list above 44 run in bank 1, the others in
// bank 2.
bool routed_to_bank1(int index);
// A capitalised name as a factor (the current token): an alias entry is
// replaced by its alias and parsed again, a built-in is called, anything
// else is a user function.
void capitalised_name(FILE* in, Operand& value, TokenNode*& cursor);

}  // namespace tolmex
