// The field inverse and the division by field coefficients.
//
// The inverse of p modulo m (both in t over the field K of the deeper
// levels) comes from a remainder sequence that never divides in K: each
// elimination step replaces a by lc(b) a - lc(a) t^e b and carries the
// cofactor u with it (u p = a modulo m), so every intermediate poly keeps
// integer (or residue) coefficients. The sequence ends in an element c of
// K; then 1/p = u / c, and 1/c comes from the same routine one level
// deeper (towers of extensions). In rational mode the integer content of
// each pair (a, u) is cancelled as it goes, and the result is a poly over
// one positive integer.
#include <utility>

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

using namespace polyimpl;

namespace {

// c (a poly one level deeper, or a number node) as a poly at this level.
Poly lifted(const PolyNode* c) {
    PolyNode* p = poly_is_const(c) ? copy_number_node(c->num) : copy_poly(c);
    if (!poly_is_const(p)) p = term_node(0, p);
    return Poly(p);
}

// The positive GCD of the integer coefficients of p (rational mode).
void integer_content(const PolyNode* p, Number& g) {
    setvalue(0, g);
    poly_each_number(p, [&](const Number& x) {
        if (num_is_zero(g)) {
            abs_val_num(x, g);
        } else {
            Number h;
            binary_gcd(g, x, h);
            g = std::move(h);
        }
        return !is_longint(g, 1);
    });
}

// Divides every poly of the list by the GCD of all their integer
// coefficients (rational mode; nothing in lint mode).
void cancel_content(std::initializer_list<Poly*> ps) {
    if (lintmode) return;
    Number g;
    setvalue(0, g);
    for (Poly* p : ps) {
        Number c, h;
        integer_content(p->get(), c);
        if (num_is_zero(c)) continue;
        if (num_is_zero(g)) {
            g = std::move(c);
        } else {
            binary_gcd(g, c, h);
            g = std::move(h);
        }
        if (is_longint(g, 1)) return;
    }
    if (num_is_zero(g) || is_longint(g, 1)) return;
    for (Poly* p : ps) divide_thru(p->get(), g);
}

// x := l x - c t^e y for the number-or-deeper-poly coefficients l and c.
void eliminate(Poly& x, const PolyNode* l, const PolyNode* c, int32_t e, const PolyNode* y,
               PolyVar* var) {
    Poly lx, cy, term(make_term(e, copy_poly(c)));
    if (poly_eq_1(l))
        lx = std::move(x);
    else
        poly_mult(lifted(l).get(), x.get(), lx, var);
    poly_mult(term.get(), y, cy, var);
    better_poly_sub(std::move(lx), cy.get(), x);
}

void invert_number(const Number& x, Poly& num, Poly& den) {
    if (num_is_zero(x)) fail(22, "/");
    Number r;
    if (modularmode) {
        int32_t v = 0;
        emod_inverse(x.lint(), v);
        setvalue(v, r);
        num.reset(number_node(std::move(r)));
        den.reset();
        return;
    }
    if (lintmode) {
        setvalue(x.lint() == -1 ? -1 : 1, r);
        num.reset(number_node(std::move(r)));
        den.reset();
        return;
    }
    setvalue(x.sign() < 0 ? -1 : 1, r);
    num.reset(number_node(std::move(r)));
    Number a;
    abs_val_num(x, a);
    den.reset(is_longint(a, 1) ? nullptr : number_node(std::move(a)));
}

// The coefficient of a poly of degree 0 in its top variable.
const PolyNode* degree0_coef(const PolyNode* b) { return b->isnum ? b : b->sub; }

// The remainder sequence of (m, p) at var's level: u with u p = c modulo
// m, c (returned in c) an element of the deeper field.
void reverse_euclid(const PolyNode* p, PolyVar* var, Poly& u, Poly& c) {
    const PolyNode* m = own_modulus(var);
    PolyVar* plain = newdummy(var);
    Poly a(copy_poly(m)), ua(zero_node()), b(copy_poly(p)), ub(const_node(1));
    mod_out_reduce(b, var);
    if (poly_iszero(b.get())) internal_stop("poly invertibility failure. bad pp2");
    while (degree(b.get()) > 0) {
        poly_poll();
        while (!poly_iszero(a.get()) && degree(a.get()) >= degree(b.get())) {
            Poly la, lb;
            const PolyNode* ca = lead_coef_alone(a.get(), la);
            const PolyNode* cb = lead_coef_alone(b.get(), lb);
            Poly hold_a(copy_poly(ca)), hold_b(copy_poly(cb));
            const int32_t e = degree(a.get()) - degree(b.get());
            eliminate(a, hold_b.get(), hold_a.get(), e, b.get(), plain);
            eliminate(ua, hold_b.get(), hold_a.get(), e, ub.get(), var);
        }
        if (poly_iszero(a.get())) internal_stop("poly mod invert");
        cancel_content({&a, &ua});
        std::swap(a, b);
        std::swap(ua, ub);
    }
    u = std::move(ub);
    c.reset(copy_poly(degree0_coef(b.get())));
}

// num / den := num / den with their common integer content cancelled and
// a constant den of 1 dropped.
void tidy_quotient(Poly& num, Poly& den) {
    if (!den) return;
    Number c, g;
    integer_content(num.get(), c);
    if (!num_is_zero(c)) {
        binary_gcd(c, poly_constant(den.get()), g);
        if (!is_longint(g, 1)) {
            divide_thru(num.get(), g);
            divide_thru(den.get(), g);
        }
    }
    if (poly_eq_1(den.get())) den.reset();
}

// The pseudo-division by b whose leading coefficient is the number l:
// l^(deg a - deg b + 1) a = q b + r. Each step clears the leading term of
// r by r := l r - c t^e b.
void integer_pseudo_div(const PolyNode* a, const PolyNode* b, Poly* q, Poly& r, PolyVar* var) {
    const int32_t db = degree(b);
    Poly holder;
    Poly l(copy_poly(lead_coef_alone(b, holder)));
    Poly rr(copy_poly(a)), qq(zero_node());
    int32_t k = degree(a) - db + 1;
    while (!poly_iszero(rr.get()) && degree(rr.get()) >= db) {
        poly_poll();
        Poly lead_holder;
        Poly c(copy_poly(lead_coef_alone(rr.get(), lead_holder)));
        const int32_t e = degree(rr.get()) - db;
        eliminate(rr, l.get(), c.get(), e, b, var);
        if (q) {
            Poly term(make_term(e, copy_poly(c.get())));
            Poly lq;
            poly_mult(l.get(), qq.get(), lq, var);
            best_poly_add(std::move(lq), std::move(term), qq);
        }
        --k;
    }
    if (k > 0) {
        Poly lk(copy_poly(l.get()));
        compute_power(lk, k, var);
        if (q) poly_mult(qq.get(), lk.get(), qq, var);
        poly_mult(rr.get(), lk.get(), rr, var);
    }
    if (q) *q = std::move(qq);
    r = std::move(rr);
}

}  // namespace

void poly_mod_invert(const PolyNode* p, Poly& num, Poly& den, PolyVar* var) {
    if (poly_is_const(p)) return invert_number(p->num, num, den);
    if (!var) internal_stop("poly mod invert");
    if (!p->next && !p->isnum && p->expo == 0) {
        // p does not involve this level's variable.
        Poly n, d;
        poly_mod_invert(p->sub, n, d, var->next);
        num = lifted(n.get());
        den = std::move(d);
        return;
    }
    if (!var->mod_poly || low_negative(p)) internal_stop("poly mod invert");
    Poly u, c, cn, cd;
    reverse_euclid(p, var, u, c);
    if (poly_iszero(c.get())) internal_stop("poly invertibility failure. q is a number");
    poly_mod_invert(c.get(), cn, cd, var->next);
    Poly r;
    poly_mult(u.get(), lifted(cn.get()).get(), r, var);
    num = std::move(r);
    den = std::move(cd);
    tidy_quotient(num, den);
}

void pseudo_field_coef_poly_div(const PolyNode* a, const PolyNode* b, Poly* q, Poly* r,
                                PolyVar* var) {
    Poly holder, inv, den;
    const PolyNode* lc = lead_coef_alone(b, holder);
    poly_mod_invert(lc, inv, den, deeper(var));
    PolyVar* below = deeper(var);
    Poly rr;
    if (!lintmode && poly_is_const(lc)) {
        integer_pseudo_div(a, b, q, rr, var);
        if (r) *r = std::move(rr);
        return;
    }
    if (!den) {
        // A unit: the true division, each quotient coefficient c / lc.
        long_division(a, b, q, rr, var, [&](const PolyNode* c, Poly& cq) {
            poly_mult(c, inv.get(), cq, below);
            return true;
        });
        if (r) *r = std::move(rr);
        return;
    }
    // Rational mode: b' = (1/lc) den b has the integer leading coefficient
    // den; den^k a = q' b' + r, and q = q' (1/lc) den.
    Poly bb;
    poly_mult(lifted(inv.get()).get(), b, bb, var);
    Poly qq;
    integer_pseudo_div(a, bb.get(), q ? &qq : nullptr, rr, var);
    if (q) poly_mult(qq.get(), lifted(inv.get()).get(), *q, var);
    if (r) *r = std::move(rr);
}

}  // namespace tolmex
