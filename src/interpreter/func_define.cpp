// Reading function definitions and control statements into statement
// trees: the tokens of each plain statement, condition and loop header are
// scanned once here and kept; running them re-reads the stored tokens.
#include "interpreter/func_define.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "base/stack.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/scanner.h"

namespace tolmex {

namespace {

constexpr int kStatementsInARow = 15;  // line ends at the terminal inside one definition

// What ends a statement list.
enum class Ends { Body, Loop, Then, Else };

bool is(const char* t) { return token_is(token, t); }

// Reads the tokens of a definition from the stream or a stored list. At the
// terminal a line end reads as ";": it separates statements, and is
// consumed here (the command loop is not running meanwhile); the line's
// text is kept for error reports.
struct DefReader {
    FILE* in;
    TokenNode*& cursor;
    std::string line;

    bool at_terminal() const { return !cursor && tt_flag; }

    void next() {
        scanner(in, token, cursor);
        if (is(kEndOfBody) || (is(";") && at_end_of_input(in, cursor))) error(103, ";");
        if (is(";") && at_terminal() && peek_char(in) == '\n') {
            read_char(in);
            end_of_line();
            return;
        }
        append_to_line();
    }

    // The tokens of the line back to back, as the error reports show the
    // tokens read; a blank keeps two names (or a name and a number) apart.
    void append_to_line() {
        const char first = token.text[0];
        const char last = line.empty() ? ' ' : line.back();
        if (std::isalnum(static_cast<unsigned char>(first)) && std::isalnum(static_cast<unsigned char>(last)) &&
            !(std::isdigit(static_cast<unsigned char>(first)) && std::isdigit(static_cast<unsigned char>(last))))
            line += ' ';
        line += token.text;
        last_definition_line = line;
    }

    void end_of_line() {
        line += ";";
        last_definition_line = line;
        last_line_read = line;
        line.clear();
        if (++semicount >= kStatementsInARow) error(132, ";");
    }

    // True when the current "." ends the body: a "." directly followed by
    // a digit is a decimal point.
    bool body_ends_here() {
        if (!is(".")) return false;
        if (cursor) return !(cursor->next && std::isdigit(static_cast<unsigned char>(cursor->next->text[0])));
        return !std::isdigit(peek_char(in));
    }

    // A line end at the terminal: the current token is ";" and the line end
    // has been consumed (`line` was just emptied).
    bool at_line_end_separator() const { return is(";") && line.empty(); }
};

// Owns a statement list while it is being read: an error frees it.
struct FormList {
    FormNode* head = nullptr;
    FormNode* tail = nullptr;
    ~FormList() { free_form(head); }
    void add(FormNode* f) {
        if (tail)
            tail->next = f;
        else
            head = f;
        tail = f;
    }
    FormNode* release() {
        FormNode* h = head;
        head = tail = nullptr;
        return h;
    }
};

struct TokenList {
    TokenNode* head = nullptr;
    TokenNode* tail = nullptr;
    ~TokenList() { freename(head); }
    void add(const Token& t) {
        TokenNode* n = newname();
        std::memcpy(n->text, t.text, sizeof n->text);
        n->code = t.code;
        if (tail)
            tail->next = n;
        else
            head = n;
        tail = n;
    }
    TokenNode* release() {
        TokenNode* h = head;
        head = tail = nullptr;
        return h;
    }
};

bool ends(DefReader& r, Ends e) {
    switch (e) {
        case Ends::Body:
            return r.body_ends_here();
        case Ends::Loop:
            return is("od");
        case Ends::Then:
            return is("else") || is("fi");
        case Ends::Else:
            return is("fi");
    }
    return false;
}

// A quoted text or character literal is kept character by character, its
// blanks included, as the raw readers will read it back.
void collect_quoted(DefReader& r, TokenList& list) {
    for (;;) {
        int eol = 0;
        Token t;
        dumbscanner(r.in, t, r.cursor, eol);
        if (token_is(t, kEndOfBody) || at_end_of_input(r.in, r.cursor)) error(103, ";");
        if (eol) {
            r.end_of_line();
            set_token(t, " ");
        }
        list.add(t);
        if (t.text[0] == '\'') return;
    }
}

// Tokens up to `word` (a condition before "then", a header before "do");
// line ends at the terminal are blanks here.
TokenNode* collect_until(DefReader& r, const char* word) {
    TokenList list;
    while (!is(word)) {
        if (r.at_line_end_separator()) {
            r.next();
            continue;
        }
        list.add(token);
        if (is("'")) collect_quoted(r, list);
        r.next();
    }
    r.next();  // past the word
    return list.release();
}

FormNode* right_side(DefReader& r, Ends e);

// A plain statement: its tokens up to ";", the end of its list or the
// start of a comment.
TokenNode* collect_statement(DefReader& r, Ends e) {
    TokenList list;
    while (!is(";") && !is("{") && !ends(r, e) && !is("else") && !is("fi") && !is("od") &&
           !r.body_ends_here()) {
        list.add(token);
        if (is("'")) collect_quoted(r, list);
        r.next();
    }
    return list.release();
}

CondNode* control_form(DefReader& r, const char* word, Ends within, bool outer = false);

// One statement, its comments first; null for an empty statement.
CondNode* basic_form(DefReader& r, Ends e, std::vector<std::string>*& comments) {
    // Statements nest inside if and loop bodies: input nested deeper than
    // the stack allows ends in an error.
    if (stack_nearly_full()) fail(kErrTooDeep, token.text);
    while (is("{")) {
        if (!comments) comments = new std::vector<std::string>;
        comments->push_back(read_comment(r.in, r.cursor));
        r.next();
    }
    if (is("else") || is("fi") || is("od")) {
        if (!(e == Ends::Then && !is("od")) && !(e == Ends::Else && is("fi")) && !(e == Ends::Loop && is("od")))
            error(319, token.text);
        return nullptr;  // an empty statement before the end of the list
    }
    if (is("if") || is("while") || is("for")) {
        char word[kTokenText];
        std::memcpy(word, token.text, sizeof word);
        r.next();
        return control_form(r, word, e);
    }
    TokenNode* tokens = collect_statement(r, e);
    if (!tokens) return nullptr;
    CondNode* c = newcond();
    c->statement = tokens;
    return c;
}

// The statements of a list up to its end word, which is left current.
FormNode* right_side(DefReader& r, Ends e) {
    FormList forms;
    for (;;) {
        std::vector<std::string>* comments = nullptr;
        CondNode* c = nullptr;
        try {
            c = basic_form(r, e, comments);
        } catch (...) {
            delete comments;
            throw;
        }
        if (c || comments) {
            FormNode* f = newform();
            f->statement = c;
            f->comments = comments;
            forms.add(f);
        }
        if (is(";")) {
            r.next();
            if (ends(r, e)) break;
            continue;
        }
        if (ends(r, e)) break;
        if (is("{")) error(35, "{");
        error(38, token.text);
    }
    return forms.release();
}

// The rest of an "if", "while" or "for" statement whose word has been read;
// the token after its closing "fi" or "od" is current on return.
CondNode* control_form(DefReader& r, const char* word, Ends within, bool outer) {
    struct Owned {
        CondNode* c = newcond();
        ~Owned() { free_cond(c); }
    } owned;
    CondNode* c = owned.c;
    if (std::strcmp(word, "if") == 0) {
        c->kind = 0;
        c->condition = collect_until(r, "then");
        c->body = right_side(r, Ends::Then);
        if (is("else")) {
            r.next();
            c->otherwise = right_side(r, Ends::Else);
        }
    } else {
        c->kind = 1;
        c->is_for = std::strcmp(word, "for") == 0;
        c->condition = collect_until(r, "do");
        c->body = right_side(r, Ends::Loop);
    }
    // Past "fi" or "od". A statement typed at the terminal ends there: what
    // follows is its terminator, read as any statement's.
    if (outer)
        scanner(r.in, token, r.cursor);
    else
        r.next();
    // An "else" right after a loop belongs to an enclosing "if" when the loop
    // is the last statement of its then part; anywhere else it is misplaced.
    if (c->kind == 1 && is("else") && (outer || within != Ends::Then)) error(214, "else");
    owned.c = nullptr;
    return c;
}

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }

struct DefinitionInProgress {
    DefinitionInProgress(const char* name) {
        ++func_def_count;
        current_func = name;
        semicount = 0;
        last_definition_line.clear();
    }
    ~DefinitionInProgress() { --func_def_count; }
};

void read_parameters(DefReader& r, FuncRec* f) {
    r.next();  // past "("
    ParamRec** tail = &f->params;
    if (is(")")) {
        r.next();
        return;
    }
    for (;;) {
        const bool by_reference = is("^");
        if (by_reference) r.next();
        if (!is_lower(token.text[0])) error(5, token.text);
        for (ParamRec* p = f->params; p; p = p->next)
            if (std::strcmp(p->name, token.text) == 0) error(237, token.text);
        ParamRec* p = new ParamRec{};
        std::memcpy(p->name, token.text, sizeof p->name);
        p->code = static_cast<int16_t>(hash(p->name, kScalarBuckets));
        p->by_reference = by_reference;
        *tail = p;
        tail = &p->next;
        ++f->param_count;
        r.next();
        if (is(")")) break;
        if (!is(",") && !is(";")) error(6, token.text);
        r.next();
    }
    r.next();  // past ")"
}

}  // namespace

void funcdef(FILE* in, TokenNode*& cursor, const char* name) {
    DefinitionInProgress defining(name);
    DefReader r{in, cursor, name};
    last_definition_line = r.line;
    struct Owned {
        FuncRec* f = new FuncRec{};
        ~Owned() {
            if (f) free_func(f);
        }
    } owned;
    FuncRec* f = owned.f;
    std::memcpy(f->name, name, sizeof f->name);
    r.next();
    if (is("(")) {
        read_parameters(r, f);
        if (!is("=")) error(7, token.text);
    } else if (!is("=")) {
        error(12, token.text);
    }
    r.next();
    f->body = right_side(r, Ends::Body);
    push_func(f);
    owned.f = nullptr;
    new_funcs = 1;
}

void define_function(FILE* in, Operand& value, TokenNode*& cursor) {
    scanner(in, token, cursor);
    if (!is_upper(token.text[0])) error(11, token.text);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    funcdef(in, cursor, name);
    // A value of its own all the same: the definition may stand inside an
    // expression that goes on after it.
    Quoly zero;
    quoly_set(0, zero);
    value.set(std::move(zero));
    // The "." is current: the statement's terminator follows. A definition
    // displays nothing.
    scanner(in, token, cursor);
    if (is(";")) set_token(token, "@");
}

CondNode* read_control_statement(FILE* in, TokenNode*& cursor, const char* word) {
    DefinitionInProgress defining(word);
    DefReader r{in, cursor, word};
    r.append_to_line();
    return control_form(r, word, Ends::Body, true);
}

}  // namespace tolmex
