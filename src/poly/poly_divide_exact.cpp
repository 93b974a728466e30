// Exact division by a poly expected to divide: gen_poly_divide, term by
// term with recursive division of the leading coefficients.
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"

namespace tolmex {

using namespace polyimpl;

void gen_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, PolyVar* var, int& inexact) {
    inexact = 0;
    if (!a || !b) internal_stop("pt nil in poly_divide.");
    if (poly_is_const(b)) {
        if (!num_is_one(b->num)) internal_stop("m is number in poly_divide.");
        poly_assign(a, q);
        return;
    }
    if (field_depth > 0 && (var ? var->level - 1 : 0) + poly_depth(b) >= field_depth) {
        // b lies in the modded-out levels: multiply by its inverse.
        Poly num, den, qq;
        poly_mod_invert(b, num, den, var);
        poly_mult(a, num.get(), qq, var);
        if (den) {
            if (!poly_is_const(den.get())) internal_stop("have denom not numb in poly_divide.");
            if (!poly_quot(qq.get(), den.get(), qq, 3)) inexact = 1;
        }
        q = std::move(qq);
        return;
    }
    if (poly_is_const(a)) {
        inexact = !num_is_zero(a->num);
        q.reset(zero_node());
        return;
    }
    if (number_polys == 1 || (height_is_1(a) && height_is_1(b))) {
        Poly qq, r;
        if (!basic_poly_divide(a, b, qq, r) || !poly_iszero(r.get())) inexact = 1;
        q = std::move(qq);
        return;
    }
    if (degree(a) < degree(b)) {
        inexact = 1;
        q.reset(zero_node());
        return;
    }
    Poly lc_holder;
    const PolyNode* lcb = lead_coef_alone(b, lc_holder);
    PolyVar* below = deeper(var);
    Poly qq, r;
    const bool done = long_division(a, b, &qq, r, var, [&](const PolyNode* c, Poly& cq) {
        if (poly_is_const(lcb)) return poly_quot(c, lcb, cq, 2);
        if (poly_is_const(c)) return false;  // a nonzero constant by a poly
        int in = 0;
        gen_poly_divide(c, lcb, cq, below, in);
        return in == 0;
    });
    if (!done || !poly_iszero(r.get())) inexact = 1;
    if (!qq) qq.reset(zero_node());
    q = std::move(qq);
}

}  // namespace tolmex
