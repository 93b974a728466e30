// Factoring over an extension field built by modding variables out.
// Internal to src/gcd: factor_poly and irreducible_poly come here when the
// poly's variable sits just above the field.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// Lint mode, a field in force, and vars (the poly's own variable, not
// modded out) the level just above it.
bool over_extension_field(const PolyVar* vars);
// factor_poly and irreducible_poly for such a poly p, rooted at vars'
// level, of positive degree.
void ext_factor_poly(const PolyNode* p, Poly& list, int32_t& count, bool test_only, bool show,
                     PolyVar* vars);
int32_t ext_irreducible_poly(const PolyNode* p, PolyVar* vars);

}  // namespace tolmex
