// The GCD stash: results of expensive GCDs kept for repetitions, within a
// memory budget.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

// The entry a look-up opened for a pair whose GCD is not known yet.
struct GcdStashSlot {
    PolyNode* node = nullptr;
};

// With stashing on and a + b of combined size above cutoff: true when the
// stash holds gcd(a, b) (g := a copy of it). On a miss an entry for the
// pair may be opened in slot; gcd_stash_store then files the GCD under it.
bool gcd_stash_find(const PolyNode* a, const PolyNode* b, Poly& g, GcdStashSlot& slot,
                    int32_t cutoff);
// Files a copy of g under the entry slot opened (nothing when none).
void gcd_stash_store(GcdStashSlot& slot, const PolyNode* g);

}  // namespace tolmex
