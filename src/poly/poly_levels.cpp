// Operations across the levels of a poly: the variable a poly is, the
// levels it involves, removing an unused level, monomial factors with
// negative exponents, absolute values of the coefficients.
#include <algorithm>
#include <climits>

#include "numbers/modular_state.h"
#include "poly/poly.h"

namespace tolmex {

namespace {

// Levels reached by the lists of p: 1 for a list of numbers.
size_t levels_reached(const PolyNode* p) {
    size_t best = 0;
    for (const PolyNode* n = p; n; n = n->next)
        best = std::max(best, 1 + (n->isnum ? 0 : levels_reached(n->sub)));
    return best;
}

void lowest_walk(const PolyNode* p, size_t k, std::vector<int32_t>& low) {
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            // A constant term has exponent 0 here and in every deeper level.
            for (size_t j = k; j < low.size(); ++j) low[j] = std::min(low[j], 0);
            continue;
        }
        low[k] = std::min(low[k], n->expo);
        lowest_walk(n->sub, k + 1, low);
    }
}

void divide_walk(PolyNode* p, size_t k, std::span<const int32_t> e) {
    if (k >= e.size()) return;
    bool deeper = false;
    for (size_t j = k + 1; j < e.size(); ++j) deeper |= e[j] != 0;
    for (PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            if (e[k] == 0 && !deeper) continue;
            // The number node becomes a term over a constant list.
            PolyNode* c = number_node(std::move(n->num));
            n->isnum = 0;
            n->sub = c;
        }
        n->expo -= e[k];
        divide_walk(n->sub, k + 1, e);
        if (n->expo == 0 && poly_is_const(n->sub)) remove_dummy(n);
    }
}

}  // namespace

bool poly_involves_level(const PolyNode* p, int k) {
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) continue;
        if (k == 1) {
            if (n->expo != 0) return true;
        } else if (poly_involves_level(n->sub, k - 1)) {
            return true;
        }
    }
    return false;
}

void poly_remove_level(PolyNode*& p, int k) {
    if (poly_is_const(p)) return;
    if (k == 1) {
        // The wrapper node of the level gives way to its coefficient.
        PolyNode* wrapper = p;
        p = wrapper->sub;
        wrapper->sub = nullptr;
        wrapper->isnum = 0;
        wrapper->next = nullptr;
        free_poly(wrapper);
        return;
    }
    for (PolyNode* n = p; n; n = n->next)
        if (!n->isnum) poly_remove_level(n->sub, k - 1);
}

std::vector<int32_t> poly_lowest_exponents(const PolyNode* p) {
    std::vector<int32_t> low(levels_reached(p), INT32_MAX);
    lowest_walk(p, 0, low);
    return low;
}

void poly_divide_monomial(PolyNode* p, std::span<const int32_t> e) { divide_walk(p, 0, e); }

void poly_abs(PolyNode* p) {
    if (modularmode) return;
    for (; p; p = p->next) {
        if (!p->isnum)
            poly_abs(p->sub);
        else if (p->num.sign() < 0)
            in_place_neg(p->num);
    }
}

}  // namespace tolmex
