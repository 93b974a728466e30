// Normal form of quotients: the shared pieces of the quoly arithmetic, the
// full cancellation (check_quoly), the final normalisations without GCD
// work (normal_form, lint_normal_form), content cancellation (sanitize) and
// the Laurent step.
#include <utility>
#include <vector>

#include "base/errors.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_modout.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/exact_division.h"
#include "quoly/quoly_arith.h"
#include "quoly/quoly_internal.h"

namespace tolmex {
namespace {
void cancel_constant_denominator(Quoly& q);
}  // namespace
namespace quoly_detail {

Frac take_frac(Quoly&& q) {
    Quoly hold(std::move(q));
    Frac f;
    if (hold->numflag) {
        f.n.reset(number_node(std::move(hold->num)));
    } else {
        f.n.reset(hold->nump);
        f.d.reset(hold->denp);
        hold->nump = hold->denp = nullptr;
    }
    return f;
}

Quoly give_frac(Frac&& f) { return make_quotient(std::move(f.n), std::move(f.d), 0); }

Quoly zero_quoly() {
    Quoly z;
    quoly_set(0, z);
    return z;
}

Poly const_poly(int32_t v) {
    Poly p;
    poly_set(v, p);
    return p;
}

Poly mult(const PolyNode* a, const PolyNode* b) {
    Poly c;
    poly_mult(a, b, c, modout_context());
    return c;
}

Poly copy_of(const PolyNode* p) {
    Poly c;
    poly_assign(p, c);
    return c;
}

void lint_inverse(const Number& x, Number& inv) {
    if (modularmode) {
        int32_t r = 0;
        emod_inverse(x.lint(), r);  // "bad1" and error 85 for a non-unit
        setvalue(r, inv);
    } else {
        setvalue(x.lint() == 1 || x.lint() == -1 ? x.lint() : 0, inv);
    }
}

void divide_by_number(Poly& p, const Number& c) {
    if (lintmode) {
        Number inv;
        lint_inverse(c, inv);
        scalar_by_poly(inv, p.get(), p);
        return;
    }
    exact_divide_coefficients(p.get(), c);
}

void cancel_number(Poly& a, Poly& b, const Number& c) {
    if (is_longint(c, 1) || num_is_zero(c)) return;
    divide_by_number(a, c);
    divide_by_number(b, c);
}

namespace {

void put_back(Poly& p, std::vector<int32_t>& m) {
    for (int32_t& e : m) e = -e;
    poly_divide_monomial(p.get(), m);
}

// With negative exponents allowed monomials are units, and a Laurent
// numerator cannot go through a plain exact division: each operand's own
// monomial is taken out, the rest divided by g without its monomial, and
// each monomial put back, so that a / b keeps its value.
void divide_out_laurent(Poly& a, Poly& b, Poly& g) {
    std::vector<int32_t> ma = poly_lowest_exponents(a.get());
    std::vector<int32_t> mb = poly_lowest_exponents(b.get());
    poly_divide_monomial(a.get(), ma);
    poly_divide_monomial(b.get(), mb);
    poly_divide_monomial(g.get(), poly_lowest_exponents(g.get()));
    if (poly_is_const(g.get())) {
        if (!lintmode) cancel_number(a, b, poly_constant(g.get()));
    } else {
        Poly a2, b2;
        reduce(a.get(), b.get(), g, &a2, &b2, true, polynames);
        a = std::move(a2);
        b = std::move(b2);
    }
    put_back(a, ma);
    put_back(b, mb);
}

}  // namespace

void divide_out(Poly& a, Poly& b, Poly& g, bool lflag) {
    if (poly_is_const(g.get())) {
        if (!lintmode) cancel_number(a, b, poly_constant(g.get()));
        return;
    }
    if (lflag && laurent) return divide_out_laurent(a, b, g);
    Poly a2, b2;
    reduce(a.get(), b.get(), g, &a2, &b2, false, polynames);
    a = std::move(a2);
    b = std::move(b2);
}

Quoly finish(Frac&& f) {
    if (poly_iszero(f.n.get())) return zero_quoly();
    if (f.d && poly_is_const(f.d.get())) {
        const Number& d = poly_constant(f.d.get());
        if (num_is_zero(d)) fail(210, "/");
        if (num_is_one(d)) {
            f.d.reset();
        } else if (lintmode) {
            divide_by_number(f.n, d);
            f.d.reset();
        }
    }
    if (!f.d) {
        Quoly q;
        p_q_take(std::move(f.n), q);
        return q;
    }
    const int rat = !lintmode && poly_is_const(f.n.get()) && poly_is_const(f.d.get());
    return make_quotient(std::move(f.n), std::move(f.d), rat);
}

void ring_normal_form(Quoly& q, int lflag) {
    if (lintmode)
        lint_normal_form(q, lflag);
    else
        normal_form(q, lflag);
}

Quoly from_frac_normal(Frac&& f, int lflag) {
    if (poly_iszero(f.n.get())) return zero_quoly();
    Quoly q = give_frac(std::move(f));
    ring_normal_form(q, lflag);
    return q;
}

PolyVar* var_at_level(int k) {
    PolyVar* t = polynames;
    for (int i = 1; t && i < k; ++i) t = t->next;
    return t;
}

bool denominator_in_field(const PolyNode* d) {
    return field_depth > 0 && d && !poly_is_const(d) && poly_depth(d) >= field_depth;
}

void quoly_mod_convert(Quoly& q) {
    Frac f = take_frac(std::move(q));
    Poly inv_n, inv_d;
    poly_mod_invert(f.d.get(), inv_n, inv_d, polynames);
    Frac r;
    r.n = mult(f.n.get(), inv_n.get());
    r.d = std::move(inv_d);
    q = finish(std::move(r));
    if (!q->numflag && q->denp) {
        cancel_constant_denominator(q);
        normal_form(q, 0);
    }
}

}  // namespace quoly_detail

using namespace quoly_detail;

namespace {

// The field part of the normal forms: true when q was turned into a poly
// of the field (its denominator was a field element) and is final.
bool field_converted(Quoly& q) {
    if (!denominator_in_field(q->denp)) return false;
    quoly_mod_convert(q);
    return true;
}

// Every active mod-out of a variable outside the field, in the order of
// the variable list, applied to the numerator again (after the Laurent
// step moved exponents into it).
void reduce_above_field(Quoly& q) {
    Poly n(q->nump);
    q->nump = nullptr;
    above_field_modout(n);
    q->nump = n.release();
}

// The Laurent step: the monomial factor of a non-constant denominator
// (clear_bads) moves into the numerator's exponents (eliminate_bads).
void laurent_step(Quoly& q) {
    if (!q->denp || poly_is_const(q->denp)) return;
    remove_denominator_monomial(q);
    if (modout_in_force()) reduce_above_field(q);
}

// Rational mode with a field in force: a denominator whose leading
// coefficient is invertible in the field is made monic, the numerator
// multiplied by the same factor, and the integer contents cancelled.
void field_monic(Quoly& q) {
    const PolyNode* lc = q->denp;
    for (int k = 1; k < field_depth && !lc->isnum; ++k) lc = lc->sub;
    // lc lies at level field_depth, one below the variable of its list.
    PolyVar* var = var_at_level(field_depth - 1);
    if (!first_coef_invrtble(lc, var)) return;
    if (poly_is_const(lc) && !lintmode) return sanitize(q);  // the sign step settles the rest
    Poly inv_n, inv_d;
    poly_mod_invert(lc, inv_n, inv_d, var_at_level(field_depth));
    // Numerator and denominator times the field element den / lc, padded
    // to level 1.
    Poly factor(copy_poly(inv_n.get()));
    for (int k = 1; k < field_depth; ++k)
        if (!poly_is_const(factor.get())) add_pad(factor.raw());
    Frac f = take_frac(std::move(q));
    f.n = mult(f.n.get(), factor.get());
    f.d = mult(f.d.get(), factor.get());
    q = give_frac(std::move(f));
    sanitize(q);
}

// The numerator constant: numeric without denominator, else a rational
// number exactly when the denominator is constant too.
void settle_flags(Quoly& q) {
    if (poly_iszero(q->nump)) {
        quoly_set(0, q);
        return;
    }
    if (!poly_is_const(q->nump)) {
        q->ratflag = 0;
        return;
    }
    if (!q->denp) {
        polynum_to_quoly(q);
        return;
    }
    q->ratflag = !lintmode && poly_is_const(q->denp);
}

}  // namespace

void sanitize(Quoly& q) {
    if (q->numflag || !q->denp || lintmode) return;
    Number c;
    find_gcdcoefs(q->nump, c);
    if (is_longint(c, 1) || num_is_zero(c)) return;
    Number cd, g;
    find_gcdcoefs(q->denp, cd);
    binary_gcd(c, cd, g);
    if (is_longint(g, 1)) return;
    Frac f = take_frac(std::move(q));
    cancel_number(f.n, f.d, g);
    q = give_frac(std::move(f));
}

void normal_form(Quoly& q, int lflag) {
    if (q->numflag) return;
    if (q->denp && field_depth >= 1 && !poly_is_const(q->denp)) {
        if (field_converted(q)) return;
        field_monic(q);
        if (q->numflag) return;
    }
    // Reducing by the modding polys can give the numerator an integer
    // content it did not have (a * a = 2 for a^2 = 2), which a constant
    // denominator may share: (-5a / 2) b^2 = -10 / 2 for b^2 = a.
    if (q->denp && poly_is_const(q->denp) && modout_in_force()) sanitize(q);
    if (q->denp && leading_number(q->denp).sign() < 0) {
        poly_inplace(q->nump);
        poly_inplace(q->denp);
    }
    if (lflag) laurent_step(q);
    if (q->denp && poly_eq_1(q->denp)) free_poly(q->denp);
    settle_flags(q);
}

void lint_normal_form(Quoly& q, int lflag) {
    if (q->numflag) return;
    if (field_converted(q)) return;
    q->ratflag = 0;
    if (q->denp && field_depth >= 2 && !poly_is_const(q->denp)) field_monic(q);
    if (q->numflag) return;
    if (q->denp) {
        const Number& lc = leading_number(q->denp);
        if (num_is_zero(lc)) fail(210, "/");
        if (!num_is_one(lc)) {
            Number inv;
            lint_inverse(lc, inv);
            Frac f = take_frac(std::move(q));
            scalar_by_poly(inv, f.n.get(), f.n);
            scalar_by_poly(inv, f.d.get(), f.d);
            q = give_frac(std::move(f));
        }
        if (lflag) laurent_step(q);
        if (q->denp && poly_is_const(q->denp)) free_poly(q->denp);  // monic: 1
    }
    settle_flags(q);
}

namespace {

// Lint mode: a constant denominator is divided into the numerator; else
// the GCD is cancelled and the field and monic conditions settled.
void lint_check_quoly(Quoly& q, int lflag) {
    Frac f = take_frac(std::move(q));
    if (poly_is_const(f.d.get())) {
        q = finish(std::move(f));
        return;
    }
    Poly g;
    Lpolygcd(f.n.get(), f.d.get(), g);
    if (!poly_is_const(g.get())) divide_out(f.n, f.d, g, laurent != 0);
    q = give_frac(std::move(f));
    if (field_converted(q)) return;
    lint_normal_form(q, lflag);
}

// A constant denominator other than 1 or -1 and the numerator's integer
// content lose their common factor (error 210 for a zero denominator).
void cancel_constant_denominator(Quoly& q) {
    const Number& d = poly_constant(q->denp);
    if (num_is_zero(d)) fail(210, "/");
    if (is_longint(d, 1) || is_longint(d, -1)) return;
    Number c, g;
    find_gcdcoefs(q->nump, c);
    binary_gcd(c, d, g);
    Frac f = take_frac(std::move(q));
    cancel_number(f.n, f.d, g);
    q = give_frac(std::move(f));
}

}  // namespace

void check_quoly(Quoly& q, int lflag) {
    if (q->numflag) return;
    if (poly_iszero(q->nump)) {
        quoly_set(0, q);
        return;
    }
    if (!q->denp) {
        settle_flags(q);
        return;
    }
    if (field_converted(q)) return;
    if (lintmode) return lint_check_quoly(q, lflag);
    if (!poly_is_const(q->denp)) {
        Frac f = take_frac(std::move(q));
        Poly g;
        Lpolygcd(f.n.get(), f.d.get(), g);
        divide_out(f.n, f.d, g, laurent != 0);
        q = give_frac(std::move(f));
        if (field_depth > 0 && poly_is_const(q->denp)) return normal_form(q, lflag);
        if (field_converted(q)) return;
    }
    if (poly_is_const(q->denp)) cancel_constant_denominator(q);
    normal_form(q, lflag);
}

}  // namespace tolmex

namespace tolmex {

bool mod_out_quoly(Quoly& q) {
    if (q->numflag) return true;
    Poly n(q->nump), d(q->denp);
    q->nump = q->denp = nullptr;
    total_poly_modout(n, polynames);
    if (d) total_poly_modout(d, polynames);
    if (d && poly_iszero(d.get())) {
        quoly_set(0, q);
        return false;
    }
    if (poly_iszero(n.get())) {
        quoly_set(0, q);
        return true;
    }
    q = make_quotient(std::move(n), std::move(d), 0);
    check_quoly(q, laurent);
    return true;
}

}  // namespace tolmex
