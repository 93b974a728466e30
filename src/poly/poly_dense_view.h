// Multivariate polys seen as dense coefficient arrays, for the GCD methods
// that evaluate and interpolate on arrays of residues. With n levels of
// extents e_1 .. e_n (one more than the highest exponent of each level),
// the coefficient of x_1^k_1 ... x_n^k_n sits at index
// ((k_1 e_2 + k_2) e_3 + k_3) ... e_n + k_n: level 1 varies slowest, so a
// larger index is a lexicographically larger monomial.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "poly/poly.h"

namespace tolmex {

// The extents of p in its first n levels (levels count from p's top list);
// false when some exponent is negative (a Laurent poly has no dense view).
bool poly_dense_extents(const PolyNode* p, int n, std::vector<int32_t>& extent);
// Calls f(index, c) for every term c x^k of p; every exponent must lie
// within `extent` (as poly_dense_extents gives it or larger).
void poly_dense_walk(const PolyNode* p, const std::vector<int32_t>& extent,
                     const std::function<void(int64_t, const Number&)>& f);
// The poly whose coefficient at index k is what coef(k, c) writes into c
// when it returns true (false for a zero coefficient); the indices are
// visited from the largest down. Zero gives the constant 0.
[[nodiscard]] PolyNode* poly_from_dense(const std::vector<int32_t>& extent,
                                        const std::function<bool(int64_t, Number&)>& coef);

}  // namespace tolmex
