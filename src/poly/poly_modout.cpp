// Reduction by modding polys (see the header). The remainder by a monic m
// of degree d works on a dense window of the coefficients indexed by
// exponent: from the top down, a coefficient c at exponent e >= d is
// cleared by subtracting c t^(e-d) m, which touches only the few terms of
// m. Over Z/n with number coefficients the window holds residue words, so
// the hot path of a product in a quotient ring allocates one vector.
#include "poly/poly_modout.h"

#include <utility>
#include <vector>

#include "base/errors.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

using namespace polyimpl;

int modout_above_field = 0;
int modout_suspended = 0;

const PolyNode* own_modulus(const PolyVar* var) {
    if (!var) return nullptr;
    const PolyNode* m = var->mod_poly;
    while (m && !m->isnum && !m->next && m->expo == 0) m = m->sub;
    return m;
}

bool modded_from(const PolyVar* var) {
    for (; var; var = var->next)
        if (var->mod_poly) return true;
    return false;
}

namespace {

// The coefficient of a term as a poly one level deeper (borrowed; a
// number node stands for itself, without the terms after it).
const PolyNode* coef_of(const PolyNode* n) { return n->isnum ? n : n->sub; }
// A copy of that coefficient.
PolyNode* copy_coef(const PolyNode* n) {
    return n->isnum ? copy_number_node(n->num) : copy_poly(n->sub);
}

int32_t low_exponent(const PolyNode* p) { return last_node(p)->expo; }

bool needs_fold(const PolyNode* p, const PolyNode* m) {
    if (!m || poly_is_const(p) || m->isnum) return false;
    return (!p->isnum && p->expo >= m->expo) || low_exponent(p) < 0;
}

// Rebuilds a top list from a window of coefficient polys, exponents below
// `limit`, highest first.
PolyNode* from_window(std::vector<Poly>& a, int32_t limit) {
    TermList out;
    for (int32_t e = limit - 1; e >= 0; --e)
        if (a[e] && !poly_iszero(a[e].get())) out.append(e, a[e].release());
    return out.empty() ? zero_node() : out.release();
}

void general_fold(Poly& p, const PolyNode* m, PolyVar* var) {
    const int32_t d = m->expo, top = p.get()->expo;
    std::vector<Poly> a(static_cast<size_t>(top) + 1);
    for (const PolyNode* n = p.get(); n; n = n->next) a[n->expo].reset(copy_coef(n));
    PolyVar* below = deeper(var);
    for (int32_t e = top; e >= d; --e) {
        if (!a[e] || poly_iszero(a[e].get())) continue;
        poly_poll();
        for (const PolyNode* t = m->next; t; t = t->next) {
            const int32_t j = e - d + t->expo;
            Poly prod;
            poly_mult(a[e].get(), coef_of(t), prod, below);
            if (a[j])
                better_poly_sub(std::move(a[j]), prod.get(), a[j]);
            else
                poly_makeneg(prod.get(), a[j]);
        }
        a[e].reset();
    }
    p.reset(from_window(a, d));
}

}  // namespace

void fast_fold_poly(Poly& p, const PolyNode* m) {
    const int32_t d = m->expo, top = p.get()->expo;
    std::vector<int32_t> a(static_cast<size_t>(top) + 1, 0);
    for (const PolyNode* n = p.get(); n; n = n->next) a[n->expo] = term_number(n).lint();
    const int32_t n = modulus;
    for (int32_t e = top; e >= d; --e) {
        const int32_t c = a[e];
        if (c == 0) continue;
        for (const PolyNode* t = m->next; t; t = t->next) {
            int32_t& x = a[e - d + t->expo];
            x = mod_sub(x, modmult(c, term_number(t).lint()), n);
        }
    }
    TermList out;
    for (int32_t e = d - 1; e >= 0; --e) {
        if (a[e] == 0) continue;
        Number x;
        setvalue(0, x);
        x.set_lint(a[e]);
        out.append(e, std::move(x));
    }
    p.reset(out.empty() ? zero_node() : out.release());
}

void num_fold_poly(Poly& p, const PolyNode* m) {
    if (modularmode) return fast_fold_poly(p, m);
    const int32_t d = m->expo, top = p.get()->expo;
    std::vector<Number> a(static_cast<size_t>(top) + 1);
    for (const PolyNode* n = p.get(); n; n = n->next) num_assign(term_number(n), a[n->expo]);
    Number prod;
    for (int32_t e = top; e >= d; --e) {
        if (!a[e] || num_is_zero(a[e])) continue;
        for (const PolyNode* t = m->next; t; t = t->next) {
            Number& x = a[e - d + t->expo];
            fast_mult(a[e], term_number(t), prod);
            if (x)
                fastdiff(x, prod);
            else
                makeneg(prod, x);
        }
    }
    TermList out;
    for (int32_t e = d - 1; e >= 0; --e)
        if (a[e] && !num_is_zero(a[e])) out.append(e, std::move(a[e]));
    p.reset(out.empty() ? zero_node() : out.release());
}

namespace {

// The non-negative part of p (null when none) and the part of negative
// exponent (null when none), both copies.
void split_negative(const PolyNode* p, Poly& pos, Poly& neg) {
    TermList hi, lo;
    for (const PolyNode* n = p; n; n = n->next) {
        PolyNode* c = copy_coef(n);
        if (n->expo < 0)
            lo.append(n->expo, c);
        else
            hi.append(n->expo, c);
    }
    pos.reset(hi.empty() ? nullptr : hi.release());
    neg.reset(lo.empty() ? nullptr : lo.release());
}

void fold_nonnegative(Poly& p, const PolyNode* m, PolyVar* var) {
    if (p.get()->isnum || p.get()->expo < m->expo) return;
    if (top_coefficients_constant(p.get()) && top_coefficients_constant(m))
        num_fold_poly(p, m);
    else
        general_fold(p, m, var);
}

}  // namespace

void laurent_fold(Poly& p, const PolyNode* m, PolyVar* var) {
    Poly pos, neg;
    split_negative(p.get(), pos, neg);
    if (!neg) return fold_nonnegative(p, m, var);
    // 1/t = num / den in the field; a denominator cannot live in a poly.
    Poly t, num, den;
    variable_power(t, 1, 1);
    poly_mod_invert(t.get(), num, den, var);
    if (den && !poly_eq_1(den.get())) {
        if (pos) fold_nonnegative(pos, m, var);
        best_poly_add(pos ? std::move(pos) : Poly(zero_node()), std::move(neg), p);
        return;
    }
    const int32_t e = -low_exponent(neg.get());
    shift_exponents(neg.raw(), e + 1);
    fold_nonnegative(neg, m, var);
    compute_power(num, e + 1, var);
    Poly back;
    poly_mult(neg.get(), num.get(), back, var);
    if (pos) {
        fold_nonnegative(pos, m, var);
        best_poly_add(std::move(pos), std::move(back), back);
    }
    p = std::move(back);
}

void fold_poly(Poly& p, const PolyNode* m, PolyVar* var) {
    if (!needs_fold(p.get(), m)) return;
    if (laurent && low_exponent(p.get()) < 0) return laurent_fold(p, m, var);
    fold_nonnegative(p, m, var);
}

void mod_out_poly(Poly& p, const PolyNode* m, int k, PolyVar* vars) {
    if (!p || poly_is_const(p.get())) return;
    if (k <= 1) return fold_poly(p, m, vars);
    TermList out;
    for (const PolyNode* n = p.get(); n; n = n->next) {
        if (n->isnum) {
            out.append(0, copy_number_node(n->num));
            continue;
        }
        Poly c(copy_poly(n->sub));
        mod_out_poly(c, m, k - 1, deeper(vars));
        if (!poly_iszero(c.get())) out.append(n->expo, c.release());
    }
    p.reset(out.empty() ? zero_node() : out.release());
}

void total_poly_modout(Poly& p, PolyVar* var) {
    if (!p || poly_is_const(p.get()) || !modded_from(var)) return;
    if (modded_from(deeper(var))) {
        TermList out;
        for (const PolyNode* n = p.get(); n; n = n->next) {
            Poly c(copy_coef(n));
            total_poly_modout(c, deeper(var));
            if (!poly_iszero(c.get())) out.append(n->expo, c.release());
        }
        p.reset(out.empty() ? zero_node() : out.release());
    }
    fold_poly(p, own_modulus(var), var);
}

void above_field_modout(Poly& p) {
    const int limit = field_depth > 0 ? field_depth : 31000;
    for (PolyVar* t = polynames; t && t->level < limit; t = t->next)
        if (t->mod_poly) mod_out_poly(p, own_modulus(t), t->level, polynames);
}

}  // namespace tolmex
