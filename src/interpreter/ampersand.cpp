#include "interpreter/ampersand.h"

#include <cstring>

#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/scanner.h"
#include "storage/accounting.h"

namespace tolmex {

namespace {

// A toggle: the switch it inverts and its two messages.
struct Toggle {
    const char* command;
    int* flag;
    const char* on;
    const char* off;
};

const Toggle kToggles[] = {
    {"t", &timerflag, " Timing enabled.\n", " Timing disabled.\n"},
    {"e", &errorpush, " Will push new level after errors.\n",
     " Pushing after errors is deactivated.\n"},
};

const Toggle* find_toggle(const char* name) {
    for (const Toggle& t : kToggles)
        if (std::strcmp(t.command, name) == 0) return &t;
    return nullptr;
}

// The common tail: the next token is the statement's terminator; a command
// that yields no displayed value turns ";" and ":" into "@".
void read_terminator(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    if (token_is(token, ";") || token_is(token, ":")) set_token(token, "@");
}

void pop_level_command(FILE* in, TokenNode*& cursor) {
    time_to_quit = 1;
    read_terminator(in, cursor);
}

void push_level_command(FILE* in, TokenNode*& cursor) {
    error(-1, " ");
    if (tt_flag || cursor) scanner(in, token, cursor);
    if (!tt_flag || levelcount == 1) set_token(token, "@");
}

}  // namespace

void ampersand_command(FILE* in, Operand& value, TokenNode*& cursor) {
    (void)value;
    scanner(in, token, cursor);
    char name[kTokenText + 1];
    if (std::strlen(token.text) > 1) error(114, token.text);
    if (token_is(token, "_")) {
        scanner(in, token, cursor);
        if (std::strlen(token.text) > 1) error(114, token.text);
        std::snprintf(name, sizeof name, "_%s", token.text);
    } else {
        std::snprintf(name, sizeof name, "%s", token.text);
    }

    if (const Toggle* t = find_toggle(name)) {
        *t->flag = !*t->flag;
        std::fputs(*t->flag ? t->on : t->off, stdout);
        read_terminator(in, cursor);
        return;
    }
    if (!std::strcmp(name, "q") || !std::strcmp(name, "Q")) throw QuitProgram();
    if (!std::strcmp(name, "@")) {
        error(0, " ");
        return;
    }
    if (!std::strcmp(name, "_p")) return pop_level_command(in, cursor);
    if (!std::strcmp(name, "_P")) return push_level_command(in, cursor);
    if (!std::strcmp(name, "G")) {
        garbage('g');
        read_terminator(in, cursor);
        return;
    }
    error(17, name);
}

}  // namespace tolmex
