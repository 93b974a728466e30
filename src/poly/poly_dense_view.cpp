#include "poly/poly_dense_view.h"

#include <algorithm>

namespace tolmex {

namespace {

bool extents_from(const PolyNode* p, int level, int n, std::vector<int32_t>& extent) {
    for (const PolyNode* t = p; t; t = t->next) {
        if (t->expo < 0) return false;
        if (t->isnum) continue;
        if (level >= n) return false;  // deeper than the levels asked for
        extent[static_cast<size_t>(level)] = std::max(extent[static_cast<size_t>(level)], t->expo + 1);
        if (!extents_from(t->sub, level + 1, n, extent)) return false;
    }
    return true;
}

// The index of the monomial whose levels from `level` on are all 0, after
// the prefix of the levels above.
int64_t pad_index(int64_t prefix, const std::vector<int32_t>& extent, size_t level) {
    for (size_t j = level; j < extent.size(); ++j) prefix *= extent[j];
    return prefix;
}

void walk_from(const PolyNode* p, size_t level, int64_t prefix, const std::vector<int32_t>& extent,
               const std::function<void(int64_t, const Number&)>& f) {
    for (const PolyNode* t = p; t; t = t->next) {
        const int64_t here = prefix * extent[level] + t->expo;
        if (t->isnum)
            f(pad_index(here, extent, level + 1), t->num);
        else if (poly_is_const(t->sub))  // c x^e: the number one level down
            f(pad_index(here, extent, level + 1), t->sub->num);
        else
            walk_from(t->sub, level + 1, here, extent, f);
    }
}

PolyNode* build_from(size_t level, int64_t prefix, const std::vector<int32_t>& extent,
                     const std::function<bool(int64_t, Number&)>& coef) {
    TermList terms;
    const bool last = level + 1 == extent.size();
    for (int32_t e = extent[level] - 1; e >= 0; --e) {
        const int64_t here = prefix * extent[level] + e;
        if (last) {
            Number c;
            if (coef(here, c)) terms.append(e, std::move(c));
        } else if (PolyNode* sub = build_from(level + 1, here, extent, coef)) {
            terms.append(e, sub);
        }
    }
    return terms.release();
}

}  // namespace

bool poly_dense_extents(const PolyNode* p, int n, std::vector<int32_t>& extent) {
    extent.assign(static_cast<size_t>(std::max(n, 1)), 1);
    return extents_from(p, 0, n, extent);
}

void poly_dense_walk(const PolyNode* p, const std::vector<int32_t>& extent,
                     const std::function<void(int64_t, const Number&)>& f) {
    walk_from(p, 0, 0, extent, f);
}

PolyNode* poly_from_dense(const std::vector<int32_t>& extent,
                          const std::function<bool(int64_t, Number&)>& coef) {
    PolyNode* p = build_from(0, 0, extent, coef);
    if (p) return p;
    Number zero;
    setvalue(0, zero);
    return number_node(std::move(zero));
}

}  // namespace tolmex
