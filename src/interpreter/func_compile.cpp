// The built-in Compile: "Compile F(arguments)" links the body of the user
// function F once and runs the call with the linked body; later calls of F
// run it too. Linking copies the statement tree, checks that every
// capitalised name in it is a built-in or a defined function, and fills
// each name token's cached hash bucket, so that running the linked body
// gives the same results as running the plain one, without recomputing
// what never changes.
#include <cstring>

#include "interpreter/builtins.h"
#include "interpreter/errors.h"
#include "interpreter/func_store.h"
#include "interpreter/functions.h"
#include "interpreter/names.h"
#include "interpreter/scanner.h"

namespace tolmex {

namespace {

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }

TokenNode* link_tokens(const TokenNode* list) {
    TokenNode* head = nullptr;
    TokenNode** tail = &head;
    try {
        for (const TokenNode* t = list; t; t = t->next) {
            TokenNode* n = newname();
            std::memcpy(n->text, t->text, sizeof n->text);
            n->code = t->code;
            *tail = n;
            tail = &n->next;
            if (is_lower(n->text[0])) n->code = static_cast<int16_t>(hash(n->text, kScalarBuckets));
            if (!is_upper(n->text[0]) || !std::strcmp(n->text, "Compile") || !std::strcmp(n->text, "Integer"))
                continue;
            if (find_built_in(0, numbuiltins, n->text) < 0 && !find_func(n->text)) error(231, n->text);
        }
    } catch (...) {
        freename(head);
        throw;
    }
    return head;
}

FormNode* link_form(const FormNode* f);

CondNode* link_cond(const CondNode* c) {
    if (!c) return nullptr;
    struct Owned {
        CondNode* c = newcond();
        ~Owned() { free_cond(c); }
    } owned;
    CondNode* d = owned.c;
    d->kind = c->kind;
    d->is_for = c->is_for;
    d->condition = link_tokens(c->condition);
    d->statement = link_tokens(c->statement);
    d->body = link_form(c->body);
    d->otherwise = link_form(c->otherwise);
    owned.c = nullptr;
    return d;
}

FormNode* link_form(const FormNode* f) {
    FormNode* head = nullptr;
    FormNode** tail = &head;
    try {
        for (; f; f = f->next) {
            FormNode* n = newform();
            *tail = n;
            tail = &n->next;
            n->statement = link_cond(f->statement);
        }
    } catch (...) {
        free_form(head);
        throw;
    }
    return head;
}

}  // namespace

void read_and_link(FuncRec* f) {
    if (f->linked) return;
    f->compiled = link_form(f->body);
    f->linked = 1;
}

void compile_call(FILE* in, Operand& value, TokenNode*& cursor) {
    scanner(in, token, cursor);
    if (!is_upper(token.text[0])) error(231, token.text);
    FuncRec* f = find_func(token.text);
    if (!f) error(246, token.text);
    read_and_link(f);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    scanner(in, token, cursor);
    call_user_function(in, name, value, cursor);
}

}  // namespace tolmex
