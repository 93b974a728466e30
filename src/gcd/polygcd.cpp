#include "gcd/polygcd.h"

#include "interpreter/errors.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "rings/modular_state.h"

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

void content_walk(const PolyNode* p, Number& c) {
    for (; p; p = p->next) {
        if (p->isnum)
            gcd_into(c, p->num);
        else
            content_walk(p->sub, c);
        if (c.size() == 1 && c.digits()[0] == 1) return;
    }
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

void Lpolygcd(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (poly_iszero(a) && !poly_is_const(b)) return poly_assign(b, g);
    if (poly_iszero(b) && !poly_is_const(a)) return poly_assign(a, g);
    if (!poly_is_const(a) && !poly_is_const(b)) error(373, "GCD");
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
