// One-variable modular polys as dense residue arrays, and p-th roots of
// polys: the interface through which the GCD and factoring layer reads and
// builds the polys of its array methods without walking poly nodes itself.
#pragma once

#include <cstdint>
#include <vector>

#include "poly/poly.h"

namespace tolmex {

// Modular mode. x := the residues of p by exponent divided by stride: x[k]
// is the coefficient of x^(k stride), x.size() = deg(p) / stride + 1, and
// the zero poly gives an empty x. False (x then undefined) when p's top list
// has a coefficient that is not a number, a negative exponent, or an
// exponent that stride does not divide.
bool poly_residues(const PolyNode* p, std::vector<int32_t>& x, int32_t stride = 1);
// Calls f(e, r) for every term r x^e of p's top list, in decreasing order
// of e; false (at once) when a coefficient is not a number.
template <class F>
bool each_residue_term(const PolyNode* p, F&& f) {
    for (; p; p = p->next) {
        if (!p->isnum && !poly_is_const(p->sub)) return false;
        f(p->expo, (p->isnum ? p->num : p->sub->num).lint());
    }
    return true;
}
// The GCD of the exponents of p's top list (0 for a constant poly).
int32_t top_exponent_gcd(const PolyNode* p);
// The one-variable poly sum z[k] x^(k stride), k < n (the constant 0 when
// every entry is 0).
[[nodiscard]] PolyNode* residues_poly(const int32_t* z, int32_t n, int32_t stride = 1);
// z[0 .. nx + ny - 2] := x[0 .. nx - 1] times y[0 .. ny - 1] in the ring in
// force (nx, ny >= 1; z must not overlap x or y): schoolbook or Karatsuba
// on the arrays by size, as the dense products choose.
void residue_product(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z);

// r := the p-th root of p taken level by level: every exponent at every
// level divided by pchar and every number coefficient c replaced by
// root(c). False (r then undefined) when some exponent is not a multiple of
// pchar, so that p is no p-th power of a poly.
using NumberRoot = int32_t (*)(int32_t residue);
bool poly_pth_root(const PolyNode* p, int32_t pchar, NumberRoot root, Poly& r);

// The exponent of p's first node: its degree in its main variable (0 for a
// constant or a poly free of that variable).
inline int32_t main_degree(const PolyNode* p) { return p->expo; }

// Factor lists (square-free decomposition, factoring): chains of nodes
// whose exponent field holds a multiplicity and whose coefficient pointer
// holds the factor, a poly at the level of the poly factored. The chain is
// no poly (its exponents need not decrease); free_poly frees it.
//
// A new entry (mult, factor) in front of next; factor is taken over.
[[nodiscard]] PolyNode* factor_entry(int32_t mult, PolyNode* factor, PolyNode* next);
// Calls f(mult, factor) for every entry in order.
template <class F>
void each_factor(const PolyNode* list, F&& f) {
    for (; list; list = list->next) f(list->expo, static_cast<const PolyNode*>(list->sub));
}

}  // namespace tolmex
