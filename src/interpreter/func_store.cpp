#include "interpreter/func_store.h"

#include <cstring>

#include "storage/free_lists.h"

namespace tolmex {

FuncRec* func_store[kFunctionBuckets];
int new_funcs = 0;

FuncRec* find_func(const char* name) {
    for (FuncRec* f = func_store[hash(name, kFunctionBuckets)]; f; f = f->next)
        if (f->name[0] == name[0] && std::strcmp(f->name, name) == 0) return f;
    return nullptr;
}

namespace {

// Changes whenever a function is defined or removed.
uintptr_t func_epoch = 1;

}  // namespace

FuncRec* find_func_at(const char* name, TokenNode* node) {
    if (!node) return find_func(name);
    if (node->ann1 && reinterpret_cast<uintptr_t>(node->ann2) == func_epoch) return static_cast<FuncRec*>(node->ann1);
    FuncRec* f = find_func(name);
    node->ann1 = f;
    node->ann2 = reinterpret_cast<void*>(func_epoch);
    return f;
}

void push_func(FuncRec* f) {
    ++func_epoch;
    f->hash = static_cast<uint16_t>(hash(f->name, kFunctionBuckets));
    f->next = func_store[f->hash];
    func_store[f->hash] = f;
}

bool remove_func(const char* name) {
    FuncRec** link = &func_store[hash(name, kFunctionBuckets)];
    while (*link && std::strcmp((*link)->name, name) != 0) link = &(*link)->next;
    FuncRec* f = *link;
    if (!f) return false;
    ++func_epoch;
    *link = f->next;
    f->next = nullptr;
    // A function cancelled by a statement of its own body is freed when
    // its last call returns.
    if (f->active_calls > 0)
        f->removed = true;
    else
        free_func(f);
    return true;
}

FormNode* newform() {
    FormNode* f = heap_alloc<FormNode>(formhead);
    f->next = nullptr;
    f->statement = nullptr;
    f->comments = nullptr;
    return f;
}

CondNode* newcond() {
    CondNode* c = heap_alloc<CondNode>(condhead);
    c->link = nullptr;
    c->condition = nullptr;
    c->kind = 0;
    c->is_for = false;
    c->body = nullptr;
    c->otherwise = nullptr;
    c->statement = nullptr;
    return c;
}

void free_cond(CondNode* c) {
    if (!c) return;
    freename(c->condition);
    freename(c->statement);
    free_form(c->body);
    free_form(c->otherwise);
    condhead.push(c);
}

void free_form(FormNode* f) {
    while (f) {
        FormNode* next = f->next;
        free_cond(f->statement);
        delete f->comments;
        formhead.push(f);
        f = next;
    }
}

void free_func(FuncRec* f) {
    while (f->params) {
        ParamRec* p = f->params;
        f->params = p->next;
        delete p;
    }
    free_form(f->body);
    free_form(f->compiled);
    delete f;
}

}  // namespace tolmex
