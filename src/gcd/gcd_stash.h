// The GCD stash: results of expensive GCDs kept for repetitions, within a
// memory budget.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct GcdStashEntry;

// The entry a look-up opened for a pair whose GCD is not known yet, and the
// stash's generation then (an entry of an emptied stash is never filed).
struct GcdStashSlot {
    GcdStashEntry* node = nullptr;
    uint32_t generation = 0;
};

// With stashing on and a + b of combined size above cutoff: true when the
// stash holds gcd(a, b) (g := a copy of it). On a miss an entry for the
// pair may be opened in slot; gcd_stash_store then files the GCD under it.
bool gcd_stash_find(const PolyNode* a, const PolyNode* b, Poly& g, GcdStashSlot& slot,
                    int32_t cutoff);
// Files a copy of g under the entry slot opened (nothing when none).
void gcd_stash_store(GcdStashSlot& slot, const PolyNode* g);

// The table: kGcdStashChains chains of entries, newest first. An entry
// holds copies of both operands (the one of lower leading exponent first),
// their combined size, and the GCD once known.
constexpr int32_t kGcdStashChains = 367;
extern int64_t gcdmass;              // words the stashed operands and GCDs hold
extern int32_t prev_modulus;         // the modulus the stash was filled under (-1: Z)
extern int32_t polygcd_stack_depth;  // entries opened and not filled yet

// Looks a and b up (both taken as given; the caller normalises): true when
// the entry exists, node := it (its GCD may still be unknown); otherwise a
// new entry is opened at the head of the chain and node := it.
bool gcdhash(const PolyNode* a, const PolyNode* b, GcdStashSlot& node);
// Keeps the stash within half of initial_memory: every chain cut back to its
// first entry, then whole chains freed in bucket order (sparing `keep`)
// while the mass exceeds two thirds of it.
void purge_gcd_stash(int32_t keep);
// The words the stash holds, counted afresh.
int64_t mass_gcd_stash();
// Stashing went from off to on: a stash filled under another ground ring
// is emptied.
void gcd_stash_switched_on();

}  // namespace tolmex
