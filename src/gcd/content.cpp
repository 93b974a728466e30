// Contents of polys with respect to their main variable: the GCD of the
// coefficients, each a poly one level deeper, found by repeated polygcd
// from the smallest coefficient on.
#include <algorithm>
#include <vector>

#include "base/errors.h"
#include "gcd/field_gcd.h"
#include "gcd/gcd_driver.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "numbers/modular_state.h"
#include "poly/poly_divide.h"
#include "poly/poly_gcd_support.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

namespace {

PolyVar* below(PolyVar* vars) { return vars ? vars->next : nullptr; }

// A GCD that cannot shrink further: 1 over Z, any constant over Z/p.
bool is_unit_gcd(const PolyNode* c) { return lintmode ? poly_is_const(c) : poly_eq_1(c); }

}  // namespace

void general_content(const PolyNode* const* list, int n, Poly& c, PolyVar* vars) {
    std::vector<std::pair<int32_t, const PolyNode*>> order;
    for (int i = 0; i < n; ++i) order.emplace_back(big_node_total(list[i]), list[i]);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    Poly acc;
    correct_monic_form(order[0].second, acc);
    for (size_t i = 1; i < order.size() && !is_unit_gcd(acc.get()); ++i) {
        ++c_cntcount;
        Poly g;
        polygcd(acc.get(), order[i].second, g, false, true, true, vars, 1, 1, false);
        acc = std::move(g);
    }
    if (lintmode && poly_is_const(acc.get()) && !poly_iszero(acc.get())) poly_set(1, acc);
    c = std::move(acc);
}

void content_2(const PolyNode* p, Poly& c, PolyVar* vars) {
    std::vector<Poly> coefs = poly_main_coefficients(p);
    std::vector<const PolyNode*> list;
    for (const Poly& x : coefs) list.push_back(x.get());
    general_content(list.data(), static_cast<int>(list.size()), c, below(vars));
}

void aux_content(const PolyNode* p, const PolyNode* h, Poly& c, PolyVar* vars) {
    std::vector<Poly> coefs = poly_main_coefficients(p);
    std::vector<const PolyNode*> list{h};
    for (const Poly& x : coefs) list.push_back(x.get());
    general_content(list.data(), static_cast<int>(list.size()), c, vars);
}

void content(const PolyNode* p, Poly& c, PolyVar* vars) {
    if (poly_is_const(p) || poly_degree(p) == 0) {
        correct_monic_form(p, c);
        if (lintmode && poly_is_const(c.get()) && !poly_iszero(c.get())) poly_set(1, c);
        return;
    }
    Poly r;
    content_2(p, r, vars);
    add_pad(r.raw());
    c = std::move(r);
}

void divide_by_content(const PolyNode* p, const PolyNode* c, Poly& q, PolyVar* vars) {
    if (poly_eq_1(c)) return poly_assign(p, q);
    if (poly_is_const(c)) {
        if (!poly_quot(p, c, q, 4)) internal_stop("content not exact in polygcd.");
        return;
    }
    if (field_depth > 0) {
        // Over a poly-mod-out field the quotient may need a denominator:
        // the primitive part is kept up to that integer factor.
        Number m;
        if (!field_exact_quotient(p, c, q, m, vars)) internal_stop("content not exact in polygcd.");
        return;
    }
    int inexact = 0;
    gen_poly_divide(p, c, q, vars, inexact);
    if (inexact) internal_stop("content not exact in polygcd.");
}

void dual_content(const PolyNode* a, const PolyNode* b, Poly& ca, Poly& cb, Poly& pa, Poly& pb,
                  PolyVar* vars) {
    Poly xa, xb, qa, qb;
    content(a, xa, vars);
    content(b, xb, vars);
    divide_by_content(a, xa.get(), qa, vars);
    divide_by_content(b, xb.get(), qb, vars);
    ca = std::move(xa);
    cb = std::move(xb);
    pa = std::move(qa);
    pb = std::move(qb);
}

}  // namespace tolmex
