// Modded-out variables for the tests: a guard that gives variables their
// modding polys (and the field depth) and takes them away again, and an
// independent reference reduction on monomial expansions.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "poly/poly_modout.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "poly_support.h"

namespace polytest {

inline tolmex::PolyVar* var_record(int level) {
    tolmex::PolyVar* t = tolmex::polynames;
    for (int i = 1; t && i < level; ++i) t = t->next;
    return t;
}

// Installs modding polys (given rooted at level 1) on variables; the field
// depth and the moduli go back when the guard ends.
class ModScope {
public:
    explicit ModScope(int field = 0) : depth_(tolmex::field_depth), above_(tolmex::modout_above_field) {
        tolmex::field_depth = field;
    }
    ~ModScope() {
        for (int level : levels_) tolmex::free_poly(var_record(level)->mod_poly);
        tolmex::field_depth = depth_;
        tolmex::modout_above_field = above_;
    }
    ModScope(const ModScope&) = delete;
    ModScope& operator=(const ModScope&) = delete;
    void mod(int level, const tolmex::PolyNode* m) {
        tolmex::PolyVar* v = var_record(level);
        tolmex::free_poly(v->mod_poly);
        v->mod_poly = tolmex::copy_poly(m);
        levels_.push_back(level);
    }

private:
    int depth_, above_;
    std::vector<int> levels_;
};

// x reduced by the monic m (an expansion whose leading power of the
// variable of `level` is d), monomial by monomial from the top.
inline Expansion ref_reduce_one(Expansion x, const Expansion& m, int level, int d) {
    for (;;) {
        int32_t top = -1;
        for (const auto& [mono, c] : x.terms()) top = std::max(top, mono.e[level - 1]);
        if (top < d) return x;
        // Every monomial of the top power at once: x -= (their sum / t^d) m.
        Expansion lead;
        for (const auto& [mono, c] : x.terms()) {
            if (mono.e[level - 1] != top) continue;
            Mono s = mono;
            s.e[level - 1] -= d;
            lead.add(s, *c);
        }
        x = exp_add(x, exp_mult(lead, m), true);
    }
}

// x reduced by every (level, modulus) pair until nothing changes.
inline Expansion ref_reduce(Expansion x, const std::vector<std::pair<int, const tolmex::PolyNode*>>& mods,
                            int nvars) {
    for (bool again = true; again;) {
        again = false;
        for (const auto& [level, m] : mods) {
            const tolmex::PolyNode* t = m;
            for (int k = 1; k < level; ++k) t = t->sub;
            Expansion y = ref_reduce_one(x, expand(m, nvars), level, t->expo);
            if (!(y == x)) again = true;
            x = std::move(y);
        }
    }
    return x;
}

}  // namespace polytest
