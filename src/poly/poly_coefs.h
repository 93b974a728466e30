// A poly seen as a poly in its first levels over a ring of polys in the
// deeper ones: the coefficients below a chosen level, the leading term's
// exponents and the degree in one level. The multivariate GCD methods work
// on these views (the content in the last variable, the leading
// coefficient in the others).
//
// Levels count from p's top list (level 1). "The coefficients of p at
// level k" (k >= 2) are the coefficients of p as a poly in levels
// 1 .. k - 1: each one a poly rooted at level k (a list whose top variable
// is level k, or a number node).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "poly/poly.h"

namespace tolmex {

// The exponents of p's leading term (the first term at every level), level
// 1 first, `levels` entries; levels below the leading term's last one are 0.
[[nodiscard]] std::vector<int32_t> leading_exponents(const PolyNode* p, int levels);
// The highest exponent of level k over all terms of p (0 when p does not
// involve level k).
int32_t level_degree(const PolyNode* p, int k);
// The deepest level p involves (0 for a constant).
int deepest_level(const PolyNode* p);
// p involving, among levels 1 .. depth, only level k (the others are
// wrapper nodes, as evaluation leaves them): p as a poly in that one
// variable, its top list the level-k list and its coefficients the polys
// rooted at level depth + 1.
[[nodiscard]] PolyNode* poly_in_one_level(const PolyNode* p, int k, int depth);

// The coefficient of the leading term of p seen as a poly in levels
// 1 .. k - 1 (rooted at level k).
const PolyNode* leading_level_coef(const PolyNode* p, int k);
// Calls f on every nonzero coefficient of p at level k, in term order,
// until f returns false; false when f stopped the walk.
bool each_level_coef(const PolyNode* p, int k, const std::function<bool(const PolyNode*)>& f);
// The poly whose coefficients at level k are f(c) for the coefficients c of
// p there: f writes a poly rooted at level k into its second argument (a
// zero drops the term).
[[nodiscard]] PolyNode* map_level_coefs(const PolyNode* p, int k,
                                        const std::function<void(const PolyNode*, Poly&)>& f);

}  // namespace tolmex
