// Factoring over finite fields (see the header).
#include "gcd/factor.h"

#include "base/errors.h"

namespace tolmex {

int32_t irreducible_poly(const PolyNode*, PolyVar*) { internal_stop("irreducible_poly"); }

}  // namespace tolmex
