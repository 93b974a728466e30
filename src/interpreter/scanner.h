// The scanner: characters to tokens, from a stream or a stored token list
// behind one interface, plus the token history ring used by error reports.
//
// Tokens are names (a letter, then letters, digits and "_", cut at 10
// characters) or single characters. In terminal mode the end of a line ends
// a statement (the scanner returns ";" and leaves the line end unread, for
// the command loop to consume); in file mode line ends are blanks. The grave
// accent continues a line. At the end of a stream the scanner returns ";".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "interpreter/token_nodes.h"
#include "storage/bitset.h"

namespace tolmex {

struct Token {
    char text[kTokenText];
    int16_t code;  // cached hash bucket; -1 when just read from text
};

// The token that ends a stored token list.
extern const char* const kEndOfBody;

extern Token token;        // the current token
extern int leftover;       // pending character; blank or 0 means none
extern int tt_flag;        // 1 terminal mode, 0 file mode
extern int namelength;     // maximum name length, 10
extern int semicount;      // reset whenever a continued line is joined
extern TokenNode* currentchar;  // the node after the current one in a stored list
extern int func_def_count;      // function definitions being read
extern CharSet throwaways;      // blank, tab, line feed, carriage return
extern CharSet continset;       // the continuation character, as a set

// Reads the next token into tok, from the stored list when cursor is not
// null, otherwise from the stream.
void scanner(FILE* in, Token& tok, TokenNode*& cursor);
// Reads exactly one raw character as a one-character token; end_of_line is
// set when a line end was crossed (returned as a carriage return, 13). At
// the end of the stream the token is ";" (see at_end_of_input).
void dumbscanner(FILE* in, Token& tok, TokenNode*& cursor, int& end_of_line);
// True when reading from a stream that has ended: readers of quoted text and
// comments stop there instead of waiting for their closing character.
bool at_end_of_input(FILE* in, const TokenNode* cursor);
// The continuation character: the grave accent, a blank while the plain
// display style is on (a line ending in a blank then continues). Also the
// mark the printers end a broken line with.
void set_continuation(int c);
// One character with the scanner's skipping, line-end and continuation rules.
int mygetchar(FILE* in);
// Reads quoted text after an opening quote and writes it to out; a ":" and a
// width (given by width_of, evaluated from the following tokens) pads it.
void handle_quote(FILE* in, TokenNode*& cursor, FILE* out, long (*width_of)(FILE*, TokenNode*&));
// Reads a comment after its opening "{" up to the closing "}", raw
// character by character; returns its text. A line end inside it writes
// " Warning. End of line encountered inside a comment.\n" and the comment
// goes on with the next line.
std::string read_comment(FILE* in, TokenNode*& cursor);
// Captures the rest of the current statement, up to ";", as a token list.
TokenNode* save_input_stream(FILE* in);

// Reads one character, opening a command level when a keyboard interrupt
// arrives while waiting.
int read_char(FILE* in);
// The next character without consuming it.
int peek_char(FILE* in);
// Consumes characters up to and including the next line end.
void skip_line(FILE* in);
// True when the last character read from the stream ended a line (or
// nothing has been read from it yet).
bool at_line_start(FILE* in);

// Token history ring: the last 60 tokens read from text.
void ring_record(const char* text);
void ring_clear();
bool ring_empty();
// Writes the ring's texts from the oldest to the newest, back to back.
void ring_print(FILE* out);
void init_ring();

bool token_is(const Token& t, const char* text);
void set_token(Token& t, const char* text);

void init_scanner_sets();

}  // namespace tolmex
