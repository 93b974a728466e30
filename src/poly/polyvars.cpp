#include "poly/polyvars.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "poly/poly_settings.h"
#include "storage/free_lists.h"

namespace tolmex {

PolyVar* polynames = nullptr;
PolyVar* pseudo_polynames = nullptr;
int number_polys = 0;
std::vector<std::string> polyvar;
void (*for_each_stored_poly)(PolyVisitor) = nullptr;

PolyVar* newpt() {
    PolyVar* t = heap_alloc<PolyVar>(pt_garb);
    t->link = nullptr;
    t->name[0] = '\0';
    t->cutoff = poly_cutoff;
    t->mod_poly = t->mod_poly2 = t->attached1 = t->attached2 = nullptr;
    t->mod_state = -1;
    t->level = 0;
    t->count = 0;
    t->numbers = nullptr;
    t->next = nullptr;
    return t;
}

void free_pt(PolyVar* t) {
    pt_garb.push(t);
    free_poly(t->mod_poly);
    free_poly(t->mod_poly2);
    free_poly(t->attached2);
    free_poly(t->attached1);
    delete t->numbers;
    t->numbers = nullptr;
    t->count = 0;
}

bool is_poly_name(const char* name, int& k) {
    for (PolyVar* t = polynames; t; t = t->next) {
        if (std::strcmp(t->name, name) == 0) {
            k = t->level;
            return true;
        }
    }
    return false;
}

void renumber_levels() {
    int16_t level = 1;
    for (PolyVar* t = polynames; t; t = t->next) t->level = level++;
}

namespace {

void wrap_stored(PolyNode*& p) { add_pad(p); }

int64_t polys_to_wrap = 0;
void count_to_wrap(PolyNode*& p) { polys_to_wrap += p && !poly_is_const(p); }

// Puts on polygarb a wrapper node for every stored poly that add_pad wraps,
// so that the wrapping itself cannot run out of memory half-way. Refused
// part of the way, the nodes taken so far go back to the list as well.
void reserve_wrappers() {
    polys_to_wrap = 0;
    if (for_each_stored_poly) for_each_stored_poly(count_to_wrap);
    struct Taken {
        PolyNode* chain = nullptr;
        ~Taken() {
            while (PolyNode* n = chain) {
                chain = n->next;
                polygarb.push(n);
            }
        }
    } taken;
    for (int64_t i = 0; i < polys_to_wrap; ++i) {
        PolyNode* n = newpoly();
        n->next = taken.chain;
        taken.chain = n;
    }
}

// The variable record until it is linked in.
struct NewVar {
    PolyVar* t;
    ~NewVar() {
        if (t) free_pt(t);
    }
};

}  // namespace

void adjoin_poly_var(const char* name, bool at_end) {
    if (number_polys >= kMaxPolyVars) error(228, name);
    if (at_end && field_depth >= 1) error(360, name);
    // Everything that asks for memory comes first: refused, it changes
    // nothing.
    NewVar fresh{newpt()};
    PolyVar* t = fresh.t;
    std::snprintf(t->name, sizeof t->name, "%s", name);
    std::string key(name);
    polyvar.reserve(polyvar.size() + 1);
    if (!at_end) reserve_wrappers();
    fresh.t = nullptr;
    if (at_end) {
        PolyVar** tail = &polynames;
        while (*tail) tail = &(*tail)->next;
        *tail = t;
    } else {
        t->next = polynames;
        polynames = t;
        // Every existing variable moved one level deeper.
        if (for_each_stored_poly) for_each_stored_poly(wrap_stored);
    }
    renumber_levels();
    polyvar.insert(std::upper_bound(polyvar.begin(), polyvar.end(), key), std::move(key));
    number_polys += 1;
}

void delete_poly_name(int k) {
    PolyVar** link = &polynames;
    for (int i = 1; *link && i < k; ++i) link = &(*link)->next;
    PolyVar* t = *link;
    if (!t) return;
    *link = t->next;
    auto it = std::lower_bound(polyvar.begin(), polyvar.end(), std::string(t->name));
    if (it != polyvar.end() && *it == t->name) polyvar.erase(it);
    number_polys -= 1;
    free_pt(t);
    renumber_levels();
}

void reset_cutoffs(int32_t old_cutoff, int32_t new_cutoff) {
    for (PolyVar* t = polynames; t; t = t->next)
        if (t->cutoff == old_cutoff) t->cutoff = new_cutoff;
}

}  // namespace tolmex
