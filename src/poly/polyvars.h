// The polynomial variables: their records, their order ("levels": the head
// of `polynames` is level 1, the outermost nesting) and the sorted name
// table used by the evaluator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "poly/poly.h"

namespace tolmex {

constexpr int kMaxPolyVars = 150;

struct PolyVar {
    PolyVar* link;  // free-list link (pt_garb)
    char name[14];
    int32_t cutoff;  // multiplication cutoff in this variable's mod-out context
    // Mod-out data: the monic poly this variable is modded out by, a second
    // poly and two attached polys, a count, numbers, and a state word
    // (-1 when unused).
    PolyNode* mod_poly;
    PolyNode* mod_poly2;
    PolyNode* attached1;
    PolyNode* attached2;
    int32_t mod_state;
    int16_t level;
    int16_t count;
    std::vector<Number>* numbers;
    PolyVar* next;  // the next (deeper) variable
};

extern PolyVar* polynames;         // level 1 first
extern PolyVar* pseudo_polynames;  // temporary variables of the mod-out code
extern int number_polys;
extern std::vector<std::string> polyvar;  // the names in strcmp order

// A record from pt_garb or the heap, with the defaults of a new variable.
PolyVar* newpt();
// Frees the record's polys and numbers and puts it on pt_garb.
void free_pt(PolyVar* t);

// True when a variable of that name exists; k := its level.
bool is_poly_name(const char* name, int& k);

// Visits every stored poly (numerators and denominators of every variable,
// array entry and kept value); installed by the interpreter.
using PolyVisitor = void (*)(PolyNode*& p);
extern void (*for_each_stored_poly)(PolyVisitor visit);

// Adjoins a variable: at level 1 (every stored non-constant poly is wrapped
// once) or, with at_end, as the new deepest level. Error 228 beyond 150
// variables; error 360 for at_end while levels are modded out.
void adjoin_poly_var(const char* name, bool at_end);
// Unlinks and frees the variable of level k and renumbers the levels; the
// caller removes the variable from stored values first.
void delete_poly_name(int k);
void renumber_levels();
// Every variable whose cutoff equals old_cutoff gets new_cutoff.
void reset_cutoffs(int32_t old_cutoff, int32_t new_cutoff);

}  // namespace tolmex
