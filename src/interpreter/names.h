// Names of the language: the hashed tables of scalar variables, arrays and
// user functions, the scalar variable records, and the statements that read
// a variable interactively ("?") and cancel names ("@").
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "interpreter/token_nodes.h"
#include "quoly/quoly.h"

namespace tolmex {

constexpr int kScalarBuckets = 151;
constexpr int kArrayBuckets = 151;
constexpr int kFunctionBuckets = 71;

// A scalar variable; kept on var_garb when deleted.
struct VarRec {
    VarRec* next;  // bucket chain; the free-list link
    char name[kTokenText];
    int16_t code;       // cached hash bucket
    QuolyRec* value;    // owned
    bool array_param;   // a function parameter bound to an array
    uint32_t frame;     // the function call whose parameter this is; 0 for a variable
    uint32_t born;      // creation number
};

// The creation number the next new variable gets.
extern uint32_t var_births;
// Changes whenever a variable record enters or leaves the table: a record
// found before is still the one its name finds while this is unchanged.
extern uint64_t var_table_epoch;

extern VarRec* sca_store[kScalarBuckets];

// h := (h * 123 + c) mod n over the bytes of text, in signed 32-bit
// arithmetic; 0 for an empty text.
int hash(const char* text, int n);

// The variable of that name, or null.
VarRec* find_var(const char* name);
// The same with the name's bucket known (a linked token's cached code).
VarRec* find_var_in(const char* name, int code);
// Creates the variable, or replaces the value of an existing one (the old
// value is freed); returns its record.
VarRec* insert_var(const char* name, Quoly&& value);
// Removes the variable; false when there is none.
bool remove_var(const char* name);

// Takes every variable that is not a function parameter and was made
// before creation number `born_before` out of the table (into `hidden`, in
// table order) and puts them back: behind the records of their buckets,
// except one whose name a variable made meanwhile now has (that one is
// freed).
void hide_global_vars(std::vector<VarRec*>& hidden, uint32_t born_before);
void unhide_global_vars(std::vector<VarRec*>& hidden);

// Calls fn on every scalar variable (in table order).
template <class Fn>
void for_each_var(Fn fn) {
    for (VarRec* head : sca_store)
        for (VarRec* v = head; v; v = v->next) fn(v);
}

// The "?" statement (the current token is "?").
void input_statement(FILE* in, TokenNode*& cursor);
// The "@" statement (the current token is "@").
void rubout(FILE* in, TokenNode*& cursor);
// The listing of "&v": mode 1 names with values, mode 0 names only.
void listvars(int mode);
// Writes the scalar variables as statements (the save file and listings).
// Saving leaves out array parameters.
void dump_variables(FILE* out, int mode, bool saving);

// Joins the variables to the walk over stored polys (adjoining variables).
void register_name_tables();

}  // namespace tolmex
