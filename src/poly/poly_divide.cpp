// The division operators on polys and their dispatch: poly_mod_or_div with
// its constant cases, gen_case with level skipping, exact quotients by
// numbers, and the entry point of the exact quotient operator.
#include <cstdio>

#include "base/errors.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace {

// Some exponent of p's top list, or of any deeper list, is negative.
bool has_negative_exponent(const PolyNode* p) {
    for (; p; p = p->next) {
        if (p->isnum) continue;
        if (p->expo < 0 || has_negative_exponent(p->sub)) return true;
    }
    return false;
}

// The number operator applied to every coefficient of a; null when every
// result is 0.
PolyNode* coefficientwise(const PolyNode* a, const Number& b, int op) {
    return map_numbers(a, [&](const Number& c, Number& r) {
        mod_or_div(c, b, r, op, pos_mod);
        return !num_is_zero(r);
    });
}

// Every coefficient of a divided by the poly b, which lies one level deeper
// (b does not involve a's main variable); null when every result is 0.
PolyNode* coefficientwise_by_poly(const PolyNode* a, const PolyNode* b, int op, PolyVar* var) {
    Poly head;
    PolyNode** tail = &head.raw();
    PolyVar* below = deeper(var);
    for (const PolyNode* n = a; n; n = n->next) {
        Poly rc;
        if (n->isnum) {
            // A constant coefficient by a non-constant b: quotient 0,
            // remainder the constant.
            if (op != '|') continue;
            rc.reset(copy_number_node(n->num));
        } else {
            poly_mod_or_div(n->sub, b, rc, op, below);
        }
        if (poly_iszero(rc.get())) continue;
        PolyNode* t = make_term(n->isnum ? 0 : n->expo, rc.release());
        *tail = t;
        tail = &t->next;
    }
    return head.release();
}

}  // namespace

void quot(const Number& x, const Number& y, Number& z) {
    if (lintmode) {
        if (y.lint() == 0) {
            // Demoted to a warning at a nested command level: quotient 0.
            error(22, "/");
            setvalue(0, z);
            return;
        }
        if (modularmode) {
            int32_t inv;
            emod_inverse(y.lint(), inv);
            Number r;
            setvalue(0, r);
            r.set_lint(modmult(x.lint(), inv));
            z = std::move(r);
        } else {
            Number r;
            setvalue(y.lint() == -1 ? -x.lint() : x.lint() / y.lint(), r);
            z = std::move(r);
        }
        return;
    }
    if (num_is_zero(y)) {
        error(22, "/");
        setvalue(0, z);
        return;
    }
    Number q, r;
    divide(x, y, q, r);
    z = std::move(q);
}

namespace {

// q := a / c for the number c, coefficient by coefficient; exact stays
// true while every division is exact. Null when every quotient is 0.
PolyNode* quot_coefficients(const PolyNode* a, const Number& c, int32_t inv, bool& exact) {
    return map_numbers(a, [&](const Number& x, Number& z) {
        if (modularmode) {
            setvalue(0, z);
            z.set_lint(modmult(x.lint(), inv));
        } else if (lintmode) {
            const int64_t u = x.lint(), v = c.lint();
            if (u % v != 0) exact = false;
            setvalue(static_cast<int32_t>(u / v), z);
        } else {
            Number r;
            divide(x, c, z, r);
            if (!num_is_zero(r)) exact = false;
        }
        if (!num_is_zero(z)) return true;
        exact = false;
        return false;
    });
}

}  // namespace

bool poly_quot(const PolyNode* a, const PolyNode* c, Poly& q, int code) {
    if (!poly_is_const(c)) {
        std::printf("code %d\n", code);
        internal_stop(lintmode ? "divisor not number in poly quot.  modularmode"
                            : "divisor not number in poly quot.");
    }
    const Number& x = c->num;
    if (num_is_zero(x)) {
        error(22, "/");
        q.reset(zero_node());
        return true;
    }
    if (num_is_one(x)) {
        poly_assign(a, q);
        return true;
    }
    int32_t inv = 0;
    if (modularmode) emod_inverse(x.lint(), inv);
    bool exact = true;
    PolyNode* r = quot_coefficients(a, x, inv, exact);
    q.reset(r ? r : zero_node());
    return exact;
}

void divide_thru(PolyNode* p, const Number& c) {
    for (; p; p = p->next) {
        if (p->isnum)
            quot(p->num, c, p->num);
        else
            divide_thru(p->sub, c);
    }
}

// ---------------------------------------------------------------------------

void poly_mod_or_div(const PolyNode* a, const PolyNode* b, Poly& r, int op, PolyVar* var) {
    if (poly_is_const(b) && num_is_zero(b->num)) {
        // One report for the whole poly; at a nested command level the
        // quotient and the remainder are then 0.
        error(22, op == '|' ? "|" : "\\");
        r.reset(zero_node());
        return;
    }
    if (poly_is_const(b)) {
        if (poly_is_const(a)) {
            Number res;
            mod_or_div(a->num, b->num, res, op, pos_mod);
            r.reset(number_node(std::move(res)));
            return;
        }
        PolyNode* s = coefficientwise(a, b->num, op);
        r.reset(s ? s : zero_node());
        return;
    }
    if (poly_is_const(a)) {
        if (op == '|')
            poly_assign(a, r);
        else
            r.reset(zero_node());
        return;
    }
    if (laurent && (has_negative_exponent(a) || has_negative_exponent(b)))
        error(205, op == '|' ? "|" : "\\");
    gen_case(a, b, r, op, var);
}

void gen_case(const PolyNode* a, const PolyNode* b, Poly& r, int op, PolyVar* var) {
    // Skip the levels in which neither operand has a term: both begin with a
    // wrapper node.
    int skipped = 0;
    while (!a->isnum && !b->isnum && a->expo == 0 && b->expo == 0 && !a->next && !b->next) {
        a = a->sub;
        b = b->sub;
        var = deeper(var);
        ++skipped;
    }
    Poly res;
    if (poly_is_const(a) || poly_is_const(b)) {
        poly_mod_or_div(a, b, res, op, var);
    } else if (degree(b) == 0) {
        // b does not involve the main variable: divide every coefficient.
        PolyNode* s = coefficientwise_by_poly(a, b->sub, op, var);
        res.reset(s ? s : zero_node());
    } else if (modularmode && (number_polys == 1 || (height_is_1(a) && height_is_1(b)))) {
        Poly q, rem;
        basic_poly_divide(a, b, q, rem);
        res = op == '|' ? std::move(rem) : std::move(q);
    } else {
        PolyVar* v = newdummy(var);
        if (op == '|')
            pseudo_div_no_q(a, b, res, v);
        else
            pseudo_div(a, b, &res, nullptr, v);
    }
    for (int i = 0; i < skipped; ++i) add_pad(res.raw());
    r = std::move(res);
}

void mod_and_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    if (modularmode && (number_polys == 1 || (height_is_1(a) && height_is_1(b)))) {
        basic_poly_divide(a, b, q, r);
        return;
    }
    pseudo_div(a, b, &q, &r, nullptr);
}

void poly_div_no_q(const PolyNode* a, const PolyNode* b, Poly& r) {
    if (modularmode) {
        Poly q;
        basic_poly_divide(a, b, q, r);
        return;
    }
    pseudo_div_no_q(a, b, r, nullptr);
}

}  // namespace tolmex
