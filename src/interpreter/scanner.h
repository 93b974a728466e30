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
#include <cstring>
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

// Reads one character. A keyboard interrupt that arrived during a
// computation opens a command level first; one that arrives while Tolmex
// waits for input is a command interrupt (see below).
int read_char(FILE* in);
// The next character without consuming it.
int peek_char(FILE* in);
// Consumes characters up to and including the next line end.
void skip_line(FILE* in);
// True when the last character read from the stream ended a line (or
// nothing has been read from it yet).
bool at_line_start(FILE* in);
// Discards what is left of the current line of `in` (nothing at a line
// start) without taking keyboard interrupts meanwhile.
void discard_rest_of_line(FILE* in);

// A command level opened in the middle of a statement reads lines of its
// own: the rest of the interrupted statement's line is held, one text per
// open level, and given back when the statement resumes, so that it goes on
// exactly where it stopped.
void hold_rest_of_line(FILE* in);
// Gives the newest held text back as the next input of `in`; what is left
// of the line that ended the level is discarded.
void give_back_held_line(FILE* in);
// For statements abandoned by an error: keeps the `keep` oldest held texts
// and discards the rest of the current line.
void drop_held_lines(FILE* in, size_t keep);
size_t held_line_count();
// Forgets every held text and the input given back (the return to the top
// level).
void forget_held_lines();

// Command interrupts: a keyboard interrupt while Tolmex waits at a prompt
// is ignored when `command_int` is off, opens a command level at level 1
// and is a panic stop at level 2. It is suspended (ignored) while this is
// positive: from the opening of a level until its first token is read, and
// while a statement is captured.
extern int command_interrupt_suspended;

// Token history ring: the last 60 tokens read from text.
void ring_record(const char* text);
void ring_clear();
bool ring_empty();
// The ring as it stands, for a command level to put back when it resumes
// the statement it interrupted.
struct RingSnapshot {
    char text[60][24];
    int start, finish;
};
void ring_save(RingSnapshot& s);
void ring_restore(const RingSnapshot& s);
// Writes the ring's texts from the oldest to the newest, back to back.
void ring_print(FILE* out);
void init_ring();

// Most tests fail on the first character: that is checked inline.
inline bool token_is(const Token& t, const char* text) {
    if (t.text[0] != text[0]) return false;
    if (text[0] == '\0') return true;
    if (text[1] == '\0') return t.text[1] == '\0';
    return std::strcmp(t.text + 1, text + 1) == 0;
}
void set_token(Token& t, const char* text);

void init_scanner_sets();

}  // namespace tolmex
