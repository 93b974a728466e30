// Factoring over finite fields: Z/p, the fields of 2^8 and 2^16 elements,
// and their extensions built by modding variables out.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// Whether p (a poly in its top variable over the current finite field;
// vars is the record of p's top level) is irreducible: 1 irreducible,
// 0 a constant, -1 the ground ring does not allow factoring (rational mode,
// a composite modulus); other values describe the factorisation found.
int32_t irreducible_poly(const PolyNode* p, PolyVar* vars);

// Factors p over the current finite field into monic irreducibles: list :=
// a factor list as square_free_factor makes it (each entry's exponent the
// multiplicity, its coefficient the factor), count := their number.
// test_only stops at the first proper factor found; show prints progress;
// level as the factoring built-in passes it (negative: the top variable
// only).
void factor_poly(const PolyNode* p, Poly& list, int32_t& count, bool test_only, bool show,
                 int level, PolyVar* vars);

}  // namespace tolmex
