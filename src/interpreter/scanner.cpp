#include "interpreter/scanner.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "interpreter/command_level.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/line_source.h"
#include "numbers/display_settings.h"

namespace tolmex {

const char* const kEndOfBody = "\xC2\xA5";

Token token = {"", -1};
int leftover = 0;
int tt_flag = 1;
int namelength = 10;
int semicount = 0;
TokenNode* currentchar = nullptr;
int func_def_count = 0;
CharSet throwaways;
CharSet continset;

namespace {

// The history ring: 60 records of 24 characters.
constexpr int kRingSize = 60;
constexpr int kRingText = 24;
char ring_text[kRingSize][kRingText];
int ring_start = 0;
int ring_finish = -1;  // -1: empty

bool is_name_char(int c) { return std::isalnum(c) || c == '_'; }
bool is_letter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void copy_text(char* dst, const char* src, size_t room) {
    std::strncpy(dst, src, room - 1);
    dst[room - 1] = '\0';
}

// The continuation character continues a line: the grave accent wherever
// it stands (the rest of its line is skipped); a blank, the continuation
// character of the plain display style, only as the last character of its
// line, so that blanks between tokens stay blanks.
bool continues_line(FILE* in, int c) {
    if (!continset.has(c)) return false;
    return c != ' ' || peek_char(in) == '\n';
}

// Skips blanks and joins continued lines; returns the first significant
// character, or ';' for a statement-ending line end (terminal mode, left
// unread) or the end of the stream.
int next_significant(FILE* in) {
    for (;;) {
        int nx = peek_char(in);
        if (nx == EOF) return ';';
        if (nx == '\n') {
            if (tt_flag) return ';';
            read_char(in);
            continue;
        }
        int c = read_char(in);
        if (continues_line(in, c)) {
            skip_line(in);
            semicount = 0;
            continue;
        }
        if (throwaways.has(c)) continue;
        return c;
    }
}

void read_name(FILE* in, int first, Token& tok) {
    int len = 0;
    tok.text[len++] = static_cast<char>(first);
    while (len < namelength) {
        int nx = peek_char(in);
        if (nx == EOF || nx == '\n') break;  // a line end ends the name
        int c = read_char(in);
        if (continues_line(in, c)) {
            skip_line(in);
            semicount = 0;
            leftover = ' ';
            break;
        }
        if (!is_name_char(c)) {
            leftover = c;
            break;
        }
        tok.text[len++] = static_cast<char>(c);
    }
    tok.text[len] = '\0';
}

}  // namespace

namespace {

// The last character read from standard input, for at_line_start.
int last_stdin_char = '\n';

// Input given back to a resumed statement: read before the stream itself.
struct Replay {
    FILE* stream = nullptr;
    std::string text;
    size_t pos = 0;
    bool active(FILE* in) const { return in == stream && pos < text.size(); }
};
Replay replay;
// The rest of the lines of the statements that open levels interrupted,
// oldest first.
std::vector<std::string> held;

void note_read(FILE* in, int c) {
    if (in == stdin) last_stdin_char = c;
}

// A keyboard interrupt while Tolmex waits for a command.
void command_interrupt() {
    interrupt_pending = 0;
    if (!command_int || command_interrupt_suspended > 0 || level_just_opened) return;
    error(m_interrupt == 2 ? 0 : -1, " ");
}

// An interrupt that arrived while the stream was read: at a prompt, or
// while the read was blocked, it is a command interrupt; otherwise it
// interrupts the computation under way. A stretch that holds interrupts
// keeps it waiting either way.
void take_interrupt(bool blocked) {
    if (!interrupt_pending || interrupt_hold > 0) return;
    if (blocked || waiting_for_statement)
        command_interrupt();
    else
        poll_interrupt();
}

int next_char(FILE* in, bool consume) {
    for (;;) {
        take_interrupt(false);
        if (replay.active(in)) {
            int c = static_cast<unsigned char>(replay.text[replay.pos]);
            if (consume) {
                ++replay.pos;
                note_read(in, c);
            }
            return c;
        }
        errno = 0;
        int c = source_getc(in);
        if (c != EOF) {
            if (consume)
                note_read(in, c);
            else
                source_ungetc(c, in);
            return c;
        }
        if (source_error(in) && errno == EINTR) {
            source_clearerr(in);
            take_interrupt(true);
            continue;
        }
        return EOF;
    }
}

// One character straight from the stream, leaving interrupts pending.
int raw_char(FILE* in) {
    for (;;) {
        errno = 0;
        int c = source_getc(in);
        if (c != EOF || !(source_error(in) && errno == EINTR)) return c;
        source_clearerr(in);
    }
}

}  // namespace

int command_interrupt_suspended = 0;

bool at_line_start(FILE* in) { return in != stdin || last_stdin_char == '\n'; }

int read_char(FILE* in) { return next_char(in, true); }

int peek_char(FILE* in) { return next_char(in, false); }

void skip_line(FILE* in) {
    int c;
    do c = read_char(in);
    while (c != EOF && c != '\n');
}

bool at_end_of_input(FILE* in, const TokenNode* cursor) {
    return !cursor && !replay.active(in) && (source_eof(in) || source_error(in));
}

void set_continuation(int c) {
    continuation = c;
    continset = CharSet();
    continset.add(static_cast<unsigned char>(c));
}

void discard_rest_of_line(FILE* in) {
    if (replay.active(in)) {
        // Given-back text always runs to the end of its line.
        replay = Replay();
        note_read(in, '\n');
        return;
    }
    if (at_line_start(in)) return;
    int c;
    do c = raw_char(in);
    while (c != EOF && c != '\n');
    note_read(in, '\n');
}

void hold_rest_of_line(FILE* in) {
    std::string rest;
    if (replay.active(in)) {
        rest = replay.text.substr(replay.pos);
        replay = Replay();
    } else if (!at_line_start(in)) {
        for (int c = raw_char(in); c != EOF; c = raw_char(in)) {
            rest += static_cast<char>(c);
            if (c == '\n') break;
        }
    }
    held.push_back(rest);
    note_read(in, '\n');
}

void give_back_held_line(FILE* in) {
    if (held.empty()) return;
    std::string text = std::move(held.back());
    held.pop_back();
    discard_rest_of_line(in);
    source_clearerr(in);
    if (text.empty()) return;
    replay.stream = in;
    replay.text = std::move(text);
    replay.pos = 0;
    note_read(in, ' ');  // back in the middle of the statement's line
}

void drop_held_lines(FILE* in, size_t keep) {
    if (held.size() > keep) held.resize(keep);
    discard_rest_of_line(in);
}

size_t held_line_count() { return held.size(); }

void forget_held_lines() {
    // The stream under an unread given-back text is at a line start.
    if (replay.active(replay.stream)) note_read(replay.stream, '\n');
    held.clear();
    replay = Replay();
}


void set_token(Token& t, const char* text) {
    copy_text(t.text, text, sizeof t.text);
    t.code = -1;
}

void scanner(FILE* in, Token& tok, TokenNode*& cursor) {
    if (cursor) {
        // The end of a stored list reads as the end-of-body token, as often
        // as it is read: the cursor stays on the list.
        if (!cursor->next) {
            set_token(tok, kEndOfBody);
            currentchar = nullptr;
            return;
        }
        cursor = cursor->next;
        std::memcpy(tok.text, cursor->text, sizeof tok.text);
        tok.code = cursor->code;
        currentchar = cursor->next;
        return;
    }
    take_interrupt(false);
    tok.text[0] = '\0';
    tok.code = -1;
    int c;
    if (leftover && leftover != ' ') {
        c = leftover;
        leftover = 0;
        if (throwaways.has(c)) c = next_significant(in);
    } else {
        leftover = 0;
        c = next_significant(in);
    }
    if (is_letter(c)) {
        read_name(in, c, tok);
    } else {
        tok.text[0] = static_cast<char>(c);
        tok.text[1] = '\0';
    }
    ring_record(tok.text);
}

void dumbscanner(FILE* in, Token& tok, TokenNode*& cursor, int& end_of_line) {
    if (cursor) {
        scanner(in, tok, cursor);
        return;
    }
    take_interrupt(false);
    int c;
    if (leftover && leftover != ' ') {
        c = leftover;
        leftover = 0;
    } else {
        leftover = 0;
        c = read_char(in);
    }
    if (c == EOF) {
        c = ';';
    } else if (c == '\n') {
        c = '\r';
        end_of_line = 1;
    } else if (continues_line(in, c)) {
        skip_line(in);
        c = ' ';
    }
    tok.text[0] = static_cast<char>(c);
    tok.text[1] = '\0';
    tok.code = -1;
    // A line end shows in error reports as the statement end it is.
    ring_record(c == '\r' ? ";" : tok.text);
}

int mygetchar(FILE* in) {
    if (leftover && leftover != ' ') {
        int c = leftover;
        leftover = 0;
        if (!throwaways.has(c)) return c;
    }
    leftover = 0;
    return next_significant(in);
}

void handle_quote(FILE* in, TokenNode*& cursor, FILE* out, long (*width_of)(FILE*, TokenNode*&)) {
    char text[256];
    int n = 0;
    int eol = 0;
    for (;;) {
        dumbscanner(in, token, cursor, eol);
        if (token.text[0] == '\'' || token_is(token, kEndOfBody)) break;
        if (!eol && at_end_of_input(in, cursor)) break;
        // A line end inside the text is written as a line end.
        char ch = token.text[0] == '\r' ? '\n' : token.text[0];
        if (n < 255) text[n++] = ch;
        eol = 0;
    }
    text[n] = '\0';
    std::fputs(text, out);
    scanner(in, token, cursor);
    if (token.text[0] == ':' && width_of) {
        scanner(in, token, cursor);
        long width = width_of(in, cursor);
        for (long i = n; i < width; ++i) std::fputc(' ', out);
    }
}

std::string read_comment(FILE* in, TokenNode*& cursor) {
    std::string text;
    Token t;
    for (;;) {
        int eol = 0;
        dumbscanner(in, t, cursor, eol);
        if (eol) {
            std::printf(" Warning. End of line encountered inside a comment.\n");
            text += ' ';
            continue;
        }
        if (t.text[0] == '}' || token_is(t, kEndOfBody)) break;
        if (at_end_of_input(in, cursor)) break;
        text += t.text;
    }
    return text;
}

TokenNode* save_input_stream(FILE* in) {
    // A keyboard interrupt while the lines of a statement are being typed
    // does not cut it in two.
    struct Suspend {
        Suspend() { ++command_interrupt_suspended; }
        ~Suspend() { --command_interrupt_suspended; }
    } suspend;
    TokenNode* head = nullptr;
    TokenNode* tail = nullptr;
    for (;;) {
        TokenNode* none = nullptr;
        scanner(in, token, none);
        if (token_is(token, ";") && func_def_count == 0) break;
        TokenNode* n = newname();
        std::memcpy(n->text, token.text, sizeof n->text);
        n->code = token.code;
        if (tail)
            tail->next = n;
        else
            head = n;
        tail = n;
    }
    return head;
}

void ring_record(const char* text) {
    if (ring_finish < 0) {
        ring_start = 0;
        ring_finish = 0;
    } else {
        ring_finish = (ring_finish + 1) % kRingSize;
        if (ring_finish == ring_start) ring_start = (ring_start + 1) % kRingSize;
    }
    copy_text(ring_text[ring_finish], text, kRingText);
}

void ring_clear() { ring_finish = -1; }
bool ring_empty() { return ring_finish < 0; }

void ring_save(RingSnapshot& s) {
    static_assert(sizeof s.text == sizeof ring_text);
    std::memcpy(s.text, ring_text, sizeof ring_text);
    s.start = ring_start;
    s.finish = ring_finish;
}

void ring_restore(const RingSnapshot& s) {
    std::memcpy(ring_text, s.text, sizeof ring_text);
    ring_start = s.start;
    ring_finish = s.finish;
}

void ring_print(FILE* out) {
    if (ring_finish < 0) return;
    for (int i = ring_start;; i = (i + 1) % kRingSize) {
        const char* t = std::strcmp(ring_text[i], kEndOfBody) == 0 ? ";" : ring_text[i];
        std::fputs(t, out);
        if (i == ring_finish) break;
    }
}

void init_ring() { ring_clear(); }

void init_scanner_sets() {
    throwaways = CharSet();
    throwaways.add(" \t\n\r");
    set_continuation('`');
}

}  // namespace tolmex
