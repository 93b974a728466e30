// Factoring over finite fields (see the header).
#include "gcd/factor.h"

#include "base/errors.h"

namespace tolmex {

int32_t irreducible_poly(const PolyNode*, PolyVar*) { internal_stop("irreducible_poly"); }

void factor_poly(const PolyNode*, Poly&, int32_t&, bool, bool, int, PolyVar*) {
    internal_stop("factor_poly");
}

}  // namespace tolmex
