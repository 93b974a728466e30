// Long division by the main variable: the term-by-term loop shared by the
// Euclidean, field-coefficient and exact divisions; pseudo-division over
// the integers; and the modular one-variable divisions on lists and on
// dense arrays.

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_dense.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace polyimpl {

const PolyNode* lead_coef_alone(const PolyNode* p, Poly& holder) {
    if (!p->isnum || !p->next) return lead_coef(p);
    holder.reset(copy_number_node(p->num));
    return holder.get();
}

PolyNode* make_term(int32_t e, PolyNode* c) {
    if (e == 0 && poly_is_const(c)) return c;
    return term_node(e, c);
}

void pop_leading(Poly& r) {
    PolyNode* first = r.release();
    PolyNode* rest = first->next;
    first->next = nullptr;
    free_poly(first);
    r.reset(rest ? rest : zero_node());
}

bool one_variable_modular(const PolyNode* a, const PolyNode* b) {
    return modularmode && top_coefficients_constant(a) && top_coefficients_constant(b);
}

bool lead_is_unit(const PolyNode* b) {
    const int32_t lc = leading_coef(b)->num.lint();
    if (finf) return lc != 0;
    return lc != 0 && smallgcd(lc, modulus) == 1;
}

int32_t lead_inverse(const PolyNode* b) {
    const int32_t lc = leading_coef(b)->num.lint();
    // A zero leading coefficient is not a poly in normal form.
    if (lc == 0) internal_stop("zero leading coefficient in division.");
    int32_t inv;
    emod_inverse(lc, inv);
    return inv;
}

namespace {

// The negated tail of b (b without its leading term), or null when b is a
// single term.
PolyNode* negated_tail(const PolyNode* b) {
    if (!b->next) return nullptr;
    PolyNode* t = copy_poly(b->next);
    poly_inplace(t);
    return t;
}

// r := r + t * tail for the negated tail of the divisor: the step that
// takes t times the divisor off the remainder (its leading term was
// popped already). Nothing for a divisor of one term.
void subtract_multiple(Poly& r, const PolyNode* t, const PolyNode* tail, PolyVar* var) {
    if (!tail) return;
    Poly row;
    poly_mult(t, tail, row, var);
    best_poly_add(std::move(r), std::move(row), r);
}

// c as a poly at the level of the dividend: a constant stays as it is, a
// deeper poly gets a wrapper node.
Poly lift(const PolyNode* c) {
    PolyNode* p = copy_poly(c);
    if (!poly_is_const(p)) p = term_node(0, p);
    return Poly(p);
}

}  // namespace

bool long_division(const PolyNode* a, const PolyNode* b, Poly* q, Poly& r, PolyVar* var,
                   const CoefQuotient& coef) {
    const int32_t db = degree(b);
    Poly rr(copy_poly(a));
    Poly tail(negated_tail(b));
    Poly qq;
    PolyNode** qtail = &qq.raw();
    while (!poly_iszero(rr.get()) && degree(rr.get()) >= db) {
        poly_poll();
        const int32_t e = degree(rr.get()) - db;
        Poly lead_holder;
        const PolyNode* lead = lead_coef_alone(rr.get(), lead_holder);
        if (poly_iszero(lead)) internal_stop("zero node t.");
        Poly c;
        if (!coef(lead, c) || poly_iszero(c.get())) return false;
        pop_leading(rr);
        Poly term(make_term(e, c.release()));
        subtract_multiple(rr, term.get(), tail.get(), var);
        if (q) {
            // Quotient terms come in decreasing exponent order.
            PolyNode* t = term.release();
            *qtail = t;
            qtail = &t->next;
        }
    }
    if (q) *q = qq ? std::move(qq) : Poly(zero_node());
    r = std::move(rr);
    return true;
}

void field_coef_poly_divide(const PolyNode* a, const PolyNode* b, Poly* q, Poly& r, PolyVar* var) {
    Number inv;
    setvalue(0, inv);
    inv.set_lint(lead_inverse(b));
    long_division(a, b, q, r, var, [&](const PolyNode* c, Poly& cq) {
        scalar_by_poly(inv, c, cq);
        return true;
    });
}

}  // namespace polyimpl

// ---------------------------------------------------------------------------
// Euclidean division in one variable

bool basic_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    const int32_t da = degree(a), db = degree(b);
    if (db > da) {
        zero_quotient(a, q, r);
        return true;
    }
    // The fast division only ever divides by the leading coefficient of b:
    // any modulus serves when that coefficient is a unit.
    if (modularmode && one_variable_modular(a, b) && !low_negative(a) && !low_negative(b) &&
        (mod_is_prime || lead_is_unit(b)) &&
        (db > poly_cutoff ||
         (db >= kFastDivisionMinDivisor && da > int64_t{kFastDivisionLengthRatio} * db))) {
        // On arrays b need not be made monic: the quotient and remainder
        // are the same.
        if (dense_mod_and_div(a, b, q, r)) return true;
        const int32_t lc = leading_coef(b)->num.lint();
        if (lc == 1) {
            fast_mod_and_div(a, b, q, r);
            return true;
        }
        // Make b monic, divide, and scale the remainder back.
        const int32_t inv = lead_inverse(b);
        Poly am(copy_poly(a)), bm(copy_poly(b));
        number_by_poly(inv, am, am, false);
        number_by_poly(inv, bm, bm, false);
        Poly qq, rr;
        fast_mod_and_div(am.get(), bm.get(), qq, rr);
        number_by_poly(lc, rr, rr, false);
        q = std::move(qq);
        r = std::move(rr);
        return true;
    }
    const Number& lc = leading_coef(b)->num;
    int minus = 0;
    const bool unit = equal_to_pm1(lc, minus);
    if (modularmode) {
        if (one_variable_modular(a, b)) {
            simplest_poly_divide(a, b, q, r);
            return true;
        }
        field_coef_poly_divide(a, b, &q, r, nullptr);
        return true;
    }
    Poly lc_holder;
    const PolyNode* lcb = lead_coef_alone(b, lc_holder);
    return long_division(a, b, &q, r, nullptr, [&](const PolyNode* c, Poly& cq) {
        if (unit) {
            poly_assign(c, cq);
            if (minus) poly_inplace(cq.get());
            return true;
        }
        return poly_quot(c, lcb, cq, 1);
    });
}

// ---------------------------------------------------------------------------
// Pseudo-division

void pseudo_div(const PolyNode* a, const PolyNode* b, Poly* q, Poly* r, PolyVar* var) {
    const int32_t da = degree(a), db = degree(b);
    if (db > da) {
        if (r) poly_assign(a, *r);
        if (q) q->reset(zero_node());
        return;
    }
    Poly lc_holder;
    const PolyNode* lc = lead_coef_alone(b, lc_holder);
    Poly rr;
    if (first_coef_invrtble(lc, var)) {
        if (poly_is_const(lc) && modularmode) {
            field_coef_poly_divide(a, b, q, rr, var);
        } else {
            pseudo_field_coef_poly_div(a, b, q, &rr, var);
        }
        if (r) *r = std::move(rr);
        return;
    }
    if (poly_eq_1(lc)) {
        // lc = 1: the pseudo-division is the true division.
        long_division(a, b, q, rr, var, [](const PolyNode* c, Poly& cq) {
            poly_assign(c, cq);
            return true;
        });
        if (r) *r = std::move(rr);
        return;
    }
    // lc^(da - db + 1) a = q b + r.
    Poly big_l = lift(lc);
    Poly tail(negated_tail(b));
    poly_assign(a, rr);
    Poly qq(zero_node());
    int32_t k = da - db + 1;
    while (!poly_iszero(rr.get()) && degree(rr.get()) >= db) {
        poly_poll();
        const int32_t e = degree(rr.get()) - db;
        Poly lead_holder;
        Poly term(make_term(e, copy_poly(lead_coef_alone(rr.get(), lead_holder))));
        pop_leading(rr);
        poly_mult(big_l.get(), rr.get(), rr, var);
        subtract_multiple(rr, term.get(), tail.get(), var);
        if (q) {
            poly_mult(big_l.get(), qq.get(), qq, var);
            best_poly_add(std::move(qq), std::move(term), qq);
        }
        --k;
    }
    if (k > 0) {
        Poly lk(copy_poly(big_l.get()));
        compute_power(lk, k, var);
        if (q) poly_mult(qq.get(), lk.get(), qq, var);
        poly_mult(rr.get(), lk.get(), rr, var);
    }
    if (q) *q = std::move(qq);
    if (r) *r = std::move(rr);
}

void pseudo_div_no_q(const PolyNode* a, const PolyNode* b, Poly& r, PolyVar* var) {
    pseudo_div(a, b, nullptr, &r, var);
}

// ---------------------------------------------------------------------------
// Modular one-variable division

void simplest_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    const int32_t da = degree(a), db = degree(b);
    if (db > da) {
        zero_quotient(a, q, r);
        return;
    }
    const int32_t na = poly_length(a), nb = poly_length(b);
    const bool dense = int64_t{kDenseArrayFactor} * na > da && int64_t{kDenseArrayFactor} * nb > db;
    if (dense && da <= fast_gcd_size && !low_negative(a) && !low_negative(b)) {
        fastest_poly_div(a, b, q, r);
        return;
    }
    const int32_t inv = lead_inverse(b);
    long_division(a, b, &q, r, nullptr, [&](const PolyNode* c, Poly& cq) {
        Number x;
        setvalue(0, x);
        x.set_lint(modmult(c->num.lint(), inv));
        cq.reset(number_node(std::move(x)));
        return true;
    });
}

}  // namespace tolmex
