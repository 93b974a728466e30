// The GCD stash: a hash table of computed GCDs, so that a repeated GCD
// (common in rational-function arithmetic) costs one look-up. It holds at
// most half of the memory budget and is emptied whenever the ground ring
// changes.
#include "gcd/gcd_stash.h"

#include "base/errors.h"
#include "gcd/gcd_driver.h"
#include "gcd/gcd_state.h"
#include "numbers/modular_state.h"
#include "poly/poly_gcd_support.h"
#include "storage/accounting.h"

namespace tolmex {

int64_t gcdmass = 0;
int32_t prev_modulus = -1;
int32_t polygcd_stack_depth = 0;

struct GcdStashEntry {
    GcdStashEntry* link;
    PolyNode* small;  // the operand of lower leading exponent
    PolyNode* large;
    PolyNode* gcd;    // null until the driver files it
    int64_t size;     // words of both operands and the GCD
};

namespace {

using StashEntry = GcdStashEntry;
uint32_t generation = 1;  // goes up whenever the stash is emptied

StashEntry* gcd_stash[kGcdStashChains] = {};

// Words a poly's nodes take.
int64_t words(const PolyNode* p) {
    return p ? int64_t{big_node_total(p)} * static_cast<int64_t>(sizeof(PolyNode) / 4) : 0;
}

int32_t ring_modulus() { return modularmode ? modulus : -1; }

void free_entry(StashEntry* e) {
    free_poly(e->small);
    free_poly(e->large);
    free_poly(e->gcd);
    delete e;
}

void free_chain(StashEntry*& head) {
    while (StashEntry* e = head) {
        head = e->link;
        gcdmass -= e->size;
        free_entry(e);
    }
}

bool stash_empty() {
    for (StashEntry* e : gcd_stash)
        if (e) return false;
    return true;
}

int32_t bucket(const PolyNode* a, const PolyNode* b) {
    int32_t h = hash_1(a, kGcdStashChains) + hash_1(b, kGcdStashChains);
    if (h >= kGcdStashChains) h -= kGcdStashChains;
    return h;
}

bool same_pair(const StashEntry* e, const PolyNode* small, const PolyNode* large) {
    if (poly_equal(e->small, small) && poly_equal(e->large, large)) return true;
    return poly_degree(small) == poly_degree(large) && poly_equal(e->small, large) &&
           poly_equal(e->large, small);
}

// The depth of stash-using GCDs goes down by one.
void leave_depth(const char* text) {
    if (--polygcd_stack_depth < 0) {
        polygcd_stack_depth = 0;
        internal_stop(text);
    }
}

}  // namespace

bool gcdhash(const PolyNode* a, const PolyNode* b, GcdStashSlot& node) {
    if (poly_degree(a) > poly_degree(b)) std::swap(a, b);
    const int32_t k = bucket(a, b);
    for (StashEntry* e = gcd_stash[k]; e; e = e->link) {
        if (!same_pair(e, a, b)) continue;
        node.node = e;
        return true;
    }
    if (2 * gcdmass > static_cast<int64_t>(initial_memory) && polygcd_stack_depth == 0)
        purge_gcd_stash(k);
    auto* e = new StashEntry{gcd_stash[k], copy_poly(a), copy_poly(b), nullptr, 0};
    e->size = words(a) + words(b);
    gcdmass += e->size;
    gcd_stash[k] = e;
    node.node = e;
    return false;
}

void purge_gcd_stash(int32_t keep) {
    if (polygcd_stack_depth < 0) internal_stop("negative polygcd_stack_depth 2");
    for (StashEntry* head : gcd_stash)
        if (head) free_chain(head->link);
    gcdmass = mass_gcd_stash();
    const int64_t limit = static_cast<int64_t>(initial_memory) * 2 / 3;
    for (int32_t k = 0; k < kGcdStashChains && gcdmass > limit; ++k)
        if (k != keep) free_chain(gcd_stash[k]);
}

int64_t mass_gcd_stash() {
    int64_t total = 0;
    for (const StashEntry* head : gcd_stash)
        for (const StashEntry* e = head; e; e = e->link) total += e->size;
    return total;
}

namespace {

// Every chain freed; the table belongs to the ring now in force.
void empty_stash() {
    for (StashEntry*& head : gcd_stash) free_chain(head);
    gcdmass = 0;
    polygcd_stack_depth = 0;
    ++generation;
    prev_modulus = ring_modulus();
}

}  // namespace

void free_gcd_stash() {
    empty_stash();
    lookupgcd = 0;  // stashing starts again with the next &C+
}

int64_t gcd_stash_mass() { return gcdmass; }

void gcd_stash_switched_on() {
    if (!stash_empty() && prev_modulus != ring_modulus()) empty_stash();
}

// ---------------------------------------------------------------------------
// The driver's look-up and filing

bool gcd_stash_find(const PolyNode* a, const PolyNode* b, Poly& g, GcdStashSlot& slot,
                    int32_t cutoff) {
    slot.node = nullptr;
    if (lookupgcd <= 0) return false;
    if (big_node_total(a) + big_node_total(b) <= cutoff) return false;
    if (prev_modulus != ring_modulus()) empty_stash();
    // Over Z/p the GCD of two operands does not change when they are
    // scaled by units: the monic forms are the keys.
    Poly ma, mb;
    correct_monic_form(a, ma);
    correct_monic_form(b, mb);
    if (gcdhash(ma.get(), mb.get(), slot)) {
        StashEntry* e = slot.node;
        if (e->gcd) {
            slot.node = nullptr;
            poly_assign(e->gcd, g);
            return true;
        }
    }
    slot.generation = generation;
    ++polygcd_stack_depth;
    return false;
}

void gcd_stash_store(GcdStashSlot& slot, const PolyNode* g) {
    if (!slot.node) return;
    StashEntry* e = slot.node;
    slot.node = nullptr;
    if (slot.generation != generation) return;  // the stash was emptied meanwhile
    leave_depth("negative polygcd_stack_depth 1");
    if (e->gcd) return;  // a nested look-up of the same pair filed it first
    e->gcd = copy_poly(g);
    const int64_t w = words(g);
    e->size += w;
    gcdmass += w;
}

}  // namespace tolmex
