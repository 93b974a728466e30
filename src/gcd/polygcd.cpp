#include "gcd/polygcd.h"

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "numbers/residue.h"
#include "numbers/modular_state.h"

namespace tolmex {

namespace {

// c := gcd(c, |x|), with 0 as the neutral start.
void gcd_into(Number& c, const Number& x) {
    if (num_is_zero(x)) return;
    if (c.size() == 0 || num_is_zero(c)) {
        abs_val_num(x, c);
        return;
    }
    if (is_longint(c, 1)) return;
    Number g;
    binary_gcd(c, x, g);
    c = std::move(g);
}

// c := gcd(c, every coefficient of p); stops once c is 1.
void content_walk(const PolyNode* p, Number& c) {
    poly_each_number(p, [&c](const Number& x) {
        gcd_into(c, x);
        return !spec_is_longint(c, 1);
    });
}

}  // namespace

void find_gcdcoefs(const PolyNode* p, Number& c) {
    if (lintmode) {
        setvalue(1, c);
        return;
    }
    Number acc;
    setvalue(0, acc);
    content_walk(p, acc);
    c = std::move(acc);
}

void gcd_coefs(const PolyNode* p, Poly& r) {
    Number c;
    find_gcdcoefs(p, c);
    r.reset(number_node(std::move(c)));
}

namespace {

// g := p up to a unit: a positive leading coefficient over Z, monic in
// lint mode.
void associate(const PolyNode* p, Poly& g) {
    poly_assign(p, g);
    const Number& lc = leading_number(g.get());
    if (lintmode) {
        if (num_is_one(lc) || !modularmode) return;
        int32_t inv = 0;
        emod_inverse(lc.lint(), inv);
        Number x;
        setvalue(inv, x);
        scalar_by_poly(x, g.get(), g);
    } else if (lc.sign() < 0) {
        poly_inplace(g.get());
    }
}

}  // namespace

void Lpolygcd(const PolyNode* a, const PolyNode* b, Poly& g, bool, PolyVar*) {
    if (poly_iszero(a) && !poly_is_const(b)) return associate(b, g);
    if (poly_iszero(b) && !poly_is_const(a)) return associate(a, g);
    if (!poly_is_const(a) && !poly_is_const(b)) {
        // Until the general GCD exists: one operand dividing the other.
        Poly q;
        if (trial_poly_divide(a, b, q, nullptr)) return associate(b, g);
        if (trial_poly_divide(b, a, q, nullptr)) return associate(a, g);
        error(373, "GCD");
    }
    Number c;
    if (lintmode) {
        setvalue(1, c);  // a nonzero constant is a unit
    } else {
        Number ga, gb;
        find_gcdcoefs(a, ga);
        find_gcdcoefs(b, gb);
        if (num_is_zero(ga)) {
            c = std::move(gb);
        } else if (num_is_zero(gb)) {
            c = std::move(ga);
        } else {
            binary_gcd(ga, gb, c);
        }
    }
    g.reset(number_node(std::move(c)));
}

}  // namespace tolmex
