// Where standard input comes from. At a terminal (standard input and
// output both terminals) whole lines are read with the line editor, with
// history and completion, and handed out character by character exactly as
// the stream would give them; anywhere else every call here is the plain
// stdio call on the stream, and the editor is never touched.
#pragma once

#include <cstdio>

namespace tolmex {

// Starts line editing when standard input and output are terminals: the
// history of earlier sessions is read from $HOME/.tolmex_history, and
// standard output is followed so that the editor can show what was
// written on the current line (the prompt) as its own prompt.
void open_line_source();
// Puts the terminal back as it was; safe to call when editing never began.
void close_line_source();
bool line_editing();
// Standard input was given another file (the statements of the command
// line put in front of the terminal, and the terminal back after them):
// the editor reads only while it is the terminal.
void standard_input_replaced();

// The stdio calls, for the line editor's standard input.
int source_getc(FILE* in);
void source_ungetc(int c, FILE* in);
bool source_eof(FILE* in);
bool source_error(FILE* in);
void source_clearerr(FILE* in);
char* source_gets(char* buf, int n, FILE* in);

}  // namespace tolmex
