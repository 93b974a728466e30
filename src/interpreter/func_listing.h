// The written form of user functions: the listing commands "&f" and "&F"
// show it, and saving writes it so that reading the file defines the same
// functions again.
//
// Layout of one function: an empty line, the heading (a line ending in
// " =  "), then the statements, four blanks in; a branch or loop body is
// three blanks further in than its opening word; each comment is a line of
// its own before its statement:
//
//      Function Name(a,^b) =
//         { add them }
//         b := a + b;
//         if b > 0 then
//            b := 0
//         fi.;
//
// Tokens of a statement are written so that scanning the text again gives
// the same tokens; see `write_tokens`.
#pragma once

#include <cstdio>

#include "interpreter/func_store.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

// Writes the tokens of a stored list (`tokens` up to its end) on one line.
// A blank separates two tokens except where the pair reads better joined
// and joining cannot merge them into one token: inside digits (a number is
// a run of digit tokens), ":=" ":+" ":-" "<=" ">=" "<>", around "^" (and
// the "-" of a negative exponent), after "(" "[" "&" and "&_", before ")"
// "]" "," ";", and between a name (but not "and", "or", "not", "from",
// "to", "by") and the "(" or "[" that follows it. The text between single quotes is read back
// character by character, so it is written back to back (a stored line end
// as a line end).
void write_tokens(FILE* out, const TokenNode* tokens);

// Writes one function: an empty line, its heading, its statements and ".".
// As part of the listing of all functions (`sorted`), ";" and a newline
// follow, so that a saved file reads each definition as one statement.
void write_function(FILE* out, const FuncRec* f, bool sorted);

// Writes every function, sorted by name (in table order when there are
// more than 1000). Only the definition a call would find is written for a
// name: an older, hidden one would hide the newer when read back.
void write_functions(FILE* out);

// "&f" and "&F": the next token is read; a function name lists that
// function, a terminator lists them all. Leaves the statement's terminator
// current ("@" when it was ";" or ":").
void listfuncs(FILE* in, TokenNode*& cursor);

}  // namespace tolmex
