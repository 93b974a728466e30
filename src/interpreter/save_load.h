// Saving the state of a session to a file of statements and reading files
// of statements: the commands "&s", "&S", "&r", "&R", "&(S = ...)" and
// "&(R = ...)".
//
// A save file is a script: switches, polynomial variables with their
// moduli, the ground ring, functions, scalar variables and arrays, ending
// with "&x;". Each "&s" adds a complete snapshot to the output file; the
// file on disk is replaced only once the new text is complete (written
// beside it and renamed), so a full disk or an interrupt never costs the
// previous save.
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

extern FILE* inpuf;               // the file being read by the read command
extern int close_inpuf;           // close it when an error occurs
extern char input_file_name[256]; // its name, empty when none
extern int done_load;             // "&x": stop reading after this statement
// The save file is open only while a snapshot is written; its name stays
// chosen between saves.
extern FILE* outpuf;
extern char output_file_name[256];

// "&s" (new_file false) and "&S" (true), the command letter just read:
// chooses the output file or writes a snapshot to it; reads the terminator.
void save_command(FILE* in, TokenNode*& cursor, bool new_file);
// "&r" and "&R": chooses the input file when needed and reads it.
void read_command(FILE* in, TokenNode*& cursor, bool new_file);
// "&(S = name)" and "&(R = name)": the current token is the first of the
// name; reads it and the closing ")" (error 135), then acts.
void save_setting(FILE* in, TokenNode*& cursor);
void read_setting(FILE* in, TokenNode*& cursor);

// Writes the whole state as a script (one snapshot) to out.
void write_state(FILE* out);
// The arrays of a snapshot, sorted by name, array parameters left out.
void write_arrays(FILE* out);

}  // namespace tolmex
