#include "interpreter/func_listing.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "interpreter/ampersand_internal.h"
#include "interpreter/scanner.h"

namespace tolmex {

namespace {

constexpr int kBodyIndent = 4;  // the statements of a body
constexpr int kNestIndent = 3;  // more for each branch or loop body
constexpr size_t kMostSorted = 1000;

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_name(const char* t) { return is_letter(t[0]); }
bool is_char(const char* t, char c) { return t[0] == c && t[1] == '\0'; }
bool is_digit(const char* t) { return t[0] >= '0' && t[0] <= '9' && t[1] == '\0'; }
bool is_numeral(const char* t) { return is_digit(t) || is_char(t, '.'); }

bool is_one_of(const char* t, const char* chars) {
    return t[0] != '\0' && t[1] == '\0' && std::strchr(chars, t[0]) != nullptr;
}

// The words of conditions and loop headers, written apart from a "[" or
// "(" that follows them.
bool is_word(const char* t) {
    for (const char* w : {"and", "or", "not", "from", "to", "by"})
        if (std::strcmp(t, w) == 0) return true;
    return false;
}

// True when b is written right after a (before is the token before a, or
// null). Every pair joined here scans back as the same two tokens: none
// of them is a name followed by a letter, digit or "_".
bool joins(const char* before, const char* a, const char* b) {
    if (is_numeral(a) && is_numeral(b) && (is_digit(a) || is_digit(b))) return true;
    if (is_char(a, ':') && is_one_of(b, "=+-")) return true;
    if (is_char(a, '<') && is_one_of(b, "=>")) return true;
    if (is_char(a, '>') && is_char(b, '=')) return true;
    if (is_char(a, '^') || is_char(b, '^')) return true;
    if (is_char(a, '-') && before && is_char(before, '^')) return true;  // x^-2
    if (is_one_of(a, "([&")) return true;
    if (is_char(a, '_') && before && is_char(before, '&')) return true;
    if (is_one_of(b, ")],;")) return true;
    return is_name(a) && !is_word(a) && is_one_of(b, "([");
}

// A character of quoted text; a stored line end is written as one.
void write_quoted(FILE* out, const char* t) {
    if (is_char(t, '\r'))
        std::fputc('\n', out);
    else
        std::fputs(t, out);
}

void indent(FILE* out, int n) { std::fprintf(out, "%*s", n, ""); }

// "{" and the comment's words, each after a blank, then " }" and a line;
// the statement goes on at the same indentation.
void write_comment(FILE* out, const std::string& text, int ind) {
    std::fputc('{', out);
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '\t') ++j;
        if (j > i) std::fprintf(out, " %.*s", static_cast<int>(j - i), text.data() + i);
        i = j;
    }
    std::fputs(" }\n", out);
    indent(out, ind);
}

void write_forms(FILE* out, const FormNode* f, int ind);

// A branch or loop body: on its own lines, three blanks further in; the
// closing word back at the statement's indentation.
void write_branch(FILE* out, const FormNode* body, int ind, const char* closing) {
    std::fputc('\n', out);
    indent(out, ind + kNestIndent);
    write_forms(out, body, ind + kNestIndent);
    std::fputc('\n', out);
    indent(out, ind);
    std::fputs(closing, out);
}

// statement -> plain | "if" cond "then" forms ["else" forms] "fi"
//            | ("for" header | "while" cond) "do" forms "od"
void write_cond(FILE* out, const CondNode* c, int ind) {
    if (!c) return;
    if (c->kind == 1) {
        std::fputs(c->is_for ? "for " : "while ", out);
        write_tokens(out, c->condition);
        std::fputs(" do", out);
        write_branch(out, c->body, ind, "od");
    } else if (!c->statement && (c->condition || c->body || c->otherwise)) {
        std::fputs("if ", out);
        write_tokens(out, c->condition);
        std::fputs(" then", out);
        if (c->otherwise) {
            write_branch(out, c->body, ind, "else");
            write_branch(out, c->otherwise, ind, "fi");
        } else {
            write_branch(out, c->body, ind, "fi");
        }
    } else {
        write_tokens(out, c->statement);
    }
}

void write_forms(FILE* out, const FormNode* f, int ind) {
    for (; f; f = f->next) {
        if (f->comments)
            for (const std::string& text : *f->comments) write_comment(out, text, ind);
        write_cond(out, f->statement, ind);
        if (f->next) {
            std::fputs("; \n", out);
            indent(out, ind);
        }
    }
}

void write_params(FILE* out, const ParamRec* p) {
    if (!p) return;
    std::fputc('(', out);
    for (; p; p = p->next) std::fprintf(out, "%s%s%s", p->by_reference ? "^" : "", p->name, p->next ? "," : "");
    std::fputc(')', out);
}

bool token_is_end(const char* t) { return std::strcmp(t, kEndOfBody) == 0; }

bool is_terminator(const Token& t) {
    return token_is(t, ";") || token_is(t, ":") || token_is(t, kEndOfBody);
}

}  // namespace

void write_tokens(FILE* out, const TokenNode* tokens) {
    const char* before = nullptr;
    const char* last = nullptr;
    bool quoted = false;
    for (const TokenNode* n = tokens; n; n = n->next) {
        const char* t = n->text;
        if (token_is_end(t)) continue;
        if (quoted) {
            quoted = !is_char(t, '\'');
            write_quoted(out, t);
        } else {
            if (last && !joins(before, last, t)) std::fputc(' ', out);
            std::fputs(t, out);
            quoted = is_char(t, '\'');
        }
        before = last;
        last = t;
    }
}

void write_function(FILE* out, const FuncRec* f, bool sorted) {
    std::fprintf(out, "\n Function %s", f->name);
    write_params(out, f->params);
    std::fputs(" =  \n", out);
    indent(out, kBodyIndent);
    write_forms(out, f->body, kBodyIndent);
    std::fputs(sorted ? ".;\n" : ".", out);
}

void write_functions(FILE* out) {
    std::vector<const FuncRec*> funcs;
    for_each_func([&](const FuncRec* f) {
        if (find_func(f->name) == f) funcs.push_back(f);
    });
    if (funcs.size() <= kMostSorted)
        std::sort(funcs.begin(), funcs.end(),
                  [](const FuncRec* a, const FuncRec* b) { return std::strcmp(a->name, b->name) < 0; });
    for (const FuncRec* f : funcs) write_function(out, f, true);
}

void listfuncs(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    if (is_terminator(token)) {
        write_functions(stdout);
        return quiet_terminator();
    }
    const char c = token.text[0];
    if (!(c >= 'A' && c <= 'Z')) {
        std::printf("%s is not a legal function name.\n", token.text);
    } else if (const FuncRec* f = find_func(token.text)) {
        write_function(stdout, f, false);
        std::fputc('\n', stdout);  // the prompt on a line of its own
    } else {
        std::printf("%s has not been defined.\n", token.text);
    }
    read_terminator(in, cursor);
}

}  // namespace tolmex
