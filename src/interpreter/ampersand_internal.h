// Shared pieces of the ampersand commands (for the interpreter's own files).
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

// The common tail: reads the statement's terminator; a command that leaves
// no value to display turns ";" and ":" into "@".
void read_terminator(FILE* in, TokenNode*& cursor);
// Ends a command whose value is to be displayed: reads the terminator.
void value_terminator(FILE* in, TokenNode*& cursor);
// Leaves "@" for a terminator the command has already read.
void quiet_terminator();

// Toggle commands ("&t", "&_s", ...): true when name is one.
bool toggle_command(const char* name, FILE* in, TokenNode*& cursor);
// A flag of the parenthesised form: true when name is one (the value has
// been checked by the caller: a non-negative number).
bool set_flag(const char* name, int64_t v);
bool is_flag_name(const char* name);

// Writes "off.\n" or "on, level N.\n" for the command interrupt.
void print_command_interrupt_state();

// Prompted settings ("&X", "&#", ...): true when name is one.
bool prompted_setting(const char* name, FILE* in, Operand& value, TokenNode*& cursor);
// A numeric setting of the parenthesised form: true when name is one.
bool set_number_setting(const char* name, int64_t v, bool is_number, Operand& value);
// The prompt setting from a name or quoted text.
void set_prompt_text(const char* text, bool from_parenthesis);

// Adjoins or removes polynomial variables: [">" | "-"] name {"," ...}, the
// current token being the first of the list.
void adjoin_command(FILE* in, TokenNode*& cursor);
// A name or a text in single quotes (file names, prompts).
void read_name_or_text(FILE* in, TokenNode*& cursor, char* out, size_t room);

// The status display of "&g".
void global_dump();
// A value shown on its own line ("... is now: " and the value).
void show_value_line(const QuolyRec* q);
void show_int_line(int64_t v);

// Consumes the line end left by the command when reading from the terminal,
// so that the next line holds the answer to a prompt.
void take_pending_line_end(FILE* in);

}  // namespace tolmex
