// The stored form of user functions: function records in `func_store`,
// parameter lists, and statement trees (forms and conds) whose leaves are
// token lists scanned once when the function is defined.
//
// A token list is a chain of TokenNode linked through `next`; it holds no
// end marker of its own: reading past its last node gives the end-of-body
// token (kEndOfBody). To read a list from its first node, start with a
// cursor on a head node whose `next` is the list (`ListCursor`).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interpreter/names.h"
#include "interpreter/token_nodes.h"

namespace tolmex {

struct FormNode;

// One statement: a plain statement (statement set, condition null), an
// "if" (kind 0: condition, body = then part, otherwise = else part) or a
// loop (kind 1: "while" condition or "for" header in condition, body).
struct CondNode {
    CondNode* link;         // free-list link (condhead)
    TokenNode* condition;   // condition of if/while, header of for; null for a plain statement
    int32_t kind;           // 0 if, 1 while and for
    bool is_for;            // kind 1 with a "for" header
    FormNode* body;         // then part, loop body
    FormNode* otherwise;    // else part, or null
    TokenNode* statement;   // tokens of a plain statement
};

// A statement list: each form holds one statement and the comments
// written before it.
struct FormNode {
    FormNode* next;       // next statement; free-list link (formhead)
    CondNode* statement;
    // The comments written before the statement, one entry per "{...}"
    // with its text as read (without the braces); null when none. Owned.
    std::vector<std::string>* comments;
};

struct ParamRec {
    ParamRec* next;
    char name[kTokenText];
    int16_t code;        // bucket in sca_store
    bool by_reference;   // written with "^"
};

struct FuncRec {
    FuncRec* next;  // next function of the bucket
    char name[kTokenText];
    uint16_t hash;         // bucket in func_store
    ParamRec* params;      // null for a function without parameters
    int32_t param_count;
    FormNode* body;
    FormNode* compiled;    // the linked body made by Compile; null until then
    int32_t linked;
    int32_t active_calls;  // calls in progress: a running function is never freed
    bool removed;          // cancelled or replaced while running: freed by its last call
};

extern FuncRec* func_store[kFunctionBuckets];
extern int new_funcs;  // set by every definition

// The newest function of that name, or null.
FuncRec* find_func(const char* name);
// The same, remembered in the token node of a stored list while no
// function is defined or removed.
FuncRec* find_func_at(const char* name, TokenNode* node);
// Pushes f at the head of its bucket (hiding an older one of the same name).
void push_func(FuncRec* f);
// Removes the newest function of that name; false when there is none.
bool remove_func(const char* name);
// Calls fn on every function record, bucket by bucket, newest first.
template <class Fn>
void for_each_func(Fn fn) {
    for (FuncRec* head : func_store)
        for (FuncRec* f = head; f; f = f->next) fn(f);
}

// Allocation and freeing of the tree records.
FormNode* newform();
CondNode* newcond();
// Return a whole statement tree (every branch, every token list) to the
// free lists.
void free_form(FormNode* f);
void free_cond(CondNode* c);
void free_func(FuncRec* f);

// A cursor that reads the token list `list` from its first node.
struct ListCursor {
    TokenNode head{};
    TokenNode* cursor;
    explicit ListCursor(TokenNode* list) : cursor(&head) { head.next = list; }
};

}  // namespace tolmex
