// Poly-mod-out hooks of the polynomial arithmetic (see the header).
#include "poly/poly_modout_hooks.h"

#include <memory>
#include <unordered_map>

#include "poly/poly_internal.h"
#include "poly/poly_modout.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"

namespace tolmex {

using namespace polyimpl;

bool modout_in_force() { return field_depth > 0 || modded_from(polynames); }

PolyVar* modout_context() {
    return modout_suspended == 0 && modout_in_force() ? polynames : nullptr;
}

void mod_out_reduce(Poly& p, PolyVar* var) {
    const PolyNode* m = own_modulus(var);
    if (m && modout_suspended == 0) fold_poly(p, m, var);
}

bool first_coef_invrtble(const PolyNode* lc, PolyVar* var) {
    if (poly_is_const(lc)) return (modularmode && mod_is_prime) || field_depth > 0;
    if (field_depth == 0 || !var) return false;
    return var->level + poly_depth(lc) >= field_depth;
}

PolyVar* newdummy(PolyVar* var) {
    if (!var || !var->mod_poly) return var;
    static std::unordered_map<const PolyVar*, std::unique_ptr<PolyVar>> dummies;
    std::unique_ptr<PolyVar>& d = dummies[var];
    if (!d) d = std::make_unique<PolyVar>();
    *d = *var;
    d->link = nullptr;
    d->mod_poly = d->mod_poly2 = d->attached1 = d->attached2 = nullptr;
    return d.get();
}

}  // namespace tolmex
