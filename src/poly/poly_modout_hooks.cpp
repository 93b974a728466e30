// Poly-mod-out hooks of the polynomial arithmetic (see the header).
#include "poly/poly_modout_hooks.h"

#include "poly/poly_internal.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"

namespace tolmex {

using namespace polyimpl;

bool modout_in_force() {
    if (field_depth > 0) return true;
    for (PolyVar* t = polynames; t; t = t->next)
        if (t->mod_poly) return true;
    return false;
}

void mod_out_reduce(Poly& p, PolyVar* var) {
    if (!var || !var->mod_poly) return;
    internal_stop("mod_out_poly: reduction by a modulus poly is not available.");
}

bool first_coef_invrtble(const PolyNode* lc, PolyVar* var) {
    if (poly_is_const(lc)) return (modularmode && mod_is_prime) || field_depth > 0;
    if (field_depth == 0) return false;
    internal_stop("first_coef_invrtble: modded-out leading coefficient.");
}

void poly_mod_invert(const PolyNode* p, Poly& num, Poly& den, PolyVar* var) {
    internal_stop("poly mod invert");
}

void pseudo_field_coef_poly_div(const PolyNode* a, const PolyNode* b, Poly* q, Poly* r,
                                PolyVar* var) {
    internal_stop("pseudo_field_coef_poly_div: division in a modded-out field.");
}

PolyVar* newdummy(PolyVar* var) {
    if (!var || !var->mod_poly) return var;
    internal_stop("newdummy: modded-out main variable.");
}

}  // namespace tolmex
