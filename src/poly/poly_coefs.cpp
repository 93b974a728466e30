#include "poly/poly_coefs.h"

#include <algorithm>

#include "poly/poly_internal.h"

namespace tolmex {

using polyimpl::copy_number_node;
using polyimpl::zero_node;

std::vector<int32_t> leading_exponents(const PolyNode* p, int levels) {
    std::vector<int32_t> e(static_cast<size_t>(std::max(levels, 0)), 0);
    for (size_t j = 0; j < e.size() && p && !p->isnum; ++j, p = p->sub) e[j] = p->expo;
    return e;
}

int32_t level_degree(const PolyNode* p, int k) {
    int32_t d = 0;
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) continue;
        d = std::max(d, k == 1 ? n->expo : level_degree(n->sub, k - 1));
    }
    return d;
}

int deepest_level(const PolyNode* p) {
    int d = 0;
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) continue;
        if (n->expo != 0) d = std::max(d, 1);
        const int below = deepest_level(n->sub);
        if (below > 0) d = std::max(d, below + 1);
    }
    return d;
}

namespace {

// p below n levels it does not involve.
const PolyNode* skip_wrappers(const PolyNode* p, int n) {
    for (; n > 0 && !p->isnum; --n) {
        if (p->expo != 0 || p->next) internal_stop("variable left in poly_in_one_level");
        p = p->sub;
    }
    return p;
}

}  // namespace

PolyNode* poly_in_one_level(const PolyNode* p, int k, int depth) {
    p = skip_wrappers(p, k - 1);
    if (poly_is_const(p)) return copy_poly(p);
    TermList out;
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum)
            out.append(0, copy_number_node(n->num));
        else
            out.append(n->expo, copy_poly(skip_wrappers(n->sub, depth - k)));
    }
    return out.release();
}

const PolyNode* leading_level_coef(const PolyNode* p, int k) {
    for (int j = 1; j < k && !p->isnum; ++j) p = p->sub;
    return p;
}

bool each_level_coef(const PolyNode* p, int k, const std::function<bool(const PolyNode*)>& f) {
    if (k <= 1) return poly_iszero(p) || f(p);
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            // A constant term: its coefficient is the number alone.
            if (num_is_zero(n->num)) continue;
            Poly c(copy_number_node(n->num));
            if (!f(c.get())) return false;
        } else if (!each_level_coef(n->sub, k - 1, f)) {
            return false;
        }
    }
    return true;
}

PolyNode* map_level_coefs(const PolyNode* p, int k,
                          const std::function<void(const PolyNode*, Poly&)>& f) {
    if (k <= 1) {
        Poly r;
        f(p, r);
        return r ? r.release() : zero_node();
    }
    TermList out;
    for (const PolyNode* n = p; n; n = n->next) {
        Poly s;
        if (n->isnum) {
            Poly c(copy_number_node(n->num));
            f(c.get(), s);
            // Back to the level below this one.
            for (int j = 2; j < k && s && !poly_is_const(s.get()); ++j) add_pad(s.raw());
        } else {
            s.reset(map_level_coefs(n->sub, k - 1, f));
        }
        if (!s || poly_iszero(s.get())) continue;
        out.append(n->isnum ? 0 : n->expo, s.release());
    }
    return out.empty() ? zero_node() : out.release();
}

}  // namespace tolmex
